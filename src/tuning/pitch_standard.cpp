#include "tuning/pitch_standard.h"

#include <cmath>
#include <limits>

#include "common/series_math.h"

namespace zelvanor {
namespace {

constexpr int kNoteA = 9;
// A temperament list may hold any number; a note this far from A (a
// hundred octaves) has no pitch, and the series would leave their range.
constexpr double kFarthestCentsFromA = 120000.0;

}  // namespace

double TargetPitch(int note, const Temperament& temperament, double a4_hz, double pitch_hz) {
  const auto n = static_cast<std::size_t>(note);
  // The shift moves A with every other note, so it counts once, as it does
  // between two temperaments.
  const double cents_from_a = temperament.cents[n] - temperament.cents[kNoteA] + temperament.offset;
  if (!(std::fabs(cents_from_a) < kFarthestCentsFromA)) return std::numeric_limits<double>::quiet_NaN();
  const double in_octave_four = a4_hz * series::RatioOfCents(cents_from_a);
  // Whole octaves (ldexp, exact) to the one nearest the pipe.
  const double octaves = std::nearbyint(series::CentsOfRatio(pitch_hz / in_octave_four) / 1200.0);
  return std::ldexp(in_octave_four, static_cast<int>(octaves));
}

}  // namespace zelvanor
