// The two words every command-line tool answers, `--help` and `--version`,
// given as the only argument.
#pragma once

#include <span>
#include <string>

namespace zelvanor {

// Answers `--help` (usage line, option help, where to read more) or
// `--version` (the banner, already printed, says it all) when it is the
// only word after the program name. Returns true when the run is complete;
// any other command line is left to the usual checks, so `--help` beside
// other words still gets the usage exit.
bool AnswerInformationWord(std::span<const std::string> words_after_program);

}  // namespace zelvanor
