// libwavpack hands over and takes sample values as 32-bit integers; the
// WAVE data holds them as little-endian values of 1 to 4 bytes, the 1-byte
// ones unsigned (offset by 128) as WAVE files store 8-bit audio. The width
// is chosen once per call, so each loop is one the compiler can unroll.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zelvanor {

template <int kWidth>
void StoreSampleBytesOf(const std::int32_t* values, std::size_t count, std::uint8_t* out) {
  constexpr std::uint32_t kOffset = kWidth == 1 ? 0x80u : 0u;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t value = static_cast<std::uint32_t>(values[i]) + kOffset;
    for (int byte = 0; byte < kWidth; ++byte) out[i * kWidth + byte] = static_cast<std::uint8_t>(value >> (8 * byte));
  }
}

template <int kWidth>
void LoadSampleBytesOf(const std::uint8_t* in, std::size_t count, std::int32_t* values) {
  constexpr int kUnused = 32 - 8 * kWidth;
  constexpr std::uint32_t kOffset = kWidth == 1 ? 0x80u : 0u;
  for (std::size_t i = 0; i < count; ++i) {
    std::uint32_t value = 0;
    for (int byte = 0; byte < kWidth; ++byte) value |= static_cast<std::uint32_t>(in[i * kWidth + byte]) << (8 * byte);
    // Sign-extended from the value's top bit, as libwavpack expects.
    values[i] = static_cast<std::int32_t>((value - kOffset) << kUnused) >> kUnused;
  }
}

inline void StoreSampleBytes(const std::int32_t* values, std::size_t count, int width, std::uint8_t* out) {
  switch (width) {
    case 1:
      return StoreSampleBytesOf<1>(values, count, out);
    case 2:
      return StoreSampleBytesOf<2>(values, count, out);
    case 3:
      return StoreSampleBytesOf<3>(values, count, out);
    default:
      return StoreSampleBytesOf<4>(values, count, out);
  }
}

inline void LoadSampleBytes(const std::uint8_t* in, std::size_t count, int width, std::int32_t* values) {
  switch (width) {
    case 1:
      return LoadSampleBytesOf<1>(in, count, values);
    case 2:
      return LoadSampleBytesOf<2>(in, count, values);
    case 3:
      return LoadSampleBytesOf<3>(in, count, values);
    default:
      return LoadSampleBytesOf<4>(in, count, values);
  }
}

}  // namespace zelvanor
