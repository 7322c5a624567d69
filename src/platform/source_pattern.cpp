#include "platform/source_pattern.h"

#include "platform/path_separators.h"

namespace zelvanor::platform {

bool HasWildcard(const std::string& component) {
#ifdef _WIN32
  // FindFirstFileA knows no brackets: "Bourdon [8']" is a plain name there.
  return component.find_first_of("*?") != std::string::npos;
#else
  return component.find_first_of("*?[") != std::string::npos;
#endif
}

namespace {

// Where the component that begins at `start` ends: at the next separator,
// or at the pattern's end.
std::size_t ComponentEnd(const std::string& pattern, std::size_t start) {
  const std::size_t end = NextSeparator(pattern, start);
  return end == std::string::npos ? pattern.size() : end;
}

}  // namespace

SourcePattern SplitSourcePattern(const std::string& pattern) {
  SourcePattern split;
  const std::size_t last = LastSeparator(pattern);
  std::size_t rest = last == std::string::npos ? 0 : last + 1;  // no wildcard anywhere: only the name is matched
  for (std::size_t start = 0; start < pattern.size();) {
    const std::size_t end = ComponentEnd(pattern, start);
    if (HasWildcard(pattern.substr(start, end - start))) {
      rest = start;
      break;
    }
    start = end + 1;
  }
  split.fixed_part = pattern.substr(0, rest);
  if (rest == pattern.size() || IsPathSeparator(pattern.back())) return split;
  for (std::size_t start = rest; start < pattern.size();) {
    const std::size_t end = ComponentEnd(pattern, start);
    if (end > start) split.components.push_back(pattern.substr(start, end - start));
    start = end + 1;
  }
  return split;
}

}  // namespace zelvanor::platform
