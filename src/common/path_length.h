// Paths are held to 255 characters; a longer one is refused (exit code 1)
// rather than cut, because a cut path names a different file.
#pragma once

#include <cstddef>
#include <string>

namespace zelvanor {

inline constexpr std::size_t kMaxPathLength = 255;

// `path` itself when it fits; otherwise ends the run (RunError, exit code 1)
// with "<what> longer than 255 characters: <path>".
std::string CheckedPath(std::string path, const char* what = "Path");

}  // namespace zelvanor
