// libwavpack hands over and takes sample values as 32-bit integers; the
// WAVE data holds them as little-endian values of 1 to 4 bytes, the 1-byte
// ones unsigned (offset by 128) as WAVE files store 8-bit audio.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zelvanor {

inline void StoreSampleBytes(const std::int32_t* values, std::size_t count, int width, std::uint8_t* out) {
  const std::uint32_t offset = width == 1 ? 0x80u : 0u;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t value = static_cast<std::uint32_t>(values[i]) + offset;
    for (int byte = 0; byte < width; ++byte) *out++ = static_cast<std::uint8_t>(value >> (8 * byte));
  }
}

inline void LoadSampleBytes(const std::uint8_t* in, std::size_t count, int width, std::int32_t* values) {
  for (std::size_t i = 0; i < count; ++i) {
    std::uint32_t value = 0;
    for (int byte = 0; byte < width; ++byte) value |= static_cast<std::uint32_t>(*in++) << (8 * byte);
    // Sign-extended from the value's top bit, as libwavpack expects.
    const int unused = 32 - 8 * width;
    if (width == 1) value -= 0x80u;
    values[i] = static_cast<std::int32_t>(value << unused) >> unused;
  }
}

}  // namespace zelvanor
