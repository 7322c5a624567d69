// The only access to sample values: little-endian two's complement values
// of 2 or 3 bytes, the widths the analysis accepts, assembled byte by byte
// (24-bit values are unaligned). A write keeps the low bytes of the value
// and never clips. Any other width reads as 0 and stores nothing.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace zelvanor {

inline std::int32_t ReadSampleValue(const std::uint8_t* at, int width) {
  switch (width) {
    case 2:
      return static_cast<std::int16_t>(static_cast<std::uint16_t>(at[0] | (at[1] << 8)));
    case 3:
      // Sign-extended from bit 7 of the top byte.
      return static_cast<std::int16_t>(static_cast<std::uint16_t>(at[1] | (at[2] << 8))) * 256 + at[0];
    default:
      return 0;
  }
}

// The same for a width fixed at compile time (2 or 3 bytes), for loops
// that read millions of values: one load where the host is little-endian.
template <int kWidth>
inline std::int32_t ReadSampleValue(const std::uint8_t* at) {
  static_assert(kWidth == 2 || kWidth == 3, "sample values are 16 or 24 bits");
  if constexpr (std::endian::native == std::endian::little) {
    std::int16_t high;  // the top two bytes carry the sign
    std::memcpy(&high, at + kWidth - 2, 2);
    if constexpr (kWidth == 2) return high;
    return high * 256 + at[0];
  } else {
    return ReadSampleValue(at, kWidth);
  }
}

inline void WriteSampleValue(std::uint8_t* at, int width, std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  switch (width) {
    case 3:
      at[2] = static_cast<std::uint8_t>(bits >> 16);
      [[fallthrough]];
    case 2:
      at[1] = static_cast<std::uint8_t>(bits >> 8);
      at[0] = static_cast<std::uint8_t>(bits);
      break;
    default:
      break;
  }
}

}  // namespace zelvanor
