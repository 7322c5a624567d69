#include "pitch/harmonic_fit.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "common/series_math.h"
#include "pitch/phase_angle.h"

namespace zelvanor::pitch {
namespace {

// Harmonics beyond the twelfth add little: their weight grows with h^2 but
// their power falls faster in every pipe family.
constexpr int kMostHarmonics = 12;
// Partials this close to half the rate are left out: the recording's
// anti-aliasing filter bends their phase.
constexpr double kHighestPartial = 0.47;
// A stretch spans four periods (so the Hann window puts the neighbouring
// harmonics in its zeros) but at least this many frames.
constexpr std::uint32_t kShortestStretch = 32;

struct Stretches {
  std::uint32_t length = 0;
  std::uint32_t hop = 0;
  std::uint32_t count = 0;
  std::vector<double> window;
  double window_sum = 0.0;
};

Stretches PlanStretches(const PipeFrames& frames, double hz) {
  Stretches plan;
  plan.length = std::max(kShortestStretch, static_cast<std::uint32_t>(std::floor(4.0 * frames.rate / hz + 0.5)));
  plan.length = std::min(plan.length, frames.count / 2);
  plan.hop = plan.length / 2;
  if (plan.hop == 0) return plan;
  plan.count = (frames.count - plan.length) / plan.hop + 1;
  plan.window.resize(plan.length);
  for (std::uint32_t n = 0; n < plan.length; ++n) {
    const double s = series::SinPi((n + 0.5) / plan.length);
    plan.window[n] = s * s;
    plan.window_sum = plan.window_sum + plan.window[n];
  }
  return plan;
}

struct HarmonicTrack {
  double correction = 0.0;  // Hz to add to the fundamental, as this harmonic sees it
  double power = 0.0;       // sum of |Z|^2 over stretches and channels
};

// Heterodynes harmonic h to 0 Hz in every stretch and follows its phase.
HarmonicTrack FollowHarmonic(const PipeFrames& frames, const Stretches& plan, double hz, int h) {
  const double cycles = h * hz / frames.rate;  // per frame
  const double step_cos = series::SinPi(2.0 * cycles + 0.5), step_sin = series::SinPi(2.0 * cycles);
  const auto channels = static_cast<std::size_t>(frames.channels);
  std::vector<double> re(channels), im(channels), last_re(channels), last_im(channels);
  HarmonicTrack track;
  double phase = 0.0, sum_j = 0.0, sum_phase = 0.0, sum_jj = 0.0, sum_j_phase = 0.0;
  for (std::uint32_t j = 0; j < plan.count; ++j) {
    const std::uint32_t start = j * plan.hop;
    // The reference phase is the file's frame number, so every stretch
    // measures against the same clock.
    const double turns = 2.0 * cycles * (frames.first + start);
    double c = series::SinPi(turns + 0.5), s = series::SinPi(turns);
    std::fill(re.begin(), re.end(), 0.0);
    std::fill(im.begin(), im.end(), 0.0);
    for (std::uint32_t n = 0; n < plan.length; ++n) {
      const double* frame = &frames.values[(std::size_t{start} + n) * channels];
      const double wc = plan.window[n] * c, ws = plan.window[n] * s;
      for (std::size_t ch = 0; ch < channels; ++ch) {
        re[ch] = re[ch] + frame[ch] * wc;
        im[ch] = im[ch] - frame[ch] * ws;
      }
      const double next_c = c * step_cos - s * step_sin;
      s = s * step_cos + c * step_sin;
      c = next_c;
    }
    double pair_re = 0.0, pair_im = 0.0;  // sum over channels of Z_j conj(Z_j-1)
    for (std::size_t ch = 0; ch < channels; ++ch) {
      track.power = track.power + (re[ch] * re[ch] + im[ch] * im[ch]);
      pair_re = pair_re + (re[ch] * last_re[ch] + im[ch] * last_im[ch]);
      pair_im = pair_im + (im[ch] * last_re[ch] - re[ch] * last_im[ch]);
    }
    // Each step's phase change is small, so adding them unwraps the phase.
    if (j > 0) phase = phase + PhaseAngle(pair_im, pair_re);
    sum_j = sum_j + j;
    sum_phase = sum_phase + phase;
    sum_jj = sum_jj + static_cast<double>(j) * j;
    sum_j_phase = sum_j_phase + j * phase;
    last_re = re;
    last_im = im;
  }
  // The phase's slope per stretch, by least squares.
  const double n = plan.count;
  const double slope = (n * sum_j_phase - sum_j * sum_phase) / (n * sum_jj - sum_j * sum_j);
  track.correction = slope / (2.0 * series::kPi * plan.hop * h) * frames.rate;
  return track;
}

// One refinement with harmonics 1 .. most.
HarmonicFit Refine(const PipeFrames& frames, double hz, int most) {
  HarmonicFit fit;
  const Stretches plan = PlanStretches(frames, hz);
  if (plan.count < 3) return fit;
  const int harmonics = std::clamp(static_cast<int>(kHighestPartial * frames.rate / hz), 1, most);
  double weighted = 0.0, weights = 0.0, power = 0.0;
  for (int h = 1; h <= harmonics; ++h) {
    const HarmonicTrack track = FollowHarmonic(frames, plan, hz, h);
    // The phase of a weak harmonic wanders more; its error, divided by h,
    // shrinks with h: weight by power times h^2.
    const double weight = track.power * h * h;
    weighted = weighted + weight * track.correction;
    weights = weights + weight;
    power = power + track.power;
  }
  if (weights <= 0.0) return fit;
  double signal = 0.0;  // the windowed power of every stretch and channel
  for (std::uint32_t j = 0; j < plan.count; ++j) {
    for (std::uint32_t n = 0; n < plan.length; ++n) {
      for (int ch = 0; ch < frames.channels; ++ch) {
        const double v = frames.at(j * plan.hop + n, ch);
        signal = signal + plan.window[n] * (v * v);
      }
    }
  }
  fit.hz = hz + weighted / weights;
  fit.harmonic_share = signal > 0.0 ? 2.0 * power / (plan.window_sum * signal) : 0.0;
  return fit;
}

}  // namespace

HarmonicFit FitHarmonics(const PipeFrames& frames, double coarse_hz) {
  // The first pass follows only the two lowest harmonics, whose phase steps
  // stay unambiguous however rough the coarse pitch; the later ones use all.
  HarmonicFit fit = Refine(frames, coarse_hz, 2);
  for (int pass = 0; pass < 2 && fit.hz > 0.0; ++pass) fit = Refine(frames, fit.hz, kMostHarmonics);
  return fit;
}

}  // namespace zelvanor::pitch
