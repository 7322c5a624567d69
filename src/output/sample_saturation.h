// Interpolated values can overshoot the sample width near full scale (a
// quadratic through 30000, 32700, 32767 gives 33063). Stored as they are,
// only their low bytes would survive and the overshoot would become a
// full-scale click of the opposite sign, so the resampler saturates every
// interpolated value before storing it. Copied frames never pass here.
#pragma once

#include <algorithm>
#include <cstdint>

namespace zelvanor {

template <int kWidth>
constexpr std::int32_t SaturateToWidth(std::int32_t value) {
  static_assert(kWidth == 2 || kWidth == 3, "sample values are 16 or 24 bits");
  constexpr std::int32_t kMax = (std::int32_t{1} << (8 * kWidth - 1)) - 1;
  constexpr std::int32_t kMin = -kMax - 1;
  return std::clamp(value, kMin, kMax);
}

// The same for a width known only at run time (2 or 3 bytes).
constexpr std::int32_t SaturateToWidth(std::int32_t value, int width) {
  return width == 3 ? SaturateToWidth<3>(value) : SaturateToWidth<2>(value);
}

}  // namespace zelvanor
