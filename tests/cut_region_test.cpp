// ReleaseStart and the cut: the stretch between loop and release left out.
#include <gtest/gtest.h>

#include "analysis_harness.h"

namespace zelvanor::testing {
namespace {

const std::string kRemovable = "Samples between 50010 and 50990 may be removed\n";

// 100 frames of 16-bit mono audio, so the region's default is 101.
WaveBuilder Pipe() { return WaveBuilder().Fmt({}).Data(Bytes(200, 0)); }

TEST(CutRegion, GapOfThousandFramesIsRemovable) {
  const Bytes image =
      Pipe().Smpl({{.id = 1, .start = 100, .end = 50000}}).Cue({{.id = 1, .offset = 0}, {.id = 2, .offset = 51000}}).Build();
  const AnalysisOutcome outcome = AnalyseImage(image, 3);
  ASSERT_TRUE(outcome.result);
  EXPECT_EQ(outcome.result->loop_end, 50000u);
  EXPECT_EQ(outcome.result->release_start, 51000u);
  EXPECT_EQ(outcome.result->cut_first, 50010u);
  EXPECT_EQ(outcome.result->cut_limit, 50990u);
  EXPECT_TRUE(outcome.output.ends_with(kRemovable));
  EXPECT_EQ(AnalyseImage(image, 2).output, "");

  // Kept: the same region, but nothing is announced.
  const AnalysisOutcome kept = AnalyseImage(image, 3, /*keep_unused_part=*/true);
  ASSERT_TRUE(kept.result);
  EXPECT_EQ(kept.result->cut_first, 50010u);
  EXPECT_EQ(kept.result->cut_limit, 50990u);
  EXPECT_EQ(kept.output.find("may be removed"), std::string::npos);
}

TEST(CutRegion, GapOfNineHundredNinetyNineKeepsTheDefaults) {
  const Bytes image =
      Pipe().Smpl({{.id = 1, .end = 50000}}).Cue({{.id = 1, .offset = 0}, {.id = 2, .offset = 50999}}).Build();
  const AnalysisOutcome outcome = AnalyseImage(image, 3);
  ASSERT_TRUE(outcome.result);
  EXPECT_EQ(outcome.result->release_start, 50999u);
  EXPECT_EQ(outcome.result->cut_first, 101u);
  EXPECT_EQ(outcome.result->cut_limit, 0u);
  EXPECT_EQ(outcome.output.find("may be removed"), std::string::npos);
}

TEST(CutRegion, NearestCueBehindTheLoopEndWhateverTheOrder) {
  // A cue point exactly at the loop end is no release candidate; neither is
  // one whose id has no slot.
  const std::vector<CuePoint> cues = {{.id = 3, .offset = 52000}, {.id = 150, .offset = 50500},
                                      {.id = 1, .offset = 50000}, {.id = 2, .offset = 51000},
                                      {.id = 4, .offset = 20}};
  const std::vector<Loop> loops = {{.id = 1, .end = 30000}, {.id = 2, .end = 50000}};
  const std::vector<Loop> reversed = {{.id = 2, .end = 50000}, {.id = 1, .end = 30000}};
  for (const Bytes& image : {Pipe().Smpl(loops).Cue(cues).Build(), Pipe().Cue(cues).Smpl(reversed).Build(),
                             Pipe().Smpl({loops[0]}).Cue(cues).Smpl({loops[1]}).Build()}) {
    const AnalysisOutcome outcome = AnalyseImage(image, 3);
    ASSERT_TRUE(outcome.result);
    EXPECT_EQ(outcome.result->loop_end, 50000u);
    EXPECT_EQ(outcome.result->release_start, 51000u);
    EXPECT_TRUE(outcome.output.ends_with(kRemovable));
  }
}

TEST(CutRegion, NothingWithoutALoop) {
  const std::vector<CuePoint> cues = {{.id = 1, .offset = 10}, {.id = 2, .offset = 60000}};
  for (const Bytes& image : {Pipe().Cue(cues).Build(), Pipe().Cue(cues).Smpl({}).Build()}) {
    const AnalysisOutcome outcome = AnalyseImage(image, 5);
    ASSERT_TRUE(outcome.result);
    EXPECT_EQ(outcome.result->loop_end, 0u);
    EXPECT_EQ(outcome.result->release_start, 0u);
    EXPECT_EQ(outcome.result->cut_first, 101u);
    EXPECT_EQ(outcome.result->cut_limit, 0u);
    EXPECT_EQ(outcome.output.find("loopend"), std::string::npos);
  }
}

TEST(CutRegion, DefaultsWithoutAudio) {
  const AnalysisOutcome outcome =
      AnalyseImage(WaveBuilder().Smpl({{.end = 500}}).Cue({{.id = 1, .offset = 900}}).Build(), 0);
  ASSERT_TRUE(outcome.result);
  EXPECT_EQ(outcome.result->release_start, 900u);
  EXPECT_EQ(outcome.result->cut_first, 0u);
  EXPECT_EQ(outcome.result->cut_limit, 0u);
}

TEST(CutRegion, LoopEndNearTheTopOfTheRange) {
  // No release can lie 1000 frames behind this loop end, so nothing wraps.
  const AnalysisOutcome outcome =
      AnalyseImage(Pipe().Smpl({{.end = 0xFFFFFFF0u}}).Cue({{.id = 1, .offset = 0xFFFFFFFFu}}).Build(), 0);
  ASSERT_TRUE(outcome.result);
  EXPECT_EQ(outcome.result->release_start, 0xFFFFFFFFu);
  EXPECT_EQ(outcome.result->cut_limit, 0u);
}

}  // namespace
}  // namespace zelvanor::testing
