// A file written in one go from text made in memory (the tuning page, the
// pitch report), through a temporary renamed into place when complete.
#pragma once

#include <string>
#include <string_view>

namespace zelvanor::platform {

// Writes `bytes` as the whole of the file at `path`, replacing one that is
// there only once the new one is complete. Throws RunError: "can't create
// file PATH" (exit code 1) when it cannot be made (an empty path, a missing
// folder, a folder of that name), a failed write as ThrowWriteFailed.
void WriteWholeFile(const std::string& path, std::string_view bytes);

}  // namespace zelvanor::platform
