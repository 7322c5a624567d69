// The words every command-line tool answers, `--help` and `--version`, and
// `--temperaments`, given as the only argument.
#pragma once

#include <span>
#include <string>

namespace zelvanor {

// Answers `--help` (usage line, option help, where to read more),
// `--version` (the banner, already printed, says it all) or
// `--temperaments` (the list a run would use, found beside
// `executable_path` when the working directory has none: its path, then
// each name with the first line of its description) when it is the only
// word after the program name. Returns true when the run is complete; any
// other command line is left to the usual checks, so `--help` beside other
// words still gets the usage exit.
bool AnswerInformationWord(std::span<const std::string> words_after_program, const std::string& executable_path);

}  // namespace zelvanor
