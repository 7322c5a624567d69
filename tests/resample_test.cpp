// The resampler: the kernels' arithmetic, the block kernels and the walk's
// shortcut against their reference forms, the fast sample reads, and the
// data chunk's frames at its edges.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "output/block_kernels.h"
#include "output/interpolation_kernels.h"
#include "output/resample_data_chunk.h"
#include "output/sample_saturation.h"
#include "output/source_walk.h"
#include "wave/sample_access.h"
#include "test_support.h"

namespace zelvanor::testing {
namespace {

std::int32_t Interpolate(int quality, const KernelWindow& w, double r) {
  if (quality == 0) return LinearKernel::Interpolate(w, r);
  return quality == 1 ? QuadraticKernel::Interpolate(w, r) : HyperbolicKernel::Interpolate(w, r);
}

// Window x-1, x0, x1, x2: linear reads x0 and x1, quadratic x-1 to x1.
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
      // Unclamped overshoot: callers saturate.
      {1, {30000, 32700, 32767, 0}, 0.5, 33063}, {1, {-30000, -32700, -32767, 0}, 0.5, -33062},
      // The higher kernels take the position as a float (in double these
      // come out one lower); the linear one keeps the double.
      {2, {0, 0, 3209517, 3209517}, 0.1, 282438}, {1, {0, 0, 373009, 0}, 0.1, 20516},
      {0, {0, 0, 8000000, 0}, 0.1, 800000},
      // x2 = x1, the resampler's stand-in at the end of the audio, still
      // goes into the full cubic.
      {2, {100, 200, 260, 260}, 0.75, 250}, {2, {100, 200, 260, 240}, 0.75, 251},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(Interpolate(row.quality, row.w, row.r), row.expected)
        << "Q=" << row.quality << " " << row.w.previous << " " << row.w.current << " " << row.w.next << " "
        << row.w.after_next << " at " << row.r;
  }
}

// The block kernels give, value for value, the per-value results saturated:
// on random values and positions (an odd count, so the vector loops' tails
// are covered), on every full-scale combination up to the largest block
// position, and on blocks with a position outside the range, which go the
// per-value way, 32-bit wrap and all.
TEST(BlockKernelsTest, GiveThePerValueResultsSaturated) {
  std::mt19937 random(42);
  for (const int width : {2, 3}) {
    const std::int32_t high = width == 3 ? 8388607 : 32767;
    std::vector<std::vector<std::int32_t>> taps(4);
    std::vector<double> positions;
    const auto add = [&](std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d, double r) {
      const std::int32_t window[] = {a, b, c, d};
      for (int tap = 0; tap < 4; ++tap) taps[tap].push_back(window[tap]);
      positions.push_back(r);
    };
    std::uniform_int_distribution<std::int32_t> value(-high - 1, high);
    std::uniform_real_distribution<double> position(0.0, 1.0);
    for (int k = 0; k < 5000; ++k) {
      add(value(random), value(random), value(random), value(random), k % 97 == 0 ? 1.0 : position(random) + 1e-9);
    }
    const std::int32_t levels[] = {-high - 1, -high, -1, 0, 1, high - 1, high};
    for (const std::int32_t a : levels)
      for (const std::int32_t b : levels)
        for (const std::int32_t c : levels)
          for (const std::int32_t d : levels)
            for (const double r : {0.0, 1e-12, 0.1, 0.5, 0.999999, 1.0, 2.5, 4.03, kBlockMaxPosition}) add(a, b, c, d, r);
    const std::size_t in_range = positions.size();
    for (int k = 0; k < 41; ++k) {
      const std::int32_t sign = k % 2 == 0 ? 1 : -1;
      add(sign * high, -sign * high, sign * high, -sign * high, k == 17 ? 60.0 : k == 40 ? -0.5 : 0.25 + 0.01 * k);
    }
    using Block = void (*)(const BlockTaps&, const double*, int, int, std::int32_t*);
    for (const Block block : {Block{&InterpolateLinearBlock}, Block{&InterpolateQuadraticBlock},
                              Block{&InterpolateHyperbolicBlock}}) {
      const int quality = block == &InterpolateLinearBlock ? 0 : block == &InterpolateQuadraticBlock ? 1 : 2;
      for (const auto& [first, count] : {std::pair<std::size_t, std::size_t>{0, in_range},
                                         {in_range, positions.size() - in_range}}) {
        std::vector<std::int32_t> got(count, 0x5A5A5A5A);
        block({&taps[0][first], &taps[1][first], &taps[2][first], &taps[3][first]}, &positions[first],
              static_cast<int>(count), width, got.data());
        for (std::size_t k = 0; k < count; ++k) {
          const std::size_t i = first + k;
          const KernelWindow w{taps[0][i], taps[1][i], taps[2][i], taps[3][i]};
          ASSERT_EQ(got[k], SaturateToWidth(Interpolate(quality, w, positions[i]), width))
              << "Q=" << quality << " width " << width << ": " << w.previous << " " << w.current << " " << w.next
              << " " << w.after_next << " at " << positions[i];
        }
      }
    }
  }
}

// The walk's shortcut (one addition per frame) must give the very doubles
// and frames of the step-by-step walk; an error would show within a few
// thousand frames as a drifting position.
TEST(SourceWalkTest, ShortcutGivesTheStepByStepWalk) {
  constexpr std::int64_t kFrameBytes = 4;
  struct Step {
    double r;
    std::int64_t previous, current, next, after_next;
    bool operator==(const Step&) const = default;
  };
  const auto walk = [](std::uint64_t frames, double factor, const CutRegion& cut, bool shortcut) {
    SourceWalk<kFrameBytes> source(frames, factor, cut);
    const std::int64_t outputs = std::max<std::int64_t>(ScalePosition(frames - cut.length(), factor) - 2, 0);
    std::vector<Step> steps;
    while (static_cast<std::int64_t>(steps.size()) < outputs) {
      const std::int64_t left = outputs - static_cast<std::int64_t>(steps.size());
      const std::int64_t regular = shortcut ? source.RegularFrames(std::min<std::int64_t>(left, 300)) : 0;
      source.AdvanceRegular(regular, [&](std::int64_t, double r, std::int64_t at) {
        steps.push_back({r, at - kFrameBytes, at, at + kFrameBytes, at + 2 * kFrameBytes});
      });
      if (regular > 0) continue;
      const double r = source.Advance();
      const TapOffsets taps = source.Taps();
      EXPECT_LT(taps.after_next, static_cast<std::int64_t>(frames) * kFrameBytes);  // inside the body
      steps.push_back({r, taps.previous, taps.current, taps.next, taps.after_next});
    }
    steps.push_back({0.0, 0, source.AdvanceToLast(), 0, 0});
    return steps;
  };
  std::vector<std::tuple<std::uint64_t, double, CutRegion>> cases;
  for (const double factor : {0.2, 0.4, 0.4999, 0.5, 0.73, 1.0, 1.0594631, 1.5, 2.0, 2.0000001, 3.0, 3.99, 4.03}) {
    for (const std::uint64_t frames : {2u, 3u, 5u, 12u}) cases.emplace_back(frames, factor, CutRegion{});
    cases.emplace_back(20000, factor, CutRegion{});
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

// The fixed-width reads of the hot loops agree with the general one on
// every 16-bit pattern and every top-two-byte pattern of 24 bits.
TEST(SampleAccess, FixedWidthReadsAgreeWithTheGeneralOne) {
  for (std::uint32_t pattern = 0; pattern < (1u << 16); ++pattern) {
    const std::uint8_t top[3] = {static_cast<std::uint8_t>(pattern), static_cast<std::uint8_t>(pattern >> 8), 0};
    ASSERT_EQ(ReadSampleValue<2>(top), ReadSampleValue(top, 2)) << pattern;
    for (const std::uint8_t low : {0x00, 0x01, 0x7F, 0x80, 0xFF}) {
      const std::uint8_t bytes[3] = {low, top[0], top[1]};
      ASSERT_EQ(ReadSampleValue<3>(bytes), ReadSampleValue(bytes, 3)) << pattern << " " << int{low};
    }
  }
}

struct Resampled {
  std::uint32_t frames = 0;          // OutputFrameCount
  std::vector<std::int32_t> values;  // channel 0 of the written chunk, silence included
  std::string output;
};

Resampled Resample(const Bytes& source, int bits, int channels, double factor, const Settings& settings = {},
                   SourceAnalysis analysis = {}) {
  if (!analysis.format) analysis = AnalysisFor(bits, channels);
  const ExactBuffer body(source);
  MemorySink sink;
  Resampled out;
  Outcome outcome;
  Capture(outcome, [&] { out.frames = ResampleDataChunk(MakeRetuneJob({}, analysis, settings, factor), body.span(), sink); });
  out.output = outcome.output;
  const Bytes& chunk = sink.bytes();
  const int width = bits / 8;
  for (std::size_t at = 8; at + width <= 8 + LoadU32le(chunk.data() + 4); at += width * channels) {
    out.values.push_back(ReadSampleValue(chunk.data() + at, width));
  }
  return out;
}

std::vector<std::int32_t> Ramp(int frames, int step, int channels = 1) {
  std::vector<std::int32_t> values;
  for (int i = 0; i < frames; ++i) {
    for (int c = 0; c < channels; ++c) values.push_back(i * step + c);
  }
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
      {"factor 1 repeats the second-to-last frame", Pcm(Ramp(6, 300, 2), 16), 16, 2, 0, 1.0,
       {0, 300, 600, 900, 1200, 1200}},
      {"factor 1, quadratic", Pcm(Ramp(6, 300, 2), 16), 16, 2, 1, 1.0, {0, 300, 600, 900, 1200, 1200}},
      {"factor 1, cubic", Pcm(Ramp(6, 300, 2), 16), 16, 2, 2, 1.0, {0, 300, 600, 900, 1200, 1200}},
      {"where the signal falls, linear lands one above x1", Pcm({100, 90, 80, 70}, 16), 16, 1, 0, 1.0,
       {100, 91, 81, 80}},
      {"the last frame copies the one before its position", Pcm(Ramp(11, 100), 24), 24, 1, 2, 1.5,
       {0, 150, 300, 450, 600, 750, 800}},
      {"two frames: the first and the last copied", Pcm({7, 8, 9}, 16), 16, 1, 2, 1.5, {7, 8}},
      {"one frame", Pcm({11, 12}, 16), 16, 2, 2, 1.0, {11}},
      {"no frame", Pcm({11, 12}, 16), 16, 2, 2, 2.5, {}},
      {"silence alone", {}, 16, 1, 2, 1.0, std::vector<std::int32_t>(10, 0), "", 10},
      {"a single frame stretched: it stands in for its neighbours", Pcm({-400}, 16), 16, 1, 2, 0.2,
       {-400, -399, -399, -399, -400}},
      {"overshoot saturated, not wrapped", Pcm({30000, 32700, 32767, 32767}, 16), 16, 1, 1, 1.5,
       {30000, 32767, 32767}},
      {"negative overshoot", Pcm({-30000, -32700, -32767, -32767}, 16), 16, 1, 1, 1.5, {-30000, -32768, -32767}},
      {"24-bit overshoot", Pcm({30000 * 256, 32700 * 256, 32767 * 256, 32767 * 256}, 24), 24, 1, 1, 1.5,
       {30000 * 256, 8388607, 32767 * 256}},
      {"a partial trailing frame is never read", Pcm({0, 1, 100, 101, 200, 201, 300, 301, 31000}, 16), 16, 2, 2, 1.0,
       {0, 100, 200, 200}, "data segment must contain complete samples\n"},
      {"an odd byte left over", {1, 2, 3}, 16, 1, 2, 1.0, {513}, "length of data chunk must be divisible by BytesPerSample\n"},
  };
  for (const auto& row : rows) {
    const Resampled out = Resample(row.body, row.bits, row.channels, row.factor,
                                   {.quality = row.quality, .dummy_loop_length = row.dummy_loop});
    EXPECT_EQ(out.values, row.expected) << row.name;
    EXPECT_EQ(out.output, row.text) << row.name;
  }
}

// Behind the cut every output frame sits at its position moved by exactly
// the cut's length, wherever the frame counter stood when it was reached.
TEST(ResampleDataChunkTest, TheCutDropsExactlyItsLength) {
  constexpr std::uint32_t kFrames = 60000, kFirst = 20010, kLimit = 50000;
  SourceAnalysis analysis = AnalysisFor(24, 1);
  analysis.cut_first = kFirst;
  analysis.cut_limit = kLimit;
  for (const double factor : {1.5, 2.3, 0.7}) {
    const Resampled out = Resample(Pcm(Ramp(kFrames, 1), 24), 24, 1, factor, {.quality = 0}, analysis);
    ASSERT_EQ(out.frames, static_cast<std::uint32_t>((kFrames - (kLimit - kFirst)) / factor + 0.5));
    int checked = 0;
    for (std::uint32_t k = 1; k + 1 < out.frames; ++k) {
      const double position = k * factor;
      // Halves round by their last bit, and the join mixes both sides.
      if (std::fabs(position - std::floor(position) - 0.5) < 1e-6 || std::fabs(position - kFirst) <= 1) continue;
      const double source = position > kFirst ? position + (kLimit - kFirst) : position;
      ASSERT_EQ(out.values[k], static_cast<std::int32_t>(std::floor(source + 0.5))) << factor << " frame " << k;
      ++checked;
    }
    EXPECT_GT(checked, 8000);
  }
  const Resampled kept = Resample(Pcm(Ramp(kFrames, 1), 24), 24, 1, 1.5, {.quality = 0, .keep_unused_part = true}, analysis);
  EXPECT_EQ(kept.frames, 40000u);
  EXPECT_EQ(kept.values[30000], 45000);
}

}  // namespace
}  // namespace zelvanor::testing
