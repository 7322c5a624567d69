#include "output/source_walk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <random>
#include <vector>

namespace zelvanor {
namespace {

constexpr std::int64_t kFrameBytes = 4;  // 16-bit stereo

struct Step {
  std::uint64_t position_bits;  // r, compared bit for bit
  TapOffsets taps;
  bool operator==(const Step& other) const {
    return position_bits == other.position_bits && taps.previous == other.taps.previous &&
           taps.current == other.taps.current && taps.next == other.taps.next &&
           taps.after_next == other.taps.after_next;
  }
};

struct Walked {
  std::vector<Step> steps;
  std::int64_t last = 0;       // the frame the last output frame copies
  std::int64_t shortcuts = 0;  // frames taken by AdvanceRegular
};

// The format's steps one by one, as the reference.
Walked WalkStepByStep(std::uint64_t frames, double factor, const CutRegion& cut, std::int64_t outputs) {
  SourceWalk<kFrameBytes> walk(frames, factor, cut);
  Walked walked;
  for (std::int64_t k = 0; k < outputs; ++k) {
    const double r = walk.Advance();
    walked.steps.push_back({std::bit_cast<std::uint64_t>(r), walk.Taps()});
  }
  walked.last = walk.AdvanceToLast();
  return walked;
}

// As the resampler walks: regular stretches whenever the walk offers them.
Walked WalkWithShortcut(std::uint64_t frames, double factor, const CutRegion& cut, std::int64_t outputs) {
  SourceWalk<kFrameBytes> walk(frames, factor, cut);
  Walked walked;
  std::int64_t k = 0;
  while (k < outputs) {
    const std::int64_t regular = walk.RegularFrames(std::min<std::int64_t>(outputs - k, 300));
    if (regular > 0) {
      walk.AdvanceRegular(regular, [&](std::int64_t, double r, std::int64_t current) {
        const TapOffsets taps{current - kFrameBytes, current, current + kFrameBytes, current + 2 * kFrameBytes};
        walked.steps.push_back({std::bit_cast<std::uint64_t>(r), taps});
      });
      k += regular;
      walked.shortcuts += regular;
      continue;
    }
    const double r = walk.Advance();
    walked.steps.push_back({std::bit_cast<std::uint64_t>(r), walk.Taps()});
    ++k;
  }
  walked.last = walk.AdvanceToLast();
  return walked;
}

// Output frames 1 to N-2 as the resampler makes them.
std::int64_t InterpolatedFrames(std::uint64_t frames, double factor, const CutRegion& cut) {
  const std::uint32_t moved = static_cast<std::uint32_t>(frames) - cut.length();
  return ScalePosition(moved, factor) - 2;
}

void ExpectSameWalk(std::uint64_t frames, double factor, const CutRegion& cut) {
  const std::int64_t outputs = InterpolatedFrames(frames, factor, cut);
  const Walked reference = WalkStepByStep(frames, factor, cut, outputs);
  const Walked fast = WalkWithShortcut(frames, factor, cut, outputs);
  ASSERT_EQ(fast.steps.size(), reference.steps.size());
  for (std::size_t k = 0; k < reference.steps.size(); ++k) {
    ASSERT_TRUE(fast.steps[k] == reference.steps[k]) << "factor " << factor << ", output frame " << k + 1;
  }
  EXPECT_EQ(fast.last, reference.last) << "factor " << factor;
  // The shortcut carries almost the whole walk wherever it applies.
  if (factor >= 0.5) {
    EXPECT_GT(fast.shortcuts, outputs * 9 / 10) << "factor " << factor;
  } else {
    EXPECT_EQ(fast.shortcuts, 0) << "factor " << factor;
  }
}

// The shortcut's one addition per frame must give the very doubles of the
// format's subtract-then-add, for any factor; an error would show within a
// few thousand frames as a drifting position.
TEST(SourceWalkTest, ShortcutGivesTheSamePositionsAndFramesAsTheStepByStepWalk) {
  for (const double factor : {0.2, 0.4999, 0.5, 0.73, 1.0, 1.0594631, 1.5, 2.0, 2.0000001, 3.0, 3.99, 4.03}) {
    ExpectSameWalk(20000, factor, CutRegion{});
    ExpectSameWalk(20000, factor, CutRegion{5010, 9990});
  }
  std::mt19937 random(3);
  std::uniform_real_distribution<double> factors(0.2, 4.03);
  for (int round = 0; round < 60; ++round) {
    const double factor = factors(random);
    ExpectSameWalk(12000, factor, round % 2 == 0 ? CutRegion{} : CutRegion{3000, static_cast<std::uint32_t>(3000 + 100 * round)});
  }
}

TEST(SourceWalkTest, ShortFilesNeverTakeTheShortcutPastTheirEnd) {
  for (const std::uint64_t frames : {2u, 3u, 4u, 5u, 7u, 12u}) {
    for (const double factor : {0.2, 0.5, 1.0, 1.5, 4.03}) {
      const std::int64_t outputs = std::max<std::int64_t>(InterpolatedFrames(frames, factor, CutRegion{}), 0);
      const Walked reference = WalkStepByStep(frames, factor, CutRegion{}, outputs);
      const Walked fast = WalkWithShortcut(frames, factor, CutRegion{}, outputs);
      ASSERT_EQ(fast.steps.size(), reference.steps.size());
      for (std::size_t k = 0; k < reference.steps.size(); ++k) {
        EXPECT_TRUE(fast.steps[k] == reference.steps[k]) << frames << " frames, factor " << factor;
      }
      EXPECT_EQ(fast.last, reference.last);
      // Every read stays inside the body.
      for (const Step& step : fast.steps) {
        EXPECT_LT(step.taps.after_next, static_cast<std::int64_t>(frames) * kFrameBytes);
      }
    }
  }
}

}  // namespace
}  // namespace zelvanor
