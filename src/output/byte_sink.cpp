#include "output/byte_sink.h"

#include <algorithm>
#include <array>

namespace zelvanor {

void ByteSink::WriteZeros(std::uint64_t count) {
  static constexpr std::array<std::uint8_t, 4096> kZeros{};
  while (count > 0 && ok()) {
    const std::size_t step = static_cast<std::size_t>(std::min<std::uint64_t>(count, kZeros.size()));
    Write(std::span<const std::uint8_t>(kZeros.data(), step));
    count -= step;
  }
}

void MemorySink::Write(std::span<const std::uint8_t> bytes) {
  if (!ok_) return;
  if (bytes.size() > limit_ - std::min<std::uint64_t>(limit_, bytes_.size())) {
    ok_ = false;
    return;
  }
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
}

void MemorySink::WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
  if (!ok_) return;
  if (offset > bytes_.size() || bytes.size() > bytes_.size() - offset) {
    ok_ = false;
    return;
  }
  std::copy(bytes.begin(), bytes.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(offset));
}

}  // namespace zelvanor
