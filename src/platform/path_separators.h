// Both "/" and "\" separate directories in the paths that users type (sets
// are shared between systems); where the program adds a separator it adds
// the native one.
#pragma once

#include <string>

namespace zelvanor::platform {

#ifdef _WIN32
inline constexpr char kNativeSeparator = '\\';
#else
inline constexpr char kNativeSeparator = '/';
#endif

inline bool IsPathSeparator(char c) { return c == '/' || c == '\\'; }

// Index of the last separator in `path` at or before index `at` (anywhere
// by default), or std::string::npos.
inline std::size_t LastSeparator(const std::string& path, std::size_t at = std::string::npos) {
  return path.find_last_of("/\\", at);
}

// Index of the first separator in `path` at or after index `from`, or
// std::string::npos.
inline std::size_t NextSeparator(const std::string& path, std::size_t from) {
  return path.find_first_of("/\\", from);
}

}  // namespace zelvanor::platform
