#include "pitch/period_search.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "common/series_math.h"
#include "pitch/small_fft.h"

namespace zelvanor::pitch {
namespace {

// A normalised difference below this marks a period; pure noise stays near
// 1, a steady tone dips close to 0.
constexpr double kPeriodicDip = 0.2;
// With no dip that deep, the deepest still counts up to here.
constexpr double kWeakestDip = 0.45;
// The shortest lag: two frames (the highest pitch is below half the rate).
constexpr std::uint32_t kShortestLag = 2;

// d'(lag) for lag 0 .. longest: the difference between the first `window`
// frames and the same many frames `lag` later, over all channels, divided
// by its mean over the shorter lags. The correlation part comes from the
// transform, the energies from running sums.
std::vector<double> NormalisedDifference(const PipeFrames& frames, std::uint32_t window, std::uint32_t longest) {
  std::size_t size = 1;
  while (size < std::size_t{window} + longest) size <<= 1;
  std::vector<double> sum_re(size, 0.0), sum_im(size, 0.0);
  std::vector<double> energy(longest + 1, 0.0);
  for (int c = 0; c < frames.channels; ++c) {
    std::vector<double> a_re(size, 0.0), a_im(size, 0.0), b_re(size, 0.0), b_im(size, 0.0);
    for (std::uint32_t n = 0; n < window + longest; ++n) {
      b_re[n] = frames.at(n, c);
      if (n < window) a_re[n] = b_re[n];
    }
    Transform(a_re, a_im, false);
    Transform(b_re, b_im, false);
    for (std::size_t k = 0; k < size; ++k) {  // conj(A) B
      sum_re[k] = sum_re[k] + (a_re[k] * b_re[k] + a_im[k] * b_im[k]);
      sum_im[k] = sum_im[k] + (a_re[k] * b_im[k] - a_im[k] * b_re[k]);
    }
    double running = 0.0;
    for (std::uint32_t n = 0; n < window; ++n) running = running + frames.at(n, c) * frames.at(n, c);
    for (std::uint32_t lag = 0; lag <= longest; ++lag) {
      energy[lag] = energy[lag] + running;
      const double leaving = frames.at(lag, c), entering = frames.at(lag + window, c);
      running = running - leaving * leaving + entering * entering;
    }
  }
  Transform(sum_re, sum_im, true);
  std::vector<double> normalised(longest + 1, 1.0);
  double total = 0.0;
  for (std::uint32_t lag = 1; lag <= longest; ++lag) {
    const double correlation = sum_re[lag] / static_cast<double>(size);
    const double difference = std::max(0.0, energy[0] + energy[lag] - 2.0 * correlation);
    total = total + difference;
    normalised[lag] = total > 0.0 ? difference * lag / total : 1.0;
  }
  return normalised;
}

// How far a candidate lies from the hint, in cents: from the rough
// frequency where there is one, else from the nearest pitch of the hinted
// pitch class; 0 for every candidate without a hint.
double DistanceFromHint(double hz, const PitchHint& hint) {
  if (hint.near_hz > 0.0) return std::fabs(series::CentsOfRatio(hz / hint.near_hz));
  if (hint.pitch_class < 0) return 0.0;
  constexpr double kLowC = 8.175798915643707;  // MIDI note 0 at A4 = 440 Hz
  const double cents = series::CentsOfRatio(hz / kLowC) - 100.0 * hint.pitch_class;
  const double within = cents - 1200.0 * std::floor(cents / 1200.0);
  return std::min(within, 1200.0 - within);
}

}  // namespace

double SearchPeriod(const PipeFrames& frames, const PitchHint& hint) {
  const auto longest = std::min<std::uint32_t>(static_cast<std::uint32_t>(frames.rate / kLowestPitch),
                                               frames.count / 3);
  if (longest < 4 * kShortestLag) return 0.0;
  const std::uint32_t window = std::min(frames.count - longest, 2 * longest + 1024);
  const std::vector<double> d = NormalisedDifference(frames, window, longest);

  // Local minima deep enough; the hint picks among them, the shortest lag
  // (the period itself rather than a multiple) wins a tie.
  std::uint32_t chosen = 0, deepest = kShortestLag;
  double chosen_distance = 0.0;
  for (std::uint32_t lag = kShortestLag; lag < longest; ++lag) {
    if (d[lag] < d[deepest]) deepest = lag;
    if (d[lag] >= kPeriodicDip || d[lag] > d[lag - 1] || d[lag] > d[lag + 1]) continue;
    const double distance = DistanceFromHint(frames.rate / lag, hint);
    if (chosen == 0 || distance < chosen_distance) {
      chosen = lag;
      chosen_distance = distance;
    }
  }
  if (chosen == 0) {
    if (d[deepest] >= kWeakestDip || deepest == kShortestLag) return 0.0;
    chosen = deepest;
  }
  // The dip's bottom between frames, from a parabola through three values.
  const double before = d[chosen - 1], at = d[chosen], after = d[chosen + 1];
  const double curvature = before - 2.0 * at + after;
  const double offset = curvature > 0.0 ? 0.5 * (before - after) / curvature : 0.0;
  return frames.rate / (chosen + std::clamp(offset, -0.5, 0.5));
}

}  // namespace zelvanor::pitch
