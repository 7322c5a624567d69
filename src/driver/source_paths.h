// Where each matched file is read from and written to. Every path is held
// to 255 characters (common/path_length.h).
#pragma once

#include <string>

namespace zelvanor {

// Refuses a source pattern or destination over 255 characters and an empty
// destination (it would put every output into the root directory).
void CheckRunPaths(const std::string& source_pattern, const std::string& destination);

// The pattern's fixed part (the text before its first component with a
// wildcard, or before its last component) followed by a path the pattern
// matched below it: just that path when the fixed part is empty.
std::string SourcePathFor(const std::string& source_pattern, const std::string& relative_path);

// The destination directory, a native separator unless it already ends in
// "/" or "\", then the matched path below the pattern's fixed part: the
// output mirrors the source's folders.
std::string DestinationPathFor(const std::string& destination, const std::string& relative_path);

// Ends the run (usage, exit code 1) when a file listed by the pattern has
// gone by the time it is read.
void CheckSourceStillThere(const std::string& source_path);

}  // namespace zelvanor
