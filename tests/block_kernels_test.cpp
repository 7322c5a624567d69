#include "output/block_kernels.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "output/interpolation_kernels.h"
#include "output/sample_saturation.h"

namespace zelvanor {
namespace {

// Taps and positions of one block, with the results the per-value kernels
// give once saturated: what every block kernel must reproduce exactly.
struct Block {
  std::vector<std::int32_t> previous, current, next, after_next;
  std::vector<double> positions;

  void Add(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d, double r) {
    previous.push_back(a);
    current.push_back(b);
    next.push_back(c);
    after_next.push_back(d);
    positions.push_back(r);
  }
  int size() const { return static_cast<int>(positions.size()); }
  BlockTaps taps() const { return {previous.data(), current.data(), next.data(), after_next.data()}; }
};

using BlockFunction = int (*)(const BlockTaps&, const double*, int, int, std::int32_t*);

struct KernelCase {
  const char* name;
  BlockFunction block;
  std::int32_t (*value)(const KernelWindow&, double);
};

const KernelCase kKernels[] = {
    {"linear", &InterpolateLinearBlock, &LinearKernel::Interpolate},
    {"quadratic", &InterpolateQuadraticBlock, &QuadraticKernel::Interpolate},
    {"hyperbolic", &InterpolateHyperbolicBlock, &HyperbolicKernel::Interpolate},
};

void ExpectSameAsPerValueKernels(const Block& block, int width) {
  for (const KernelCase& kernel : kKernels) {
    std::vector<std::int32_t> got(static_cast<std::size_t>(block.size()), 0x5A5A5A5A);
    kernel.block(block.taps(), block.positions.data(), block.size(), width, got.data());
    for (int k = 0; k < block.size(); ++k) {
      const KernelWindow window{block.previous[k], block.current[k], block.next[k], block.after_next[k]};
      const std::int32_t expected = SaturateToWidth(kernel.value(window, block.positions[k]), width);
      ASSERT_EQ(got[k], expected) << kernel.name << ", width " << width << ", frame " << k << ": "
                                  << window.previous << " " << window.current << " " << window.next << " "
                                  << window.after_next << " at " << block.positions[k];
    }
  }
}

std::int32_t Highest(int width) { return width == 3 ? 8388607 : 32767; }

// Random values over the whole range and positions where the resampler puts
// them; an odd count, so the vector loops' tails are covered too.
TEST(BlockKernelsTest, RandomValuesAndPositionsGiveThePerValueResults) {
  std::mt19937 random(42);
  for (const int width : {2, 3}) {
    const std::int32_t high = Highest(width);
    std::uniform_int_distribution<std::int32_t> value(-high - 1, high);
    std::uniform_real_distribution<double> position(0.0, 1.0);
    for (int round = 0; round < 20; ++round) {
      Block block;
      for (int k = 0; k < 509; ++k) {
        const double r = k % 97 == 0 ? 1.0 : position(random) + 1e-9;
        block.Add(value(random), value(random), value(random), value(random), r);
      }
      ExpectSameAsPerValueKernels(block, width);
    }
  }
}

// Full-scale square waves overshoot most; at the largest position the block
// forms take, the sums come closest to the 32-bit range.
TEST(BlockKernelsTest, FullScaleExtremesUpToTheLargestBlockPosition) {
  for (const int width : {2, 3}) {
    const std::int32_t high = Highest(width);
    const std::int32_t low = -high - 1;
    const std::int32_t levels[] = {low, low + 1, -1, 0, 1, high - 1, high};
    const double positions[] = {0.0, 1e-12, 0.1, 0.5, 0.999999, 1.0, 2.5, 4.03, kBlockMaxPosition};
    Block block;
    for (const std::int32_t a : levels)
      for (const std::int32_t b : levels)
        for (const std::int32_t c : levels)
          for (const std::int32_t d : levels)
            for (const double r : positions) block.Add(a, b, c, d, r);
    ExpectSameAsPerValueKernels(block, width);
  }
}

// A position beyond the proven range sends the whole block the per-value
// way, with the 32-bit wrap the per-value kernels have there.
TEST(BlockKernelsTest, PositionsOutsideTheRangeAreComputedValueByValue) {
  for (const int width : {2, 3}) {
    const std::int32_t high = Highest(width);
    Block block;
    for (int k = 0; k < 40; ++k) {
      const std::int32_t sign = k % 2 == 0 ? 1 : -1;
      block.Add(sign * high, -sign * high, sign * high, -sign * high, k == 17 ? 60.0 : 0.25 + 0.01 * k);
    }
    block.Add(high, -high, high, -high, -0.5);
    ExpectSameAsPerValueKernels(block, width);
  }
}

TEST(BlockKernelsTest, EmptyBlockWritesNothing) {
  std::int32_t untouched = 7;
  for (const KernelCase& kernel : kKernels) {
    kernel.block(BlockTaps{}, nullptr, 0, 2, &untouched);
    EXPECT_EQ(untouched, 7) << kernel.name;
  }
}

}  // namespace
}  // namespace zelvanor
