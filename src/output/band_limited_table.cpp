#include "output/band_limited_table.h"

#include <cstdlib>

#include "common/series_math.h"

namespace zelvanor {
namespace {

// Band edges as fractions of the output's Nyquist frequency seen in the
// source: flat to 0.82 of it (18 kHz at 44.1 kHz when the pitch goes
// down), stopped from 1.0 on.
constexpr double kPassBand = 0.82;
constexpr double kStopBand = 1.0;
// Kaiser's design rules for 100 dB: the window's shape and the length
// that reaches the attenuation over the transition band.
constexpr double kAttenuationDb = 100.0;
constexpr double kBeta = 0.1102 * (kAttenuationDb - 8.7);
constexpr int kTapMultiple = 16;  // the filter loop works in steps of 16 taps

// The taps a kernel needs for a transition band `width` cycles per frame
// wide, rounded up to the loop's step.
int TapsFor(double width) {
  const double order = (kAttenuationDb - 7.95) / (14.36 * width);
  const int taps = static_cast<int>(order) + 2;
  return (taps + kTapMultiple - 1) / kTapMultiple * kTapMultiple;
}

}  // namespace

BandLimitedTable::BandLimitedTable(double tuning_factor) {
  // The cut-off scales down with a factor above 1 (frames are dropped) and
  // stays at the source's Nyquist frequency below it.
  const double factor = tuning_factor > 1.0 ? (tuning_factor < kLargestFactor ? tuning_factor : kLargestFactor) : 1.0;
  const double nyquist = 0.5 / factor;  // cycles per source frame
  const double cutoff = nyquist * (kPassBand + kStopBand) * 0.5;
  taps_ = TapsFor(nyquist * (kStopBand - kPassBand));
  const int half_width = taps_ / 2;

  // The kernel at every 1/kPhases of a frame from its centre to its edge
  // (it is even): sinc(2 cutoff t) times a Kaiser window that reaches 0
  // exactly at the edge, so that the rows join without a step.
  const int points = half_width * kPhases + 1;
  std::vector<double> argument(static_cast<std::size_t>(points));
  std::vector<double> sine(static_cast<std::size_t>(points));
  std::vector<double> window(static_cast<std::size_t>(points));
  for (int m = 0; m < points; ++m) {
    const double t = static_cast<double>(m) / kPhases;
    argument[m] = 2.0 * cutoff * t;
    const double u = t / half_width;
    window[m] = kBeta * kBeta * (1.0 - u * u);
  }
  series::SinPis(argument.data(), sine.data(), points);
  series::BesselI0OfSquares(window.data(), window.data(), points);
  const double window_scale = 1.0 / (series::BesselI0OfSquare(kBeta * kBeta) - 1.0);
  std::vector<double> kernel(static_cast<std::size_t>(points));
  for (int m = 0; m < points; ++m) {
    const double sinc = m == 0 ? 1.0 : sine[m] / (series::kPi * argument[m]);
    kernel[m] = sinc * ((window[m] - 1.0) * window_scale);
  }

  // Row j holds the kernel at t = d - j/kPhases for the taps' frame
  // distances d = -half_width + 1 .. half_width, normalised to sum 1.
  const auto row_values = [&](int phase, std::vector<double>& row) {
    double sum = 0.0;
    for (int i = 0; i < taps_; ++i) {
      const int m = std::abs((i - half_width + 1) * kPhases - phase);
      row[i] = kernel[m];
      sum += row[i];
    }
    const double scale = 1.0 / sum;
    for (int i = 0; i < taps_; ++i) row[i] *= scale;
  };
  values_.resize(static_cast<std::size_t>(kPhases) * 2 * taps_);
  std::vector<double> row(static_cast<std::size_t>(taps_));
  std::vector<double> next(static_cast<std::size_t>(taps_));
  row_values(0, row);
  for (int phase = 0; phase < kPhases; ++phase) {
    row_values(phase + 1, next);
    float* out = values_.data() + static_cast<std::size_t>(phase) * 2 * taps_;
    for (int i = 0; i < taps_; ++i) {
      out[i] = static_cast<float>(row[i]);
      out[taps_ + i] = static_cast<float>(next[i] - row[i]);
    }
    row.swap(next);
  }
}

}  // namespace zelvanor
