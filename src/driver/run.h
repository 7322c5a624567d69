#pragma once

#include <span>
#include <string>

namespace zelvanor {

// The whole run for the command line `words` (program name first): banner,
// then the answer to `--help` or `--version`, or the options, the detune
// argument and the tuning page or the file loop. Returns
// normally when the run succeeded; every early end is a RunError.
void Run(std::span<const std::string> words);

}  // namespace zelvanor
