#include "examples/example_pipes.h"

#include <gtest/gtest.h>

#include <set>

#include "pipe_fixtures.h"

namespace zelvanor::testing {
namespace {

TEST(ExamplePipes, CommittedPipesAreWhatTheGeneratorWrites) {
  // The demo's pipes can be rebuilt by anyone: same bytes on every platform.
  const std::vector<examples::NamedPipe> set = examples::PlanSet({});
  ASSERT_EQ(set.size(), 4u);
  for (const examples::NamedPipe& planned : set) {
    SCOPED_TRACE(planned.file_name);
    const Bytes committed = ReadFile(std::filesystem::path(ZELVANOR_SOURCE_DIR) / "examples" / "pipes" /
                                     planned.file_name);
    EXPECT_TRUE(committed == examples::SynthesizePipe(planned.spec).bytes);
    EXPECT_LT(committed.size(), 200000u);
  }
}

TEST(ExamplePipes, NamesCarryTheNote) {
  EXPECT_EQ(examples::PipeFileName(36), "036-C.wav");
  EXPECT_EQ(examples::PipeFileName(49), "049-C#.wav");
  EXPECT_EQ(examples::PipeFileName(108), "108-C.wav");
  examples::SetSpec big;
  big.count = 300;
  std::set<std::string> names;
  for (const examples::NamedPipe& planned : examples::PlanSet(big)) {
    EXPECT_GE(planned.spec.note, 24);
    EXPECT_LE(planned.spec.note, 108);
    EXPECT_EQ(planned.file_name.substr(0, 4), examples::PipeFileName(planned.spec.note).substr(0, 4));
    names.insert(planned.file_name);
  }
  EXPECT_EQ(names.size(), 300u);
}

TEST(ExamplePipes, AnalysisFindsLoopReleaseAndLabels) {
  for (const examples::NamedPipe& planned : examples::PlanSet({})) {
    SCOPED_TRACE(planned.file_name);
    const examples::Pipe pipe = examples::SynthesizePipe(planned.spec);
    const SourceAnalysis analysis = AnalyseQuietly(pipe.bytes);
    EXPECT_EQ(analysis.frame_count, static_cast<std::int32_t>(pipe.markers.frames));
    EXPECT_EQ(analysis.layout.bytes_per_sample * 8, planned.spec.bits);
    EXPECT_EQ(analysis.layout.channels, planned.spec.channels);
    EXPECT_EQ(analysis.loop_end, pipe.markers.loop_end);
    EXPECT_EQ(analysis.release_start, pipe.markers.release_start);
    EXPECT_EQ(analysis.cut_first, pipe.markers.loop_end + 10);
    EXPECT_EQ(analysis.cut_limit, pipe.markers.release_start - 10);
    EXPECT_TRUE(analysis.cues[1].label_text && analysis.cues[2].label_text && analysis.cues[2].ltxt);
  }
}

}  // namespace
}  // namespace zelvanor::testing
