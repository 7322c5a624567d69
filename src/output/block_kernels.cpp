#include "output/block_kernels.h"

#include <algorithm>
#include <bit>

#include "output/interpolation_kernels.h"
#include "output/sample_saturation.h"

namespace zelvanor {
namespace {

// The saturation limits of a sample width, as doubles: clamping the sum
// before the conversion keeps every conversion in range (no undefined
// behaviour, whatever the inputs) and lets it vectorise.
struct Limits {
  double low;
  double high;
  explicit Limits(int width)
      : low(width == 3 ? -8388608.0 : -32768.0), high(width == 3 ? 8388607.0 : 32767.0) {}
};

// Truncation toward zero of a value already clamped to the sample range.
inline std::int32_t TruncateClamped(double s, const Limits& limits) {
  return static_cast<std::int32_t>(std::min(std::max(s, limits.low), limits.high));
}

// 1 when the truncation of s toward zero lies outside the sample range, so
// that TruncateClamped saturates it; counted apart from the value, in a form
// that vectorises along with it.
inline int SaturatedByTruncation(double s, const Limits& limits) {
  return static_cast<int>(s >= limits.high + 1.0) | static_cast<int>(s <= limits.low - 1.0);
}

// For doubles from +0 upward the bit patterns are ordered like the values;
// negative values and NaN have patterns above every one of them, so one
// unsigned comparison per position (which vectorises) finds them all.
bool PositionsInBlockRange(const double* positions, int count) {
  constexpr std::uint64_t kLimit = std::bit_cast<std::uint64_t>(kBlockMaxPosition);
  std::uint64_t outside = 0;
  for (int k = 0; k < count; ++k) {
    outside |= static_cast<std::uint64_t>(std::bit_cast<std::uint64_t>(positions[k]) > kLimit);
  }
  return outside == 0;
}

// The per-value kernel, saturated: for blocks outside the proven range.
template <class Kernel>
int InterpolateValueByValue(const BlockTaps& taps, const double* positions, int count, int width,
                            std::int32_t* out) {
  int saturated = 0;
  for (int k = 0; k < count; ++k) {
    KernelWindow window;
    if constexpr (Kernel::kTaps >= 3) window.previous = taps.previous[k];
    window.current = taps.current[k];
    window.next = taps.next[k];
    if constexpr (Kernel::kTaps == 4) window.after_next = taps.after_next[k];
    const std::int32_t value = Kernel::Interpolate(window, positions[k]);
    out[k] = SaturateToWidth(value, width);
    saturated += static_cast<int>(out[k] != value);
  }
  return saturated;
}

}  // namespace

// Where the compiler can make several versions of a function and pick one
// at load time by the processor, the block kernels also get versions for
// AVX2 and AVX-512: four or eight doubles per instruction instead of two.
// Each version performs the same IEEE operations in the same order (no fused
// multiply-add: the build forbids contraction), so all give the same bytes.
#if defined(__x86_64__) && defined(__ELF__) && (defined(__GNUC__) || defined(__clang__)) && \
    !defined(ZELVANOR_NO_CPU_DISPATCH)
#define ZELVANOR_CPU_VERSIONS __attribute__((target_clones("avx512f", "avx2", "default")))
#else
#define ZELVANOR_CPU_VERSIONS
#endif

// Every loop below computes the per-value kernel's sum (LinearSum,
// QuadraticSum, HyperbolicSum); only the final conversion and saturation are
// arranged differently (see the header).

ZELVANOR_CPU_VERSIONS
int InterpolateLinearBlock(const BlockTaps& taps, const double* positions, int count, int width,
                            std::int32_t* out) {
  if (!PositionsInBlockRange(positions, count)) {
    return InterpolateValueByValue<LinearKernel>(taps, positions, count, width, out);
  }
  const std::int32_t* __restrict x0 = taps.current;
  const std::int32_t* __restrict x1 = taps.next;
  const double* __restrict r = positions;
  std::int32_t* __restrict result = out;
  const Limits limits(width);
  // An increment beyond the width of the whole range saturates the sum
  // whatever x0 is, so clamping it there changes no result and keeps the
  // conversion in range.
  const double span = limits.high - limits.low + 1.0;
  int saturated = 0;
  for (int k = 0; k < count; ++k) {
    const double s = LinearSum(x0[k], x1[k], r[k]);
    const auto increment =
        static_cast<double>(static_cast<std::int32_t>(std::min(std::max(s, -span), span)));
    // x0 plus the truncated increment: exact in double, an integer.
    const double sum = static_cast<double>(x0[k]) + increment;
    result[k] = TruncateClamped(sum, limits);
    saturated += static_cast<int>(sum > limits.high) | static_cast<int>(sum < limits.low);
  }
  return saturated;
}

ZELVANOR_CPU_VERSIONS
int InterpolateQuadraticBlock(const BlockTaps& taps, const double* positions, int count, int width,
                               std::int32_t* out) {
  if (!PositionsInBlockRange(positions, count)) {
    return InterpolateValueByValue<QuadraticKernel>(taps, positions, count, width, out);
  }
  const std::int32_t* __restrict x_minus1 = taps.previous;
  const std::int32_t* __restrict x0 = taps.current;
  const std::int32_t* __restrict x1 = taps.next;
  const double* __restrict r = positions;
  std::int32_t* __restrict result = out;
  const Limits limits(width);
  int saturated = 0;
  for (int k = 0; k < count; ++k) {
    const double s = QuadraticSum(x_minus1[k], x0[k], x1[k], r[k]);
    result[k] = TruncateClamped(s, limits);
    saturated += SaturatedByTruncation(s, limits);
  }
  return saturated;
}

ZELVANOR_CPU_VERSIONS
int InterpolateHyperbolicBlock(const BlockTaps& taps, const double* positions, int count, int width,
                                std::int32_t* out) {
  if (!PositionsInBlockRange(positions, count)) {
    return InterpolateValueByValue<HyperbolicKernel>(taps, positions, count, width, out);
  }
  const std::int32_t* __restrict x_minus1 = taps.previous;
  const std::int32_t* __restrict x0 = taps.current;
  const std::int32_t* __restrict x1 = taps.next;
  const std::int32_t* __restrict x2 = taps.after_next;
  const double* __restrict r = positions;
  std::int32_t* __restrict result = out;
  const Limits limits(width);
  int saturated = 0;
  for (int k = 0; k < count; ++k) {
    const double s = HyperbolicSum(x_minus1[k], x0[k], x1[k], x2[k], r[k]);
    result[k] = TruncateClamped(s, limits);
    saturated += SaturatedByTruncation(s, limits);
  }
  return saturated;
}

}  // namespace zelvanor
