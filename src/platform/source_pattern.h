// A source pattern as folders and names: the fixed part that is used as
// typed, then the components that are matched against what is on disk.
#pragma once

#include <string>
#include <vector>

namespace zelvanor::platform {

struct SourcePattern {
  // The text before the first component with a wildcard (before the last
  // component when none has one), with its final separator; empty when the
  // pattern starts matching at once. Matches are named relative to it.
  std::string fixed_part;
  // The components after it, each matched against one level of folders but
  // the last, which names the files; a component "**" stands for any
  // number of folders, none included. Empty when the pattern ends in a
  // separator: it then names no file.
  std::vector<std::string> components;
};

// "*", "?" or "[" on POSIX; "*" or "?" on Windows, as the system matches.
bool HasWildcard(const std::string& component);

// Both "/" and "\" separate; empty components (a doubled separator) are
// left out of `components`.
SourcePattern SplitSourcePattern(const std::string& pattern);

}  // namespace zelvanor::platform
