#include "platform/file_system.h"

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

}  // namespace zelvanor::platform
