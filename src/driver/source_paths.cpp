#include "driver/source_paths.h"

#include "common/run_error.h"
#include "platform/path_separators.h"

namespace zelvanor {
namespace {

std::string CheckedPath(std::string path) {
  if (path.size() > platform::kMaxPathLength) {
    ThrowExit(kExitFailure, "Path longer than %d characters: %s\n",
              static_cast<int>(platform::kMaxPathLength), path.c_str());
  }
  return path;
}

}  // namespace

void CheckRunPaths(const std::string& source_pattern, const std::string& destination) {
  if (source_pattern.size() > platform::kMaxPathLength) {
    ThrowExit(kExitFailure, "Source pattern longer than %d characters: %s\n",
              static_cast<int>(platform::kMaxPathLength), source_pattern.c_str());
  }
  if (destination.empty()) {
    ThrowExit(kExitFailure, "Empty destination directory; give . for the current directory\n");
  }
  if (destination.size() > platform::kMaxPathLength) {
    ThrowExit(kExitFailure, "Destination longer than %d characters: %s\n",
              static_cast<int>(platform::kMaxPathLength), destination.c_str());
  }
}

std::string SourcePathFor(const std::string& source_pattern, const std::string& file_name) {
  const std::size_t separator = platform::LastSeparator(source_pattern);
  if (separator == std::string::npos) return CheckedPath(file_name);
  return CheckedPath(source_pattern.substr(0, separator + 1) + file_name);
}

std::string DestinationPathFor(const std::string& destination, const std::string& file_name) {
  std::string path = destination;
  if (path.empty() || !platform::IsPathSeparator(path.back())) path += platform::kNativeSeparator;
  path += file_name;
  return CheckedPath(path);
}

}  // namespace zelvanor
