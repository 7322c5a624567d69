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
// A later dip replaces an earlier one only when this much deeper, and only
// an earlier one at least this deep: between whole lags even a true
// period's dip is sampled off its bottom, by less than this.
constexpr double kMuchDeeper = 0.25;
constexpr double kFalsePeriodDip = 0.05;
// With no dip that deep, the deepest still counts up to here.
constexpr double kWeakestDip = 0.45;
// Noise: no dip below this at any lag.
constexpr double kNoiseDip = 0.8;
// The shortest lag: two frames (the highest pitch is below half the rate).
constexpr std::uint32_t kShortestLag = 2;
// Periods shorter than this many frames are sampled too coarsely for the
// difference function (a strong upper partial turns by a large part of a
// cycle between two lags, so its first deep dip may be at a multiple of the
// period); the spectrum decides them.
constexpr std::uint32_t kShortestSampledPeriod = 48;
// A partial counts in the spectrum from this share of the strongest
// partial's power (-30 dB): a reed's fundamental 20 dB down counts, wind
// noise 50 dB down does not.
constexpr double kWeakestPartial = 1e-3;
// Frames the spectrum of a short period is taken from: bins of 23 Hz at
// 96 kHz, fine enough for pitches above 1.8 kHz (the short periods).
constexpr std::size_t kSpectrumFrames = 4096;
// The strongest partial is taken for at most the eighth harmonic.
constexpr int kMostPartialsBelow = 8;
// How far (relative) a partial may lie from a candidate's multiple.
constexpr double kPartialTolerance = 0.03;

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

// The bottom of a dip or the top of a peak between bins, from a parabola
// through three values.
double Vertex(double before, double at, double after) {
  const double curvature = before - 2.0 * at + after;
  return curvature != 0.0 ? std::clamp(0.5 * (before - after) / curvature, -0.5, 0.5) : 0.0;
}

struct Spectrum {
  std::vector<double> power;  // bins 0 .. size/2, all channels
  double bin_hz = 0.0;
};

// The power spectrum of the first frames (up to kSpectrumFrames) under a
// Hann window, whose side lobes fall fast enough that a strong partial
// cannot pass for a weak one nearby.
Spectrum PowerSpectrum(const PipeFrames& frames) {
  std::size_t size = 4;
  while (size * 2 <= std::min<std::size_t>(frames.count, kSpectrumFrames)) size <<= 1;
  const FourierTransform transform(size);
  Spectrum result;
  result.bin_hz = frames.rate / static_cast<double>(size);
  result.power.assign(size / 2 + 1, 0.0);
  const std::vector<double> window = HannWindow(size);
  std::vector<double> re(size), im(size);
  for (int c = 0; c < frames.channels; ++c) {
    for (std::size_t n = 0; n < size; ++n) {
      re[n] = frames.at(static_cast<std::uint32_t>(n), c) * window[n];
      im[n] = 0.0;
    }
    transform.Transform(re, im, false);
    for (std::size_t k = 0; k <= size / 2; ++k) result.power[k] = result.power[k] + (re[k] * re[k] + im[k] * im[k]);
  }
  return result;
}

// d'(lag): the difference between the first `window` frames and the same
// many frames `lag` later, over all channels, divided by its mean over the
// shorter lags. The correlation comes from the transform (two real
// channels packed in one complex transform), the energies from running
// sums.
std::vector<double> NormalisedDifference(const PipeFrames& frames, std::uint32_t window, std::uint32_t longest) {
  std::size_t size = 4;
  while (size < std::size_t{window} + longest) size <<= 1;
  const FourierTransform transform(size);
  std::vector<double> sum_re(size, 0.0), sum_im(size, 0.0), energy(longest + 1, 0.0);
  std::vector<double> re(size), im(size);
  for (int c = 0; c < frames.channels; ++c) {
    // re: the first `window` frames; im: all `window + longest`.
    std::fill(re.begin(), re.end(), 0.0);
    std::fill(im.begin(), im.end(), 0.0);
    for (std::uint32_t n = 0; n < window + longest; ++n) {
      im[n] = frames.at(n, c);
      if (n < window) re[n] = im[n];
    }
    transform.Transform(re, im, false);
    for (std::size_t k = 0; k < size; ++k) {
      const std::size_t mirror = (size - k) % size;
      // A = (Z_k + conj Z_-k) / 2, B = (Z_k - conj Z_-k) / 2i; add conj(A) B.
      const double a_re = 0.5 * (re[k] + re[mirror]), a_im = 0.5 * (im[k] - im[mirror]);
      const double b_re = 0.5 * (im[k] + im[mirror]), b_im = 0.5 * (re[mirror] - re[k]);
      sum_re[k] = sum_re[k] + (a_re * b_re + a_im * b_im);
      sum_im[k] = sum_im[k] + (a_re * b_im - a_im * b_re);
    }
    double running = 0.0;
    for (std::uint32_t n = 0; n < window; ++n) running = running + frames.at(n, c) * frames.at(n, c);
    for (std::uint32_t lag = 0; lag <= longest; ++lag) {
      energy[lag] = energy[lag] + running;
      if (lag == longest) break;  // a further update would read frame `count`, past the stretch
      const double leaving = frames.at(lag, c), entering = frames.at(lag + window, c);
      running = running - leaving * leaving + entering * entering;
    }
  }
  transform.Transform(sum_re, sum_im, true);
  std::vector<double> result(longest + 1, 1.0);
  double total = 0.0;
  for (std::uint32_t lag = 1; lag <= longest; ++lag) {
    const double correlation = sum_re[lag] / static_cast<double>(size);
    const double difference = std::max(0.0, energy[0] + energy[lag] - 2.0 * correlation);
    total = total + difference;
    result[lag] = total > 0.0 ? difference * lag / total : 1.0;
  }
  return result;
}

// The first deep dip is the period, unless a later one is much deeper:
// then the first was a false period (a reed whose fundamental and odd
// partials are weak nearly repeats itself every half period) and the hint
// picks between the two. A true period's multiples dip as deep as it does,
// so a wrong hint (a mutation rank named by its key) never picks one.
// 0 when there is no dip.
double PeriodFromDips(const std::vector<double>& d, double rate, const PitchHint& hint) {
  const auto longest = static_cast<std::uint32_t>(d.size() - 1);
  std::uint32_t chosen = 0, deepest = kShortestLag;
  for (std::uint32_t lag = kShortestLag; lag < longest; ++lag) {
    if (d[lag] < d[deepest]) deepest = lag;
    if (d[lag] >= kPeriodicDip || d[lag] > d[lag - 1] || d[lag] > d[lag + 1]) continue;
    if (chosen == 0 || (d[chosen] >= kFalsePeriodDip && d[lag] < kMuchDeeper * d[chosen] &&
                        DistanceFromHint(rate / lag, hint) <= DistanceFromHint(rate / chosen, hint))) {
      chosen = lag;
    }
  }
  if (chosen == 0) {
    if (d[deepest] >= kWeakestDip || deepest == kShortestLag) return 0.0;
    chosen = deepest;
  }
  return chosen + Vertex(d[chosen - 1], d[chosen], d[chosen + 1]);
}

// A short period from the spectrum: the strongest partial is the m-th
// harmonic of the pitch for some m. A candidate counts where a partial
// stands at its pitch and at half or more of its harmonics below the
// strongest (a stopped pipe lacks the even ones); the lowest that counts
// is the pitch. (No hint here: a wrong one would pick a subharmonic.)
double PitchFromSpectrum(const PipeFrames& frames, double lowest_hz) {
  const Spectrum analysis = PowerSpectrum(frames);
  const std::vector<double>& power = analysis.power;
  std::size_t strongest = 1;
  for (std::size_t k = 1; k + 1 < power.size(); ++k) {
    if (power[k] > power[strongest]) strongest = k;
  }
  const double top = analysis.bin_hz * (strongest + Vertex(power[strongest - 1], power[strongest],
                                                           power[strongest + 1]));
  const auto has_partial = [&](double hz) {
    const auto low = static_cast<std::size_t>(hz * (1.0 - kPartialTolerance) / analysis.bin_hz);
    const auto high = static_cast<std::size_t>(hz * (1.0 + kPartialTolerance) / analysis.bin_hz) + 1;
    for (std::size_t k = std::max<std::size_t>(low, 1); k <= high && k < power.size(); ++k) {
      if (power[k] >= kWeakestPartial * power[strongest]) return true;
    }
    return false;
  };
  for (int m = kMostPartialsBelow; m > 1; --m) {
    const double hz = top / m;
    if (hz < lowest_hz || !has_partial(hz)) continue;
    int present = 0;
    for (int j = 2; j < m; ++j) present += has_partial(j * hz) ? 1 : 0;
    if (2 * present >= m - 2) return hz;
  }
  return top;
}

}  // namespace

double SearchPeriod(const PipeFrames& frames, const PitchHint& hint) {
  // Lags up to the lowest pitch's period, or with a rough frequency to two
  // octaves below it (which keeps the transform small).
  const double lowest = hint.near_hz > 0.0 ? std::max(kLowestPitch, hint.near_hz / 4.0) : kLowestPitch;
  const auto longest = std::min<std::uint32_t>(static_cast<std::uint32_t>(frames.rate / lowest), frames.count / 3);
  if (longest < 4 * kShortestLag) return 0.0;
  const std::uint32_t window = std::min(frames.count - longest, longest + 512);
  const std::vector<double> difference = NormalisedDifference(frames, window, longest);
  const double period = PeriodFromDips(difference, frames.rate, hint);
  if (period >= kShortestSampledPeriod) return frames.rate / period;
  if (period <= 0.0) {
    // Noise never repeats itself by much at any lag; a tone whose period
    // falls between the lags still does a little.
    const double deepest = *std::min_element(difference.begin() + kShortestLag, difference.end());
    if (deepest >= kNoiseDip) return 0.0;
  }
  return PitchFromSpectrum(frames, frames.rate / longest);
}

}  // namespace zelvanor::pitch
