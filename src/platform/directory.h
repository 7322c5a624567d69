#pragma once

#include <string>
#include <vector>

namespace zelvanor::platform {

// The regular files (and links to them) that `pattern` matches, as paths
// relative to its fixed part (SplitSourcePattern), the folders joined by
// the native separator. Each component is matched against one level of
// folders by the system's wildcard rules; "**" walks any number of
// folders, none included, and follows no link to a folder. POSIX: shell
// wildcards, hidden names only when spelled, bytewise order of the whole
// relative paths. Windows: each folder in the order the system lists it,
// a folder's own files before those of the folders below it.
std::vector<std::string> MatchFiles(const std::string& pattern);

// The running executable's path from the operating system, or `argv0` when
// the system cannot tell.
std::string ExecutablePath(const char* argv0);

}  // namespace zelvanor::platform
