#include <cmath>
#include <cstdio>
#include <optional>

#include "common/midi_note.h"
#include "common/series_math.h"
#include "pitch/harmonic_fit.h"
#include "pitch/period_search.h"
#include "pitch/pipe_frames.h"
#include "pitch/pipe_pitch.h"
#include "pitch/steady_part.h"

namespace zelvanor::pitch {
namespace {

// The loop's pitch and the harmonic fit must agree this closely, or one of
// them is wrong (a loop not holding whole periods, a fit caught by noise).
constexpr double kMostDisagreementCents = 2.0;
// Without a loop, the steady part starts a tenth of a second after the
// attack (where the file leaves room).
constexpr std::uint32_t kSettlingParts = 10;
// Without a loop, less than a twentieth of a second tells no pitch an
// organ builder would trust. A loop is what a held key repeats, however
// short: it only has to hold eight periods, like any stretch, and 64 frames.
constexpr std::uint32_t kShortestStretchParts = 20;
constexpr std::uint32_t kShortestLoop = 64;
// Below this share of its power in harmonics a stretch is no steady tone.
constexpr double kLeastHarmonicShare = 0.5;

PitchMeasurement Unreliable(const char* problem, double hz) {
  PitchMeasurement measurement;
  measurement.hz = hz;
  measurement.problem = problem;
  return measurement;
}

// The sustain loop where it lies within the audio; a broken one is no loop
// to trust.
std::optional<LoopPoints> UsableLoop(const SourceAnalysis& analysis, std::uint32_t readable) {
  const std::optional<LoopPoints> loop = analysis.sustain_loop();
  if (!loop || loop->end < loop->start || loop->end >= readable) return std::nullopt;
  return loop;
}

}  // namespace

PitchHint PipeHint(int pitch_class, std::optional<double> stated_hz, std::optional<std::int64_t> key_note) {
  PitchHint hint{.pitch_class = pitch_class};
  if (stated_hz) {
    hint.near_hz = *stated_hz;
  } else if (key_note && *key_note >= 0 && *key_note <= kHighestMidiNote) {
    hint.near_hz = PitchOfMidiCents(100.0 * static_cast<double>(*key_note));
  }
  return hint;
}

PitchMeasurement MeasurePipePitch(std::span<const std::uint8_t> image, const SourceAnalysis& analysis,
                                  const PitchHint& hint) {
  const std::uint32_t readable = ReadableFrames(image, analysis);
  if (readable == 0) return Unreliable("no audio to measure", 0.0);
  const std::optional<LoopPoints> loop = UsableLoop(analysis, readable);
  const FrameRange range =
      loop ? LoopStretch(*loop, analysis.sample_rate)
           : SteadiestStretch(ScanLoudness(image, analysis, readable), analysis.sample_rate / kSettlingParts);
  const std::uint32_t shortest = loop ? kShortestLoop : analysis.sample_rate / kShortestStretchParts;
  if (range.count < shortest) return Unreliable("too short to measure", 0.0);
  const PipeFrames frames(image, analysis, range.first, range.count);

  const double coarse = SearchPeriod(frames, hint);
  if (coarse <= 0.0) {
    // A stretch too short to hold three periods of the lowest pitch may
    // hold a pitch the search could not look for.
    const bool short_stretch = range.count < 3.0 * frames.rate / kLowestPitch;
    return Unreliable(short_stretch ? "too short to measure" : "no clear periodicity", 0.0);
  }

  if (range.count < kShortestFitPeriods * frames.rate / coarse) return Unreliable("too short to measure", coarse);
  const HarmonicFit fit = FitHarmonics(frames, coarse);
  if (fit.hz <= 0.0) return Unreliable("too short to measure", coarse);
  if (fit.harmonic_share < kLeastHarmonicShare) return Unreliable("no clear periodicity", fit.hz);

  PitchMeasurement measurement;
  measurement.reliable = true;
  measurement.hz = fit.hz;
  if (!loop) return measurement;

  // The loop holds a whole number of periods: the one nearest the fit.
  measurement.method = PitchMethod::kLoop;
  const double length = static_cast<double>(loop->end - loop->start) + 1.0;
  const double periods = std::floor(fit.hz * length / frames.rate + 0.5);
  if (periods < 1.0) return Unreliable("too short to measure", fit.hz);
  measurement.hz = periods * frames.rate / length;
  const double cents = series::CentsOfRatio(measurement.hz / fit.hz);
  if (std::fabs(cents) > kMostDisagreementCents) {
    char problem[80];
    std::snprintf(problem, sizeof problem, "loop and harmonic fit differ by %.1f cents", std::fabs(cents));
    measurement.reliable = false;
    measurement.problem = problem;
  }
  return measurement;
}

}  // namespace zelvanor::pitch
