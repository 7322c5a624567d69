#include "output/band_limited_kernel.h"

#include <cstring>

namespace zelvanor {
namespace {

#if defined(__GNUC__) || defined(__clang__)
// Eight floats as one value. Operations act lane by lane with IEEE single
// precision, whatever registers the compiler maps them onto.
typedef float Lanes __attribute__((vector_size(32)));
#define ZELVANOR_ALWAYS_INLINE __attribute__((always_inline)) inline
#define ZELVANOR_UNROLL _Pragma("GCC unroll 8")
ZELVANOR_ALWAYS_INLINE void Load(Lanes& lanes, const float* values) { std::memcpy(&lanes, values, sizeof lanes); }
#else
struct Lanes {
  float lane[8] = {};
  float operator[](int i) const { return lane[i]; }
  friend Lanes operator+(Lanes a, const Lanes& b) {
    for (int i = 0; i < 8; ++i) a.lane[i] = a.lane[i] + b.lane[i];
    return a;
  }
  friend Lanes operator*(Lanes a, const Lanes& b) {
    for (int i = 0; i < 8; ++i) a.lane[i] = a.lane[i] * b.lane[i];
    return a;
  }
  friend Lanes operator+(Lanes a, float b) {
    for (int i = 0; i < 8; ++i) a.lane[i] = a.lane[i] + b;
    return a;
  }
};
#define ZELVANOR_ALWAYS_INLINE inline
#define ZELVANOR_UNROLL
inline void Load(Lanes& lanes, const float* values) {
  for (int i = 0; i < 8; ++i) lanes.lane[i] = values[i];
}
#endif

// The eight lanes summed in a fixed order.
ZELVANOR_ALWAYS_INLINE float Total(const Lanes& lanes) {
  return ((lanes[0] + lanes[4]) + (lanes[1] + lanes[5])) + ((lanes[2] + lanes[6]) + (lanes[3] + lanes[7]));
}

struct Limits {
  double low;
  double high;
  explicit Limits(int width) : low(width == 3 ? -8388608.0 : -32768.0), high(width == 3 ? 8388607.0 : 32767.0) {}
};

// Round to nearest (halves to even) by the double format's own rounding:
// adding 1.5 * 2^52 leaves no bits below the unit. Exact for the sums the
// kernel makes (far below 2^51), and unlike truncation after + 0.5 it
// treats negative values like positive ones.
constexpr double kRoundingShift = 6755399441055744.0;

ZELVANOR_ALWAYS_INLINE std::int32_t RoundAndSaturate(float sum, const Limits& limits, std::uint64_t& clipped) {
  const double rounded = (static_cast<double>(sum) + kRoundingShift) - kRoundingShift;
  if (rounded < limits.low) {
    ++clipped;
    return static_cast<std::int32_t>(limits.low);
  }
  if (rounded > limits.high) {
    ++clipped;
    return static_cast<std::int32_t>(limits.high);
  }
  return static_cast<std::int32_t>(rounded);
}

// Each tap's coefficient is the row's plus the blend times the step to the
// next row, computed once per frame and used for every channel. Two groups
// of eight lanes per channel keep the additions' chains short.
template <int kChannels>
ZELVANOR_ALWAYS_INLINE std::uint64_t FilterFrames(const BandLimitedTable& table, const BandLimitedBlock& block,
                                                  const Limits& limits) {
  const int taps = table.taps();
  std::uint64_t clipped = 0;
  for (int k = 0; k < block.count; ++k) {
    const float* const row = table.Row(block.phases[k]);
    const float* const step = row + taps;
    const Lanes blend = Lanes{} + block.blends[k];
    Lanes low[kChannels];
    Lanes high[kChannels];
    ZELVANOR_UNROLL for (int c = 0; c < kChannels; ++c) {
      low[c] = Lanes{};
      high[c] = Lanes{};
    }
    for (int t = 0; t < taps; t += 16) {
      Lanes row_low, row_high, step_low, step_high;
      Load(row_low, row + t);
      Load(row_high, row + t + 8);
      Load(step_low, step + t);
      Load(step_high, step + t + 8);
      const Lanes coefficient_low = row_low + blend * step_low;
      const Lanes coefficient_high = row_high + blend * step_high;
      ZELVANOR_UNROLL for (int c = 0; c < kChannels; ++c) {
        const float* const values = block.windows[c] + block.offsets[k] + t;
        Lanes values_low, values_high;
        Load(values_low, values);
        Load(values_high, values + 8);
        low[c] = low[c] + values_low * coefficient_low;
        high[c] = high[c] + values_high * coefficient_high;
      }
    }
    ZELVANOR_UNROLL for (int c = 0; c < kChannels; ++c) {
      block.results[c][k] = RoundAndSaturate(Total(low[c] + high[c]), limits, clipped);
    }
  }
  return clipped;
}

}  // namespace

// Versions for AVX2 and AVX-512 where the compiler can pick one at load
// time; the operations are the same in each (no fused multiply-add: the
// build forbids contraction), so all give the same bytes.
#if defined(__x86_64__) && defined(__ELF__) && (defined(__GNUC__) || defined(__clang__)) && \
    !defined(ZELVANOR_NO_CPU_DISPATCH)
__attribute__((target_clones("avx512f", "avx2", "default")))
#endif
std::uint64_t FilterBandLimitedBlock(const BandLimitedTable& table, const BandLimitedBlock& block, int channels,
                                     int width) {
  const Limits limits(width);
  switch (channels) {
    case 1:
      return FilterFrames<1>(table, block, limits);
    case 2:
      return FilterFrames<2>(table, block, limits);
    case 3:
      return FilterFrames<3>(table, block, limits);
    default:
      return FilterFrames<4>(table, block, limits);
  }
}

}  // namespace zelvanor
