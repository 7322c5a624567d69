#pragma once

#include <span>
#include <string>

namespace zelvanor {

// The whole run for the command line `words` (program name first): banner,
// options, detune argument, then the tuning page or the file loop. Returns
// normally when the run succeeded; every early end is a RunError.
void Run(std::span<const std::string> words);

}  // namespace zelvanor
