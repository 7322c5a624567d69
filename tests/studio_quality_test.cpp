// Q=3 held to what it is for: seamless loops, no aliases or images, rounding
// to nearest.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <vector>

#include "test_support.h"
#include "wave/byte_reader.h"
#include "wave/sample_access.h"

namespace zelvanor {
namespace {

using testing::Bytes;
constexpr double kPi = 3.14159265358979323846;

Settings StudioQuality() {
  Settings settings = testing::Verbose(0);
  settings.quality = 3;
  return settings;
}

// A pipe of `frames` frames whose channel c holds wave(n, c) at frame n.
Bytes Pipe(int frames, const std::function<double(int, int)>& wave, std::vector<testing::Loop> loops = {},
           std::vector<testing::CuePoint> cues = {}, int channels = 1, int bits = 16) {
  std::vector<std::int32_t> values;
  for (int n = 0; n < frames * channels; ++n) {
    values.push_back(static_cast<std::int32_t>(std::lround(wave(n / channels, n % channels))));
  }
  testing::WaveBuilder builder;
  builder.Fmt({.channels = static_cast<std::uint16_t>(channels), .bits = static_cast<std::uint16_t>(bits)})
      .Data(testing::Pcm(values, bits));
  if (!cues.empty()) builder.Cue(cues);
  if (!loops.empty()) builder.Smpl(loops);
  return builder.Build();
}

// The output's sample values, interleaved as stored.
std::vector<std::int32_t> RetunedValues(const Bytes& image, double factor, const Settings& settings, int width = 2,
                                        std::uint32_t* loop_start = nullptr, std::uint32_t* loop_end = nullptr) {
  const testing::Outcome outcome = testing::RetuneImage(image, factor, settings);
  EXPECT_FALSE(outcome.exit_code.has_value()) << outcome.output;
  std::vector<std::int32_t> values;
  for (const testing::ChunkView& chunk : testing::ChunksOf(outcome.bytes)) {
    if (chunk.id == "smpl" && loop_start != nullptr) {
      *loop_start = LoadU32le(chunk.stored.data() + 36 + 8);
      *loop_end = LoadU32le(chunk.stored.data() + 36 + 12);
    }
    if (chunk.id != "data") continue;
    for (std::size_t at = 0; at + width <= chunk.size; at += width) {
      values.push_back(ReadSampleValue(&chunk.stored[at], width));
    }
  }
  return values;
}

// Seam measure: the largest second difference across the jump from the
// loop's last frame back to its first, against the largest inside the
// loop. A loop whose seam misses by a fraction of a frame shows a step of
// that fraction times the wave's slope, far above its curvature.
TEST(StudioQualityTest, LoopPlayedEndToStartIsAsSmoothAsInside) {
  // 25 periods of exactly 200 frames: the source loop repeats seamlessly.
  // Outside it the wave is softer, so only reads that wrap keep the seam.
  constexpr int kStart = 3000, kLength = 5000, kRelease = kStart + kLength + 3000;
  const Bytes pipe = Pipe(
      14000, [](int n, int) {
        return (n >= kStart && n < kStart + kLength ? 1.0 : 0.6) *
               (12000 * std::sin(2 * kPi * n / 200) + 3000 * std::cos(4 * kPi * n / 200));
      },
      {{.id = 1, .start = kStart, .end = kStart + kLength - 1}},
      {{.id = 1, .offset = kStart}, {.id = 2, .offset = kRelease}});
  // The release cue far behind the data, which ends before the cut would begin: as if there were none.
  const auto tone = [](int n, int) { return 12000 * std::sin(2 * kPi * n / 200); };
  const std::vector<testing::Loop> loop = {{.id = 1, .start = kStart, .end = kStart + kLength - 1}};
  const std::vector<std::int32_t> unreleased = RetunedValues(Pipe(8005, tone, loop, {{.id = 1, .offset = kStart}}), 0.5,
                                                             StudioQuality());
  EXPECT_EQ(unreleased.size(), 16010u);
  EXPECT_EQ(RetunedValues(Pipe(8005, tone, loop, {{.id = 1, .offset = kStart}, {.id = 2, .offset = 20000}}), 0.5,
                          StudioQuality()), unreleased);
  for (const double factor : {std::pow(2.0, 100 / 1200.0), std::pow(2.0, -50 / 1200.0), 0.5, 2.0}) {
    SCOPED_TRACE(factor);
    std::uint32_t start = 0, end = 0;
    const std::vector<std::int32_t> y = RetunedValues(pipe, factor, StudioQuality(), 2, &start, &end);
    ASSERT_LT(end, y.size());
    EXPECT_EQ(end - start + 1, std::lround(kLength / factor));
    // All of the pipe moves with the loop's factor: 14000 frames less the cut.
    EXPECT_EQ(y.size(), std::lround((14000 - 2981) * std::lround(kLength / factor) / double{kLength}));
    const auto curvature = [&](std::int32_t before, std::uint32_t at, std::int32_t after) {
      return std::abs(before - 2 * y[at] + after);
    };
    std::int32_t inside = 0;
    for (std::uint32_t i = start + 1; i < end; ++i) inside = std::max(inside, curvature(y[i - 1], i, y[i + 1]));
    EXPECT_LE(curvature(y[end - 1], end, y[start]), inside + 2);
    EXPECT_LE(curvature(y[end], start, y[start + 1]), inside + 2);
  }
}

// A chirp from 20 Hz to 21 kHz at -6 dBFS (24-bit stereo, channel 1 inverted):
// in the pass band the output is the chirp at each frame's source position (no
// image or alias added); above the output's Nyquist frequency it is silence.
TEST(StudioQualityTest, BandLimitedSweepStaysClean) {
  constexpr int kFrames = 66150;
  constexpr double kRate = 44100, kLow = 20, kHigh = 21000, kSeconds = kFrames / kRate;
  const auto frequency = [&](double t) { return kLow + (kHigh - kLow) * t / kSeconds; };
  const auto chirp = [&](double frame) {
    const double t = frame / kRate;
    return 16384 * 256 * std::sin(2 * kPi * (kLow * t + (kHigh - kLow) * t * t / (2 * kSeconds)));
  };
  const Bytes sweep = Pipe(kFrames, [&](int n, int c) { return c == 0 ? chirp(n) : -chirp(n); }, {}, {}, 2, 24);
  // Factors exact in binary, so the positions are exact too.
  for (const double factor : {2.0, 0.75}) {
    SCOPED_TRACE(factor);
    const double nyquist = std::min(kRate / 2, kRate / 2 / factor);  // in the source
    const std::vector<std::int32_t> y = RetunedValues(sweep, factor, StudioQuality(), 3);
    ASSERT_EQ(y.size(), 2 * static_cast<std::size_t>(std::lround(kFrames / factor)));
    for (std::size_t k = 300; k + 300 < y.size() / 2; ++k) {
      const double position = static_cast<double>(k) * factor;
      const double f = frequency(position / kRate);
      const double expected = f <= 0.78 * nyquist ? chirp(position) : 0.0;
      const double tolerance = 256 * (f <= 0.78 * nyquist ? 4.0 : f >= 1.02 * nyquist ? 2.0 : 1e9);
      for (const int c : {0, 1}) ASSERT_NEAR(y[2 * k + c], c ? -expected : expected, tolerance) << k << ", " << f;
    }
  }
}

// Constant stretches come out as the same constants, negative ones
// included: rounding is to nearest, not +0.5 and truncation toward zero.
TEST(StudioQualityTest, RoundingIsToNearest) {
  const std::vector<std::int32_t> levels = {-1000, 0, 1000, -1, 1, -32768, 32767, -5, 5, -12345};
  constexpr int kStretch = 600;  // frames of each level
  const Bytes steps =
      Pipe(static_cast<int>(levels.size()) * kStretch, [&](int n, int) { return levels[n / kStretch]; });
  constexpr double kFactor = 1.5;
  const std::vector<std::int32_t> y = RetunedValues(steps, kFactor, StudioQuality());
  for (std::size_t k = 0; k < y.size(); ++k) {
    const double position = static_cast<double>(k) * kFactor;
    const auto stretch = static_cast<std::size_t>(position / kStretch);
    const double into = position - static_cast<double>(stretch * kStretch);
    if (into < 120 || into > kStretch - 120) continue;  // the kernel reaches 56 frames either way
    ASSERT_EQ(y[k], levels[stretch]) << "frame " << k;
  }
}

}  // namespace
}  // namespace zelvanor
