#include "driver/source_paths.h"

#include "common/console.h"
#include "common/path_length.h"
#include "common/run_error.h"
#include "driver/command_line.h"
#include "platform/file_system.h"
#include "platform/path_separators.h"
#include "platform/source_pattern.h"

namespace zelvanor {

void CheckRunPaths(const std::string& source_pattern, const std::string& destination) {
  CheckedPath(source_pattern, "Source pattern");
  if (destination.empty()) {
    ThrowExit(kExitFailure, "Empty destination directory; give . for the current directory\n");
  }
  CheckedPath(destination, "Destination");
}

std::string SourcePathFor(const std::string& source_pattern, const std::string& relative_path) {
  return CheckedPath(platform::SplitSourcePattern(source_pattern).fixed_part + relative_path);
}

std::string DestinationPathFor(const std::string& destination, const std::string& relative_path) {
  std::string path = destination;
  if (path.empty() || !platform::IsPathSeparator(path.back())) path += platform::kNativeSeparator;
  path += relative_path;
  return CheckedPath(path);
}

void CheckSourceStillThere(const std::string& source_path) {
  // The file was listed a moment ago; if it is gone now, something else is
  // working on the folder and carrying on would be guesswork.
  if (platform::FileSize(source_path)) return;
  Print("can't find source-file %s\n", source_path.c_str());
  ThrowUsage();
}

}  // namespace zelvanor
