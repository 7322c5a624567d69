// The pipe pitch measurement on synthetic pipes of known pitch: each family
// within its bound, with and without a loop or a hint, the reasons a pitch
// is not measured reliably, and the same bits on every machine.
#include <cmath>
#include <random>

#include "examples/example_pipes.h"
#include "common/series_math.h"
#include "pitch/phase_angle.h"
#include "pitch/pipe_pitch.h"
#include "test_support.h"

namespace zelvanor::testing {
namespace {

using examples::Voicing;
enum class Hint { kNote, kNone, kTwoOctavesLow, kPitchClass };

pitch::PitchMeasurement Measure(const Bytes& image, Hint hint, double hz, void (*change)(SourceAnalysis&) = nullptr) {
  SourceAnalysis analysis = *AnalyseSource("pipe.wav", image, Verbose(0));
  if (change) change(analysis);
  const int note = static_cast<int>(std::floor(69.0 + 12.0 * std::log2(hz / 440.0) + 0.5)) -
                   (hint == Hint::kTwoOctavesLow ? 24 : 0);
  const pitch::PitchHint given = hint == Hint::kNone         ? pitch::PitchHint{}
                                 : hint == Hint::kPitchClass ? pitch::PipeHint(note % 12, {}, {})
                                                             : pitch::PipeHint(note % 12, {}, note);
  return pitch::MeasurePipePitch(ExactBuffer(image).span(), analysis, given);
}

TEST(PipePitch, FindsWhatAHeldKeySounds) {
  const struct {
    Voicing voicing;
    double hz;
    std::uint32_t rate;
    int bits, channels;
    bool looped;
    Hint hint;
    double seconds = 1.5;
  } rows[] = {
      {Voicing::kFlue, 30.0, 44100, 16, 1, true, Hint::kNote},
      {Voicing::kFlue, 8000.0, 96000, 24, 2, false, Hint::kNote},
      {Voicing::kString, 263.9, 48000, 24, 3, false, Hint::kNone},
      {Voicing::kFlue, 4186.0, 44100, 16, 1, false, Hint::kNone},
      {Voicing::kReed, 1046.5, 32000, 16, 1, true, Hint::kPitchClass, 0.3},  // a C named without its octave
      {Voicing::kStopped, 1013.0, 96000, 16, 1, true, Hint::kNote},
      {Voicing::kStopped, 4409.0, 96000, 16, 2, false, Hint::kNote},
      {Voicing::kReed, 61.7, 48000, 16, 2, false, Hint::kNote},
      {Voicing::kReed, 8000.0, 44100, 24, 1, true, Hint::kNone},
      {Voicing::kReed, 441.7, 44100, 16, 1, true, Hint::kTwoOctavesLow},  // a mutation named by its key
      {Voicing::kFlue, 6201.5625, 44100, 16, 1, true, Hint::kNote, 256 / 44100.0},  // a loop of 64 frames, 9 periods
  };
  std::string values;
  for (const auto& row : rows) {
    const examples::Pipe pipe = examples::SynthesizePipe({.bits = row.bits, .channels = row.channels,
                                                          .seconds = row.seconds, .rate = row.rate,
                                                          .sustain_loop = row.looped, .voicing = row.voicing,
                                                          .frequency = row.hz});
    const double length = pipe.markers.loop_end - pipe.markers.loop_start + 1.0;
    const double truth = row.looped ? std::floor(row.hz * length / row.rate + 0.5) * row.rate / length : row.hz;
    const pitch::PitchMeasurement measured = Measure(pipe.bytes, row.hint, row.hz);
    SCOPED_TRACE(::testing::Message() << row.hz << " Hz at " << row.rate << (row.looped ? ", looped" : ""));
    EXPECT_TRUE(measured.reliable) << measured.problem;
    EXPECT_EQ(measured.method, row.looped ? pitch::PitchMethod::kLoop : pitch::PitchMethod::kSteadyPart);
    EXPECT_LT(std::fabs(1200.0 * std::log2(measured.hz / truth)), row.looped ? 0.1 : 0.3);
    const std::string name = zelvanor::Format("%g Hz at %u", row.hz, row.rate);
    values += Transcribed(name, name + zelvanor::Format(": %a (%.9g)\n", measured.hz, measured.hz));
  }
  // The value decides a tuning factor and so output bytes: the same bits on
  // every system and build.
  EXPECT_EQ(Digest(values), "1df7b4c5f4f7c680") << values;
}

// A short period is decided by the spectrum: which partials count, where, and how low a candidate may lie.
TEST(PipePitch, TheSpectrumDecidesAShortPeriod) {
  const struct {
    std::vector<std::pair<double, double>> partials;  // Hz and dB
    Hint hint;
    double hz;
  } rows[] = {
      {{{2000, 0}, {1000, -25}}, Hint::kNone, 1000},  // a partial 25 dB down counts,
      {{{2000, 0}, {1000, -35}}, Hint::kNone, 2000},  // 35 dB down it does not;
      {{{2000, 0}, {1030, -20}}, Hint::kNone, 1000},  // 3 % off its place it counts.
      // Named 2000 Hz: no pitch two octaves below it or lower, though 250 Hz would hold every partial.
      {{{2000, 0}, {1000, -3}, {250, -26}, {500, -26}, {750, -26}}, Hint::kNote, 500},
  };
  for (const auto& row : rows) {
    std::vector<std::int32_t> values(44100);
    for (std::size_t n = 0; n < values.size(); ++n) {
      double sum = 0.0;
      for (const auto& [hz, db] : row.partials) {
        sum += std::pow(10.0, db / 20) * std::sin(2 * series::kPi * hz * static_cast<double>(n) / 44100);
      }
      values[n] = static_cast<std::int32_t>(15000 * sum);
    }
    const Bytes image = WaveBuilder().Fmt({}).Data(Pcm(values, 16)).Build();
    const pitch::PitchMeasurement measured = Measure(image, row.hint, 2000);
    EXPECT_TRUE(measured.reliable) << measured.problem;
    EXPECT_NEAR(measured.hz, row.hz, 0.1);
  }
}

// Without a loop the steadiest second of the first six is measured, its loudness read at every third frame from
// each block's first: 100 Hz swelling by 2 %, with a tone between the frames read; 110 Hz by 5 %; 120 Hz steady.
TEST(PipePitch, MeasuresTheSteadiestSecondOfTheFirstSix) {
  std::vector<std::int32_t> values(60000);  // 8 s at 7500 Hz
  for (std::size_t n = 0; n < values.size(); ++n) {
    const double t = static_cast<double>(n) / 7500, part = std::floor(t / 3), turn = 2 * series::kPi;
    const double swell = 1 + (part == 0 ? 0.02 : part == 1 ? 0.05 : 0.0) * std::sin(turn * 3 * t);
    const double between = part == 0 ? 3000 * (1 + std::sin(turn * 2 * t)) * std::sin(turn * (n % 3) / 3) : 0;
    values[n] = static_cast<std::int32_t>(10000 * swell * std::sin(turn * (100 + 10 * part) * t) + between);
  }
  EXPECT_NEAR(Measure(WaveBuilder().Fmt({.rate = 7500}).Data(Pcm(values, 16)).Build(), Hint::kNone, 100).hz, 100, 0.5);
}

TEST(PipePitch, SaysWhyItIsNotReliable) {
  const Bytes pipe = examples::SynthesizePipe({.channels = 1, .voicing = Voicing::kFlue, .frequency = 100.0}).bytes;
  const Bytes short_pipe =
      examples::SynthesizePipe({.seconds = 0.04, .sustain_loop = false, .voicing = Voicing::kFlue, .frequency = 100.0})
          .bytes;
  std::mt19937 random(7);
  std::vector<std::int32_t> noise(44100);
  for (std::int32_t& value : noise) value = static_cast<std::int32_t>(random() % 20000) - 10000;
  const Bytes hiss = WaveBuilder().Fmt({}).Data(Pcm(noise, 16)).Build();
  // Its loop ends on the last frame of the file: the search reads nothing past the stretch (nor the exact buffer).
  const Bytes looped_hiss = WaveBuilder().Fmt({}).Smpl({{.start = 43100, .end = 44099}}).Data(Pcm(noise, 16)).Build();
  const Bytes one_frame = WaveBuilder().Fmt({}).Data(Bytes(2, 0)).Build();
  const Bytes no_rate = WaveBuilder().Fmt({.rate = 0}).Data(Bytes(200, 0)).Build();
  const struct {
    const Bytes& image;
    void (*change)(SourceAnalysis&);
    const char* problem;
  } rows[] = {
      {hiss, nullptr, "no clear periodicity"},
      {looped_hiss, nullptr, "too short to measure"},
      {short_pipe, nullptr, "too short to measure"},
      {one_frame, nullptr, "too short to measure"},
      {no_rate, nullptr, "no audio to measure"},
      // Half a period more: the loop no longer holds whole periods.
      {pipe, [](SourceAnalysis& a) { a.loop_end += 220; }, "loop and harmonic fit differ by 34.2 cents"},
      {pipe, [](SourceAnalysis& a) { a.loop_end = a.loop_start + 100; }, "too short to measure"},
      // A loop of three longest stretches: the middle one is measured.
      {pipe, [](SourceAnalysis& a) { a.loop_start = 0, a.loop_end = 43000, a.sample_rate = 14000; },
       "loop and harmonic fit differ by 8.7 cents"},
  };
  for (const auto& row : rows) {
    const pitch::PitchMeasurement measured = Measure(row.image, Hint::kNote, 100.0, row.change);
    EXPECT_FALSE(measured.reliable);
    EXPECT_EQ(measured.problem, row.problem);
  }
}

TEST(PipePitch, PhaseAngleInEveryQuadrant) {
  for (double angle = -3.14; angle < 3.14; angle += 0.01) {
    EXPECT_NEAR(pitch::PhaseAngle(2.5 * std::sin(angle), 2.5 * std::cos(angle)), angle, 1e-15) << angle;
  }
  EXPECT_EQ(pitch::PhaseAngle(0.0, -1.0), series::kPi);
  EXPECT_EQ(pitch::PhaseAngle(0.0, 0.0), 0.0);
}

}  // namespace
}  // namespace zelvanor::testing
