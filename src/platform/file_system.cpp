#include "platform/file_system.h"

#include "platform/path_separators.h"

namespace zelvanor::platform {

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path) {
  InputFile file;
  if (!file.Open(path)) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  std::uint8_t block[65536];
  for (;;) {
    const std::size_t got = file.Read(block, sizeof block);
    if (got == 0) break;
    bytes.insert(bytes.end(), block, block + got);
  }
  return bytes;
}

bool CreateMissingFolders(const std::string& path, std::size_t existing) {
  const std::size_t last = LastSeparator(path);
  if (existing == std::string::npos || last == std::string::npos || last < existing) return true;
  if (IsDirectory(path.substr(0, last))) return true;  // the common case: one look per file
  for (std::size_t cut = NextSeparator(path, existing); cut != std::string::npos && cut <= last;
       cut = NextSeparator(path, cut + 1)) {
    if (cut == 0 || IsPathSeparator(path[cut - 1])) continue;  // a doubled separator names no folder
    const std::string folder = path.substr(0, cut);
    // Another program may make the folder at the same moment: what counts
    // is that it is there.
    if (!IsDirectory(folder) && !MakeFolder(folder) && !IsDirectory(folder)) return false;
  }
  return true;
}

}  // namespace zelvanor::platform
