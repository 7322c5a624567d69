// Where each matched file is read from and written to. Every path is held
// to 255 characters (common/path_length.h).
#pragma once

#include <string>

namespace zelvanor {

// Refuses a source pattern or destination over 255 characters and an empty
// destination (it would put every output into the root directory).
void CheckRunPaths(const std::string& source_pattern, const std::string& destination);

// The pattern's directory (up to its last "/" or "\") followed by the
// matched name; just the name when the pattern has no directory.
std::string SourcePathFor(const std::string& source_pattern, const std::string& file_name);

// The destination directory, a native separator unless it already ends in
// "/" or "\", then the matched name.
std::string DestinationPathFor(const std::string& destination, const std::string& file_name);

// Ends the run (usage, exit code 1) when a file listed by the pattern has
// gone by the time it is read.
void CheckSourceStillThere(const std::string& source_path);

}  // namespace zelvanor
