// The three interpolation kernels over a block of output frames of one
// channel, saturated to the sample width: the resampler's hot loop. Each
// gives, value for value, exactly SaturateToWidth(InterpolateX(...)) for
// 16- and 24-bit values; they only avoid what keeps a compiler from
// vectorising the per-value form.
//
// Why the results agree (the block forms saturate in double before
// converting to int32, the per-value forms truncate through 64 bits, wrap
// to 32 and saturate): for sample values of at most 24 bits and positions
// 0 <= r <= kBlockMaxPosition, no kernel's sum before truncation reaches
// 2^31 in magnitude (the largest, hyperbolic at r = 5, stays below
// 228 * 2^23), so the wrap never happens and truncation and saturation
// commute. A block with a position outside that range (the resampler makes
// none: its positions lie in (0, 1] but for the last few frames of a chunk)
// is computed value by value with the per-value kernels.
#pragma once

#include <cstdint>

namespace zelvanor {

inline constexpr double kBlockMaxPosition = 5.0;

// The values x-1, x0, x1, x2 of `count` output frames of one channel; a
// kernel reads only the taps it uses (linear: current and next; quadratic:
// previous, current and next).
struct BlockTaps {
  const std::int32_t* previous = nullptr;
  const std::int32_t* current = nullptr;
  const std::int32_t* next = nullptr;
  const std::int32_t* after_next = nullptr;
};

// `width` is the sample width in bytes (2 or 3): results are saturated to
// it. Each returns how many of its results had to be saturated.
int InterpolateLinearBlock(const BlockTaps& taps, const double* positions, int count, int width,
                           std::int32_t* out);
int InterpolateQuadraticBlock(const BlockTaps& taps, const double* positions, int count, int width,
                              std::int32_t* out);
int InterpolateHyperbolicBlock(const BlockTaps& taps, const double* positions, int count, int width,
                               std::int32_t* out);

}  // namespace zelvanor
