#include "pitch/harmonic_fit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "common/series_math.h"
#include "pitch/phase_angle.h"
#include "pitch/small_fft.h"
#include "wave/chunk_layout.h"

namespace zelvanor::pitch {
namespace {

// Harmonics beyond the sixth add little: their weight grows with h^2 but
// their power falls faster in every pipe family, and each costs as much as
// the fundamental.
constexpr int kMostHarmonics = 6;
// Partials this close to half the rate are left out: the recording's
// anti-aliasing filter bends their phase.
constexpr double kHighestPartial = 0.47;
// A stretch spans three periods (the Hann window's zeros then fall on the
// neighbouring harmonics) but at least this many frames.
constexpr std::uint32_t kShortestStretch = 32;
constexpr double kStretchPeriods = 3.0;
// The first pass follows the three lowest harmonics (a reed's weak
// fundamental and a stopped pipe's weak second partial leave one strong)
// through this many periods, stretch after overlapping stretch: with steps
// of a period and a half, the third harmonic's phase step stays
// unambiguous for a coarse pitch within 10 %.
constexpr double kFirstPassPeriods = 9.0;
constexpr int kFirstPassHarmonics = 3;
// The later passes place this many stretches over the whole range, at most
// this many periods apart: a pitch within 0.5 cent after the first pass
// keeps the sixth harmonic's phase step below a quarter turn.
constexpr std::uint32_t kSpreadStretches = 8;
constexpr double kWidestStep = 64.0;

struct Stretches {
  std::uint32_t length = 0;
  std::uint32_t hop = 0;
  std::uint32_t count = 0;
  std::vector<double> window;
  double window_sum = 0.0;
};

// Stretches of three periods over the first `span` frames, `hop` apart.
Stretches PlanStretches(const PipeFrames& frames, double hz, bool spread) {
  Stretches plan;
  const double period = frames.rate / hz;
  plan.length = std::max(kShortestStretch, static_cast<std::uint32_t>(std::floor(kStretchPeriods * period + 0.5)));
  plan.length = std::min(plan.length, frames.count / 2);
  if (plan.length < 2) return plan;
  const std::uint32_t span = frames.count - plan.length;
  if (spread) {
    plan.hop = std::max(plan.length / 2, span / (kSpreadStretches - 1));
    plan.hop = std::min(plan.hop, std::max(plan.length / 2, static_cast<std::uint32_t>(kWidestStep * period)));
  } else {
    plan.hop = plan.length / 2;
  }
  const std::uint32_t covered = spread ? span : std::min<std::uint32_t>(span, kFirstPassPeriods * period);
  plan.count = covered / plan.hop + 1;
  if (spread) plan.count = std::min(plan.count, kSpreadStretches);
  plan.window = HannWindow(plan.length);
  for (const double weight : plan.window) plan.window_sum = plan.window_sum + weight;
  return plan;
}

// The windowed heterodyne of harmonics 1 .. harmonics to 0 Hz in every
// stretch, each frame read once for all of them:
// re/im[(j * harmonics + h - 1) * channels + c]; and, from the same
// reads, the windowed power of every stretch and channel.
struct Heterodynes {
  int harmonics = 0;
  std::vector<double> re, im;
  double signal = 0.0;
};

// kChannels fixed where it is 1 or 2 lets the compiler unroll the inner
// loops (0: any count); the operations are the same either way.
template <int kChannels>
void HeterodyneStretches(const PipeFrames& frames, const Stretches& plan, double hz, Heterodynes& result) {
  const int channels = kChannels > 0 ? kChannels : frames.channels;
  const int harmonics = result.harmonics;
  const double cycles = hz / frames.rate;  // of the fundamental, per frame
  std::array<double, kMostHarmonics> step_cos{}, step_sin{}, c{}, s{};
  for (int h = 0; h < harmonics; ++h) {
    step_cos[h] = series::SinPi(2.0 * cycles * (h + 1) + 0.5);
    step_sin[h] = series::SinPi(2.0 * cycles * (h + 1));
  }
  const std::size_t per_stretch = static_cast<std::size_t>(harmonics * channels);
  for (std::uint32_t j = 0; j < plan.count; ++j) {
    const std::uint32_t start = j * plan.hop;
    // The reference phase is the file's frame number, so every stretch
    // measures against the same clock.
    for (int h = 0; h < harmonics; ++h) {
      const double turns = 2.0 * cycles * (h + 1) * (frames.first + start);
      c[h] = series::SinPi(turns + 0.5);
      s[h] = series::SinPi(turns);
    }
    std::array<double, kMostHarmonics * kMaxChannels> re{}, im{};
    std::array<double, kMaxChannels> v{};
    for (std::uint32_t n = 0; n < plan.length; ++n) {
      for (int ch = 0; ch < channels; ++ch) {
        const double x = frames.at(start + n, ch);
        v[ch] = x * plan.window[n];
        result.signal = result.signal + plan.window[n] * (x * x);
      }
      for (int h = 0; h < harmonics; ++h) {
        for (int ch = 0; ch < channels; ++ch) {
          re[h * channels + ch] = re[h * channels + ch] + v[ch] * c[h];
          im[h * channels + ch] = im[h * channels + ch] - v[ch] * s[h];
        }
        const double next_c = c[h] * step_cos[h] - s[h] * step_sin[h];
        s[h] = s[h] * step_cos[h] + c[h] * step_sin[h];
        c[h] = next_c;
      }
    }
    std::copy(re.begin(), re.begin() + per_stretch, result.re.begin() + j * per_stretch);
    std::copy(im.begin(), im.begin() + per_stretch, result.im.begin() + j * per_stretch);
  }
}

Heterodynes Heterodyne(const PipeFrames& frames, const Stretches& plan, double hz, int harmonics) {
  Heterodynes result;
  result.harmonics = harmonics;
  const std::size_t values = std::size_t{plan.count} * harmonics * frames.channels;
  result.re.assign(values, 0.0);
  result.im.assign(values, 0.0);
  if (frames.channels == 1) HeterodyneStretches<1>(frames, plan, hz, result);
  else if (frames.channels == 2) HeterodyneStretches<2>(frames, plan, hz, result);
  else HeterodyneStretches<0>(frames, plan, hz, result);
  return result;
}

struct HarmonicTrack {
  double correction = 0.0;  // Hz to add to the fundamental, as this harmonic sees it
  double power = 0.0;       // sum of |Z|^2 over stretches and channels
};

// Follows harmonic h's phase from stretch to stretch.
HarmonicTrack FollowHarmonic(const Heterodynes& z, const Stretches& plan, int channels, double rate, int h) {
  HarmonicTrack track;
  double phase = 0.0, sum_j = 0.0, sum_phase = 0.0, sum_jj = 0.0, sum_j_phase = 0.0;
  for (std::uint32_t j = 0; j < plan.count; ++j) {
    double pair_re = 0.0, pair_im = 0.0;  // sum over channels of Z_j conj(Z_j-1)
    for (int ch = 0; ch < channels; ++ch) {
      const std::size_t at = (std::size_t{j} * z.harmonics + (h - 1)) * channels + ch;
      track.power = track.power + (z.re[at] * z.re[at] + z.im[at] * z.im[at]);
      if (j == 0) continue;
      const std::size_t last = at - static_cast<std::size_t>(z.harmonics * channels);
      pair_re = pair_re + (z.re[at] * z.re[last] + z.im[at] * z.im[last]);
      pair_im = pair_im + (z.im[at] * z.re[last] - z.re[at] * z.im[last]);
    }
    // Each step's phase change is small, so adding them unwraps the phase.
    if (j > 0) phase = phase + PhaseAngle(pair_im, pair_re);
    sum_j = sum_j + j;
    sum_phase = sum_phase + phase;
    sum_jj = sum_jj + static_cast<double>(j) * j;
    sum_j_phase = sum_j_phase + j * phase;
  }
  // The phase's slope per stretch, by least squares.
  const double n = plan.count;
  const double slope = (n * sum_j_phase - sum_j * sum_phase) / (n * sum_jj - sum_j * sum_j);
  track.correction = slope / (2.0 * series::kPi * plan.hop * h) * rate;
  return track;
}

// One refinement with harmonics 1 .. most, over the first periods or
// spread over all frames.
HarmonicFit Refine(const PipeFrames& frames, double hz, int most, bool spread) {
  HarmonicFit fit;
  const Stretches plan = PlanStretches(frames, hz, spread);
  if (plan.count < 3) return fit;
  const int harmonics = std::clamp(static_cast<int>(kHighestPartial * frames.rate / hz), 1, most);
  const Heterodynes z = Heterodyne(frames, plan, hz, harmonics);
  double weighted = 0.0, weights = 0.0, power = 0.0;
  for (int h = 1; h <= harmonics; ++h) {
    const HarmonicTrack track = FollowHarmonic(z, plan, frames.channels, frames.rate, h);
    // The phase of a weak harmonic wanders more; its error, divided by h,
    // shrinks with h: weight by power times h^2.
    const double weight = track.power * h * h;
    weighted = weighted + weight * track.correction;
    weights = weights + weight;
    power = power + track.power;
  }
  if (weights <= 0.0) return fit;
  fit.hz = hz + weighted / weights;
  if (!spread) return fit;
  fit.harmonic_share = z.signal > 0.0 ? 2.0 * power / (plan.window_sum * z.signal) : 0.0;
  return fit;
}

}  // namespace

HarmonicFit FitHarmonics(const PipeFrames& frames, double coarse_hz) {
  const HarmonicFit first = Refine(frames, coarse_hz, kFirstPassHarmonics, false);
  if (first.hz <= 0.0) return first;
  return Refine(frames, first.hz, kMostHarmonics, true);
}

}  // namespace zelvanor::pitch
