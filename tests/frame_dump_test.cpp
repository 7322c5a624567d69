// The sample values printed around cue points, the loop end and the end.
#include <gtest/gtest.h>

#include "analysis_harness.h"
#include "wave/analysis_steps.h"

namespace zelvanor::testing {
namespace {

std::string Title(const std::string& name) {
  return "\n===== Cuepoint " + name + " ======================================\n";
}

// Stereo, 16 bits, 8 frames: channel 0 holds 100 × frame, channel 1 −frame.
Bytes EightStereoFrames() {
  std::vector<std::int32_t> values;
  for (int frame = 0; frame < 8; ++frame) {
    values.push_back(100 * frame);
    values.push_back(-frame);
  }
  return Pcm(values, 16);
}

const std::string kFramesAroundThree =
    "            0:         0         0 \n"
    "            1:       100        -1 \n"
    "            2:       200        -2 \n"
    "->          3:       300        -3 \n"
    "            4:       400        -4 \n"
    "            5:       500        -5 \n"
    "            6:       600        -6 \n"
    "            7:       700        -7 \n";

std::string Dump(const Bytes& image, const std::string& name, std::int32_t frame) {
  const AnalysisOutcome analysed = AnalyseImage(image, 0);
  EXPECT_TRUE(analysed.result);
  if (!analysed.result) return "";
  ::testing::internal::CaptureStdout();
  DumpFrameNeighbourhood(name, frame, image, *analysed.result);
  return ::testing::internal::GetCapturedStdout();
}

TEST(FrameDump, TenFramesAroundTheFrameThatExist) {
  const Bytes image = WaveBuilder().Fmt({.channels = 2}).Data(EightStereoFrames()).Build();
  EXPECT_EQ(Dump(image, "x", 3), Title("x") + kFramesAroundThree);
  EXPECT_EQ(Dump(image, "start", -4), Title("start") +
                                          "            0:         0         0 \n");
  EXPECT_EQ(Dump(image, "edge", 12), Title("edge") + "            7:       700        -7 \n");
  EXPECT_EQ(Dump(image, "beyond", 13), Title("beyond"));
  EXPECT_EQ(Dump(image, "far", -2147483647 - 1), Title("far"));
  EXPECT_EQ(Dump(image, "top", 2147483647), Title("top"));
}

TEST(FrameDump, NothingWithoutFormat) {
  ::testing::internal::CaptureStdout();
  DumpFrameNeighbourhood("x", 3, Bytes(16, 0), SourceAnalysis{});
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
}

TEST(FrameDump, TwentyFourBitValuesAreSignExtended) {
  const Bytes image =
      WaveBuilder().Fmt({.bits = 24}).Data(Pcm({-8388608, 8388607, -1}, 24)).Build();
  EXPECT_EQ(Dump(image, "v", 1), Title("v") +
                                     "            0:  -8388608 \n"
                                     "->          1:   8388607 \n"
                                     "            2:        -1 \n");
}

TEST(FrameDump, OnlyFramesInsideTheAudioAreRead) {
  // A second fmt chunk widens the frames after the audio was counted.
  const Bytes image =
      WaveBuilder().Fmt({}).Data(Pcm({1, 2, 3, 4}, 16)).Fmt({.channels = 4, .bits = 24}).Build();
  EXPECT_EQ(Dump(image, "w", 0), Title("w"));
}

TEST(FrameDump, AtVerbosityFiveEveryCuePointThenLoopEndThenVeryEnd) {
  const std::string long_label(120, 'L');
  const Bytes image = WaveBuilder()
                          .Fmt({.channels = 2})
                          .Data(EightStereoFrames())
                          .Cue({{.id = 9, .offset = 3}, {.id = 2, .offset = 40}, {.id = 150, .offset = 1}})
                          .Smpl({{.id = 1, .start = 1, .end = 6}})
                          .Adtl({Labl(2, "Attack"), Labl(7, "no cue"), Labl(9, long_label)})
                          .Build();
  const AnalysisOutcome v4 = AnalyseImage(image, 4);
  EXPECT_EQ(v4.output.find("====="), std::string::npos);
  const AnalysisOutcome v5 = AnalyseImage(image, 5);
  const std::size_t first = v5.output.find("\n=====");
  ASSERT_NE(first, std::string::npos);
  EXPECT_EQ(v5.output.substr(first),
            Title("Attack") + Title(std::string(99, 'L')) + kFramesAroundThree + Title("loopend") +
                "            1:       100        -1 \n"
                "            2:       200        -2 \n"
                "            3:       300        -3 \n"
                "            4:       400        -4 \n"
                "            5:       500        -5 \n"
                "->          6:       600        -6 \n"
                "            7:       700        -7 \n" +
                Title("veryend") + kFramesAroundThree);
}

TEST(FrameDump, CuePointsNamedByIdWithoutLabel) {
  const Bytes image = WaveBuilder().Fmt({.channels = 2}).Data(EightStereoFrames()).Cue({{.id = 4, .offset = 50}}).Build();
  const AnalysisOutcome outcome = AnalyseImage(image, 5);
  EXPECT_TRUE(outcome.output.ends_with(Title("4") + Title("veryend") + kFramesAroundThree));
}

}  // namespace
}  // namespace zelvanor::testing
