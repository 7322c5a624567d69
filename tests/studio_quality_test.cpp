// Q=3, the band-limited kernel with loops kept whole, held to what it is for:
// seamless loops, no aliasing or images, rounding to nearest; and the
// warning about saturated values, which every quality gives.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "output_test_support.h"
#include "run_program.h"
#include "wave/byte_reader.h"

namespace zelvanor {
namespace {

using testing::Bytes;

constexpr double kPi = 3.14159265358979323846;

Settings StudioQuality() {
  Settings settings = testing::Verbose(0);
  settings.quality = 3;
  return settings;
}

// A mono 16-bit pipe of `frames` frames whose value at frame n is wave(n).
Bytes MonoPipe(int frames, const std::function<double(int)>& wave, std::vector<testing::Loop> loops = {},
               std::vector<testing::CuePoint> cues = {}) {
  std::vector<std::int32_t> values;
  for (int n = 0; n < frames; ++n) values.push_back(static_cast<std::int32_t>(std::lround(wave(n))));
  testing::WaveBuilder builder;
  builder.Fmt(testing::Format{}).Data(testing::Pcm(values, 16));
  if (!cues.empty()) builder.Cue(cues);
  if (!loops.empty()) builder.Smpl(loops);
  return builder.Build();
}

std::vector<std::int32_t> RetunedValues(const Bytes& image, double factor, const Settings& settings,
                                        std::uint32_t* loop_start = nullptr, std::uint32_t* loop_end = nullptr) {
  const testing::RetuneOutcome outcome = testing::RetuneImage(image, factor, settings);
  EXPECT_FALSE(outcome.exit_code.has_value()) << outcome.output;
  std::vector<std::int32_t> values;
  for (const testing::ChunkView& chunk : testing::ChunksOf(outcome.bytes)) {
    if (chunk.id == "smpl" && loop_start != nullptr) {
      *loop_start = LoadU32le(chunk.stored.data() + 36 + 8);
      *loop_end = LoadU32le(chunk.stored.data() + 36 + 12);
    }
    if (chunk.id != "data") continue;
    for (std::size_t at = 0; at + 1 < chunk.stored.size() && at + 1 < chunk.size; at += 2) {
      values.push_back(static_cast<std::int16_t>(chunk.stored[at] | (chunk.stored[at + 1] << 8)));
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
  constexpr std::uint32_t kStart = 3000, kLength = 5000, kRelease = kStart + kLength + 3000;
  const Bytes pipe = MonoPipe(
      14000, [](int n) { return 12000 * std::sin(2 * kPi * n / 200) + 3000 * std::cos(4 * kPi * n / 200); },
      {{.id = 1, .start = kStart, .end = kStart + kLength - 1}}, {{.id = 1, .offset = kStart}, {.id = 2, .offset = kRelease}});
  for (const double factor : {std::pow(2.0, 100 / 1200.0), std::pow(2.0, -50 / 1200.0), 0.5, 2.0}) {
    SCOPED_TRACE(factor);
    std::uint32_t start = 0, end = 0;
    const std::vector<std::int32_t> y = RetunedValues(pipe, factor, StudioQuality(), &start, &end);
    ASSERT_LT(end, y.size());
    EXPECT_EQ(end - start + 1, std::lround(kLength / factor));
    const auto curvature = [&](std::int32_t before, std::uint32_t at, std::int32_t after) {
      return std::abs(before - 2 * y[at] + after);
    };
    std::int32_t inside = 0;
    for (std::uint32_t i = start + 1; i < end; ++i) inside = std::max(inside, curvature(y[i - 1], i, y[i + 1]));
    EXPECT_LE(curvature(y[end - 1], end, y[start]), inside + 2);
    EXPECT_LE(curvature(y[end], start, y[start + 1]), inside + 2);
  }
}

// A chirp from 20 Hz to 21 kHz at -6 dBFS: where its frequency lies in the
// pass band the output is the chirp itself at the output frame's source
// position (no image, no alias added); where it lies above the output's
// Nyquist frequency the output is silence (nothing folded back).
TEST(StudioQualityTest, BandLimitedSweepStaysClean) {
  constexpr int kFrames = 66150;
  constexpr double kRate = 44100, kLow = 20, kHigh = 21000, kSeconds = kFrames / kRate;
  const auto frequency = [&](double t) { return kLow + (kHigh - kLow) * t / kSeconds; };
  const auto chirp = [&](double frame) {
    const double t = frame / kRate;
    return 16384 * std::sin(2 * kPi * (kLow * t + (kHigh - kLow) * t * t / (2 * kSeconds)));
  };
  const Bytes sweep = MonoPipe(kFrames, [&](int n) { return chirp(n); });
  // Factors exact in binary, so the positions are exact too.
  for (const double factor : {2.0, 0.75}) {
    SCOPED_TRACE(factor);
    const double nyquist = std::min(kRate / 2, kRate / 2 / factor);  // in the source
    const std::vector<std::int32_t> y = RetunedValues(sweep, factor, StudioQuality());
    ASSERT_EQ(y.size(), static_cast<std::size_t>(std::lround(kFrames / factor)));
    for (std::size_t k = 300; k + 300 < y.size(); ++k) {
      const double position = static_cast<double>(k) * factor;
      const double f = frequency(position / kRate);
      const double expected = f <= 0.78 * nyquist ? chirp(position) : 0.0;
      const double tolerance = f <= 0.78 * nyquist ? 4.0 : f >= 1.02 * nyquist ? 2.0 : 1e9;
      ASSERT_NEAR(y[k], expected, tolerance) << "frame " << k << ", " << f << " Hz";
    }
  }
}

// Constant stretches come out as the same constants, negative ones
// included: rounding is to nearest, not +0.5 and truncation toward zero.
TEST(StudioQualityTest, RoundingIsToNearest) {
  const std::vector<std::int32_t> levels = {-1000, 0, 1000, -1, 1, -32768, 32767, -5, 5, -12345};
  constexpr int kStretch = 600;
  const Bytes steps = MonoPipe(static_cast<int>(levels.size()) * kStretch, [&](int n) { return levels[n / kStretch]; });
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

// A pipe driven to full scale overshoots under every kernel that curves
// (the linear one stays between its two values); the values are saturated
// and the run says how many, after the output. An ordinary pipe, and a
// quiet run, print exactly what they printed before.
TEST(StudioQualityTest, SaturatedValuesAreReportedAfterTheOutput) {
  testing::ScratchDirectory dir;
  testing::WriteFile(dir.path() / "hot.wav", MonoPipe(4000, [](int n) { return (n / 7) % 2 ? 32767 : -32768; }));
  testing::WriteFile(dir.path() / "calm.wav", MonoPipe(4000, [](int n) { return 3000 * std::sin(n * 0.05); }));
  std::filesystem::create_directory(dir.path() / "out");
  const std::string hot = testing::DestinationPath("out", "hot.wav");
  for (const std::string quality : {"Q=1", "Q=2", "Q=3"}) {
    SCOPED_TRACE(quality);
    const testing::ZelvanorRun run = testing::RunZelvanor({"*.wav", "out", "0.73", quality}, dir.path());
    EXPECT_EQ(run.exit_code, 0);
    const std::size_t tune = run.output.find("Tune hot.wav to " + hot + " by factor 0.730000\n");
    const std::size_t warning = run.output.find("Warning: " + hot + ": ");
    ASSERT_NE(warning, std::string::npos) << run.output;
    EXPECT_EQ(warning, tune + ("Tune hot.wav to " + hot + " by factor 0.730000\n").size());
    const std::string line = run.output.substr(warning, run.output.find('\n', warning) - warning);
    EXPECT_NE(std::atoi(line.c_str() + ("Warning: " + hot + ": ").size()), 0) << line;
    EXPECT_NE(line.find(" sample values clipped to full scale"), std::string::npos) << line;
    EXPECT_EQ(run.output.find("calm.wav: "), std::string::npos) << run.output;
    EXPECT_EQ(testing::RunZelvanor({"*.wav", "out", "0.73", quality, "V=0"}, dir.path()).output, "");
  }
}

}  // namespace
}  // namespace zelvanor
