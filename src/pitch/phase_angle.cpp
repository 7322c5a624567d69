#include "pitch/phase_angle.h"

#include <cmath>

#include "common/series_math.h"

namespace zelvanor::pitch {
namespace {

// After two halvings of the angle the argument is at most tan(pi/16) <
// 0.2, where 12 terms leave out less than 0.2^25 / 25.
constexpr int kArcTangentTerms = 12;

// atan(t) for 0 <= t <= 1.
double ArcTangent(double t) {
  // atan t = 2 atan(t / (1 + sqrt(1 + t^2))); sqrt is correctly rounded
  // everywhere, so this stays the same on every system.
  for (int halving = 0; halving < 2; ++halving) t = t / (1.0 + std::sqrt(1.0 + t * t));
  const double t2 = t * t;
  double sum = 0.0;
  for (int k = kArcTangentTerms; k >= 1; --k) sum = 1.0 / static_cast<double>(2 * k + 1) - t2 * sum;
  return 4.0 * (t - t * t2 * sum);
}

}  // namespace

double PhaseAngle(double y, double x) {
  const double ax = std::fabs(x);
  const double ay = std::fabs(y);
  if (ax == 0.0 && ay == 0.0) return 0.0;
  double angle = ay <= ax ? ArcTangent(ay / ax) : series::kPi / 2.0 - ArcTangent(ax / ay);
  if (x < 0.0) angle = series::kPi - angle;
  return y < 0.0 ? -angle : angle;
}

}  // namespace zelvanor::pitch
