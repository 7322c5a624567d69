#pragma once

#include <string>
#include <vector>

namespace zelvanor::platform {

// The plain names of the regular files that match `pattern`: wildcards in
// the last component only, looked up in the pattern's directory (the current
// directory when it has none). POSIX: shell wildcards, bytewise name order.
std::vector<std::string> MatchFiles(const std::string& pattern);

// The running executable's path from the operating system, or `argv0` when
// the system cannot tell.
std::string ExecutablePath(const char* argv0);

}  // namespace zelvanor::platform
