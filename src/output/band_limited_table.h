// The coefficient table of the band-limited kernel (Q=3): a Kaiser-windowed
// sinc low-pass, sampled at kPhases positions between two source frames.
//
// The pass band reaches 0.82 of the output's Nyquist frequency as seen in
// the source (the source's Nyquist when the pitch goes down, that divided by
// the factor when it goes up) and the stop band starts at that Nyquist
// frequency, so nothing folds back into the audible band when frames are
// dropped and no mirror images appear when frames are added. A window for
// about 100 dB of stop-band attenuation; the kernel grows with the factor
// above 1, so the cost per source frame stays about the same.
//
// Each row is normalised to a sum of exactly 1 before it is rounded, so a
// constant signal stays constant at every position. The table is built from
// series_math in plain double operations, so its floats are the same on
// every system.
#pragma once

#include <cstdint>
#include <vector>

namespace zelvanor {

class BandLimitedTable {
 public:
  // Rows per source frame; a position between two rows blends them linearly.
  static constexpr int kPhases = 256;
  // The factor above which the kernel stops growing (far outside the range
  // the program accepts; keeps the table's size bounded for any input).
  static constexpr double kLargestFactor = 8.0;

  explicit BandLimitedTable(double tuning_factor);

  // Taps per output value, a multiple of 16: frames I - half_width() + 1 to
  // I + half_width() for an output frame at position I + a, 0 <= a < 1.
  int taps() const { return taps_; }
  int half_width() const { return taps_ / 2; }

  // Row `phase` (0 <= phase < kPhases, position a = phase / kPhases): taps()
  // coefficients, followed by taps() differences to the next row.
  const float* Row(int phase) const { return values_.data() + static_cast<std::size_t>(phase) * 2 * taps_; }

 private:
  int taps_ = 0;
  std::vector<float> values_;
};

}  // namespace zelvanor
