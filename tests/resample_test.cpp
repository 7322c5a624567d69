// The resampler: the kernels' arithmetic, the walk's shortcut against the
// step-by-step walk, and the data chunk's edges. The fingerprint test holds
// every byte of realistic and full-scale outputs, the block kernels' too.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "output/band_limited_table.h"
#include "output/interpolation_kernels.h"
#include "output/resample_data_chunk.h"
#include "common/series_math.h"
#include "output/source_walk.h"
#include "test_support.h"
#include "wave/sample_access.h"

namespace zelvanor::testing {
namespace {

std::int32_t Interpolate(int quality, const KernelWindow& w, double r) {
  if (quality == 0) return LinearKernel::Interpolate(w, r);
  return quality == 1 ? QuadraticKernel::Interpolate(w, r) : HyperbolicKernel::Interpolate(w, r);
}

// Windows x-1, x0, x1, x2: Q=0 reads x0 and x1, Q=1 x-1 to x1, Q=2 all.
TEST(InterpolationKernelsTest, WorkedValues) {
  const struct {
    int quality;
    KernelWindow w;
    double r;
    std::int32_t expected;
  } rows[] = {
      {0, {0, 200, 260, 0}, 0.25, 215}, {1, {100, 200, 260, 0}, 0.25, 219}, {2, {100, 200, 260, 240}, 0.25, 220},
      // +0.5, then truncation toward zero: -2.25 gives -2, not the nearest -3.
      {0, {0, 0, -11, 0}, 0.25, -2}, {1, {-5, -5, -5, 0}, 0.3, -4}, {2, {-1, -1, -1, -1}, 0.7, 0},
      // The linear kernel rounds the increment only; x0 is added afterwards.
      {0, {0, 3, 0, 0}, 0.75, 2}, {0, {0, -100, -111, 0}, 0.25, -102},
      // At r = 1: x1, or x1 + 1 where the rounding goes toward zero.
      {0, {0, 10, 3, 0}, 1.0, 4}, {0, {0, -10, -30, 0}, 1.0, -29}, {1, {50, 10, 3, 0}, 1.0, 3},
      {1, {-50, -10, -30, 0}, 1.0, -29}, {2, {-50, -10, -30, 7}, 1.0, -29},
      // Overshoot is returned unclamped: callers saturate.
      {1, {30000, 32700, 32767, 0}, 0.5, 33063}, {1, {-30000, -32700, -32767, 0}, 0.5, -33062},
      // The higher kernels take the position as a float (in double these
      // come out one lower); the linear one keeps the double.
      {2, {0, 0, 3209517, 3209517}, 0.1, 282438}, {1, {0, 0, 373009, 0}, 0.1, 20516},
      {0, {0, 0, 8000000, 0}, 0.1, 800000},
      // x2 = x1, the stand-in at the end of the audio, goes into the full cubic.
      {2, {100, 200, 260, 260}, 0.75, 250}, {2, {100, 200, 260, 240}, 0.75, 251},
  };
  for (const auto& [quality, w, r, expected] : rows) {
    EXPECT_EQ(Interpolate(quality, w, r), expected)
        << "Q=" << quality << " " << w.previous << " " << w.current << " " << w.next << " " << w.after_next << " " << r;
  }
}

// Every coefficient of the Q=3 table decides output bits on some pipe, the logarithm the cents of its loop line.
TEST(BandLimitedTableTest, KeepsItsRecordedCoefficients) {
  std::string digests = zelvanor::Format("%.17g ", series::NaturalLog(1.5));
  for (const double factor : {1.0, 1.05, 1.5, 4.03}) {  // every factor up to 1 gives the first table
    const BandLimitedTable table(factor);
    const std::span<const float> values(table.Row(0), 2 * table.taps() * BandLimitedTable::kPhases);
    std::string text;
    for (const float value : values) text += zelvanor::Format("%a\n", value);
    Transcribed(zelvanor::Format("factor %g", factor), text);  // digested as bytes
    digests += Digest(std::as_bytes(values)) + " ";
  }
  EXPECT_EQ(digests, "0.40546510810816438 aa9bd87474d9c798 1fb87d2acdbfb2c6 12fe13a562fe48bb c352667507fc39ea ");
}

// The walk's shortcut (one addition per frame) must give the very doubles
// and frames of the step-by-step walk, and read nothing past the body.
TEST(SourceWalkTest, ShortcutGivesTheStepByStepWalk) {
  const auto walk = [](std::uint64_t frames, double factor, const CutRegion& cut, bool shortcut) {
    SourceWalk<4> source(frames, factor, cut);  // 16-bit stereo
    const auto outputs = static_cast<std::size_t>(
        std::max<std::int64_t>(ScalePosition(static_cast<std::uint32_t>(frames) - cut.length(), factor) - 2, 0));
    std::vector<std::tuple<double, std::int64_t, std::int64_t, std::int64_t, std::int64_t>> steps;
    while (steps.size() < outputs) {
      const std::size_t left = std::min<std::size_t>(outputs - steps.size(), 300);
      const std::int64_t regular = shortcut ? source.RegularFrames(static_cast<std::int64_t>(left)) : 0;
      source.AdvanceRegular(regular, [&](std::int64_t, double r, std::int64_t at) {
        steps.emplace_back(r, at - 4, at, at + 4, at + 8);
      });
      if (regular > 0) continue;
      const double r = source.Advance();
      const TapOffsets taps = source.Taps();
      steps.emplace_back(r, taps.previous, taps.current, taps.next, taps.after_next);
    }
    for (const auto& step : steps) EXPECT_LT(std::get<4>(step), static_cast<std::int64_t>(frames) * 4);
    steps.emplace_back(0.0, 0, source.AdvanceToLast(), 0, 0);
    return steps;
  };
  std::vector<std::tuple<std::uint64_t, double, CutRegion>> cases;
  for (const double factor : {0.2, 0.4, 0.4999, 0.5, 0.73, 1.0, 1.0594631, 1.5, 2.0, 2.0000001, 3.0, 3.99, 4.03}) {
    for (const std::uint64_t frames : {2u, 3u, 5u, 12u, 20000u}) cases.emplace_back(frames, factor, CutRegion{});
    cases.emplace_back(20000, factor, CutRegion{5010, 9990});
  }
  std::mt19937 random(3);
  std::uniform_real_distribution<double> factors(0.2, 4.03);
  for (std::uint32_t round = 0; round < 60; ++round) {
    cases.emplace_back(12000, factors(random), round % 2 ? CutRegion{3000, 3000 + 100 * round} : CutRegion{});
  }
  for (const auto& [frames, factor, cut] : cases) {
    ASSERT_TRUE(walk(frames, factor, cut, true) == walk(frames, factor, cut, false)) << frames << " frames, " << factor;
  }
}

// Channel 0 of the data chunk written from `body` (silence included), and
// what was printed.
std::pair<std::vector<std::int32_t>, std::string> Resample(const Bytes& body, int bits, int channels, double factor,
                                                           const Settings& settings) {
  const SourceAnalysis analysis = AnalysisFor(bits, channels);
  const ExactBuffer exact(body);
  MemorySink sink;
  Outcome outcome;
  Capture(outcome, [&] { ResampleDataChunk(MakeRetuneJob({}, analysis, settings, factor), exact.span(), sink); });
  std::vector<std::int32_t> values;
  for (std::size_t at = 8; at + bits / 8 <= 8 + LoadU32le(sink.bytes().data() + 4); at += bits / 8 * channels) {
    values.push_back(ReadSampleValue(sink.bytes().data() + at, bits / 8));
  }
  return {values, outcome.output};
}

// Frame k holds k * step + channel.
std::vector<std::int32_t> Ramp(int frames, int step, int channels = 1) {
  std::vector<std::int32_t> values;
  for (int i = 0; i < frames * channels; ++i) values.push_back(i / channels * step + i % channels);
  return values;
}

TEST(ResampleDataChunkTest, FramesAtTheEdges) {
  const struct {
    std::string name;
    Bytes body;
    int bits, channels, quality;
    double factor;
    std::vector<std::int32_t> expected;
    std::string text = "";
    int dummy_loop = 0;
  } rows[] = {
      {"factor 1 repeats the second-to-last frame", Pcm(Ramp(6, 300, 2), 16), 16, 2, 0, 1,
       {0, 300, 600, 900, 1200, 1200}},
      {"where the signal falls, linear lands one above", Pcm({100, 90, 80, 70}, 16), 16, 1, 0, 1, {100, 91, 81, 80}},
      {"the last frame copies the one before its position", Pcm(Ramp(11, 100), 24), 24, 1, 2, 1.5,
       {0, 150, 300, 450, 600, 750, 800}},
      {"two frames: the first and the last copied", Pcm({7, 8, 9}, 16), 16, 1, 2, 1.5, {7, 8}},
      {"one frame", Pcm({11, 12}, 16), 16, 2, 2, 1.0, {11}},
      {"no frame", Pcm({11, 12}, 16), 16, 2, 2, 2.5, {}},
      {"silence alone", {}, 16, 1, 2, 1.0, std::vector<std::int32_t>(10, 0), "", 10},
      {"one frame stretched stands in for its neighbours", Pcm({-400}, 16), 16, 1, 2, 0.2,
       {-400, -399, -399, -399, -400}},
      {"overshoot saturated", Pcm({30000, 32700, 32767, 32767}, 16), 16, 1, 1, 1.5, {30000, 32767, 32767}},
      {"24-bit overshoot", Pcm({30000 << 8, 32700 << 8, 32767 << 8, 32767 << 8}, 24), 24, 1, 1, 1.5,
       {30000 << 8, 8388607, 32767 << 8}},
      {"a partial frame is never read", Pcm({0, 1, 100, 101, 200, 201, 300, 301, 31000}, 16), 16, 2, 2, 1.0,
       {0, 100, 200, 200}, "data segment must contain complete samples\n"},
      {"an odd byte", {1, 2, 3}, 16, 1, 2, 1.0, {513}, "length of data chunk must be divisible by BytesPerSample\n"},
  };
  for (const auto& row : rows) {
    const Settings settings{.quality = row.quality, .dummy_loop_length = row.dummy_loop};
    EXPECT_EQ(Resample(row.body, row.bits, row.channels, row.factor, settings),
              std::pair(row.expected, row.text)) << row.name;
  }
}

}  // namespace
}  // namespace zelvanor::testing
