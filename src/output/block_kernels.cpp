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
std::int32_t PerValueKernel(const BlockTaps& taps, const double* positions, int k) {
  KernelWindow window;
  if constexpr (Kernel::kTaps >= 3) window.previous = taps.previous[k];
  window.current = taps.current[k];
  window.next = taps.next[k];
  if constexpr (Kernel::kTaps == 4) window.after_next = taps.after_next[k];
  return Kernel::Interpolate(window, positions[k]);
}

template <class Kernel>
int InterpolateValueByValue(const BlockTaps& taps, const double* positions, int count, int width,
                            std::int32_t* out) {
  int saturated = 0;
  for (int k = 0; k < count; ++k) {
    const std::int32_t value = PerValueKernel<Kernel>(taps, positions, k);
    out[k] = SaturateToWidth(value, width);
    saturated += static_cast<int>(out[k] != value);
  }
  return saturated;
}

bool ResultsOnLimit(const std::int32_t* out, int count, int width);

// How many of a block's results were saturated. Only a result that lies
// on a limit can have been, and outside hot pipes there are none, so one
// pass of integer comparisons settles most blocks; the few results on a
// limit are computed again with the per-value kernel, which tells a
// saturated value from one that lay exactly on the limit. (Counting inside
// the kernels' loops would slow them by a third.)
template <class Kernel>
int SaturatedResults(const BlockTaps& taps, const double* positions, int count, int width,
                     const std::int32_t* out) {
  if (!ResultsOnLimit(out, count, width)) return 0;
  const std::int32_t high = width == 3 ? 8388607 : 32767;
  const std::int32_t low = -high - 1;
  int saturated = 0;
  for (int k = 0; k < count; ++k) {
    if (out[k] == low || out[k] == high) {
      saturated += static_cast<int>(PerValueKernel<Kernel>(taps, positions, k) != out[k]);
    }
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

namespace {

// A function of its own, so that it gets its own processor versions: inlined
// into the kernels it is not vectorised.
ZELVANOR_CPU_VERSIONS
bool ResultsOnLimit(const std::int32_t* out, int count, int width) {
  const std::int32_t high = width == 3 ? 8388607 : 32767;
  std::int32_t largest = 0;
  std::int32_t smallest = 0;
  for (int k = 0; k < count; ++k) {
    largest = std::max(largest, out[k]);
    smallest = std::min(smallest, out[k]);
  }
  return largest >= high || smallest < -high;
}

}  // namespace

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
  for (int k = 0; k < count; ++k) {
    const double s = LinearSum(x0[k], x1[k], r[k]);
    const auto increment =
        static_cast<double>(static_cast<std::int32_t>(std::min(std::max(s, -span), span)));
    // x0 plus the truncated increment: exact in double.
    result[k] = TruncateClamped(static_cast<double>(x0[k]) + increment, limits);
  }
  return SaturatedResults<LinearKernel>(taps, positions, count, width, out);
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
  for (int k = 0; k < count; ++k) {
    const double s = QuadraticSum(x_minus1[k], x0[k], x1[k], r[k]);
    result[k] = TruncateClamped(s, limits);
  }
  return SaturatedResults<QuadraticKernel>(taps, positions, count, width, out);
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
  for (int k = 0; k < count; ++k) {
    const double s = HyperbolicSum(x_minus1[k], x0[k], x1[k], x2[k], r[k]);
    result[k] = TruncateClamped(s, limits);
  }
  return SaturatedResults<HyperbolicKernel>(taps, positions, count, width, out);
}

}  // namespace zelvanor
