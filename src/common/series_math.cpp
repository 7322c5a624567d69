#include "common/series_math.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace zelvanor::series {
namespace {

constexpr double kLn2 = 0.6931471805599453;

// Enough terms for full double precision over each series' range (the
// first term left out is below 1e-25 of the result). A fixed count keeps
// the operations the same whatever the argument.
constexpr int kSinTerms = 13;     // |pi y| <= pi/2: (pi/2)^29 / 29!
constexpr int kBesselTerms = 32;  // y/4 <= 36: 36^33 / (33!)^2 against I0(12)
constexpr int kLogTerms = 24;     // |u| <= 0.172: u^49 / 49
constexpr int kExpTerms = 17;     // |t| <= 0.347: t^18 / 18!

// Reciprocals the series multiply by, each rounded once at compile time.
struct SeriesConstants {
  double sine[kSinTerms + 1] = {};         // 1 / ((2k) (2k + 1))
  double inverse_square[kBesselTerms + 1] = {};  // 1 / k^2
  double inverse[kExpTerms + 1] = {};              // 1 / k
  constexpr SeriesConstants() {
    for (int k = 1; k <= kExpTerms; ++k) inverse[k] = 1.0 / static_cast<double>(k);
    for (int k = 1; k <= kSinTerms; ++k) sine[k] = 1.0 / static_cast<double>((2 * k) * (2 * k + 1));
    for (int k = 1; k <= kBesselTerms; ++k) inverse_square[k] = 1.0 / static_cast<double>(k * k);
  }
};
constexpr SeriesConstants kConstants;

// Values are worked in batches held in small arrays, each step applied to
// the whole batch: independent chains the processor can overlap and a
// compiler can vectorise, with every value's operations unchanged.
constexpr int kBatch = 64;

}  // namespace

double SinPi(double x) {
  double result = 0.0;
  SinPis(&x, &result, 1);
  return result;
}

void SinPis(const double* x, double* result, int count) {
  for (int first = 0; first < count; first += kBatch) {
    const int n = count - first < kBatch ? count - first : kBatch;
    double z2[kBatch];
    double z[kBatch];
    bool odd[kBatch];
    for (int i = 0; i < n; ++i) {
      // x = m + y with m an integer and |y| <= 1/2; both steps are exact.
      auto m = static_cast<std::int64_t>(x[first + i]);
      double y = x[first + i] - static_cast<double>(m);
      if (y > 0.5) {
        y -= 1.0;
        ++m;
      } else if (y < -0.5) {
        y += 1.0;
        --m;
      }
      odd[i] = (m % 2) != 0;
      z[i] = kPi * y;
      z2[i] = z[i] * z[i];
    }
    // sin z = z (1 - z^2/(2*3) (1 - z^2/(4*5) (1 - ...))), innermost first.
    double s[kBatch];
    for (int i = 0; i < n; ++i) s[i] = 1.0;
    for (int k = kSinTerms; k >= 1; --k) {
      const double factor = kConstants.sine[k];
      for (int i = 0; i < n; ++i) s[i] = 1.0 - (z2[i] * s[i]) * factor;
    }
    for (int i = 0; i < n; ++i) result[first + i] = odd[i] ? -(z[i] * s[i]) : z[i] * s[i];
  }
}

double BesselI0OfSquare(double y) {
  double result = 0.0;
  BesselI0OfSquares(&y, &result, 1);
  return result;
}

void BesselI0OfSquares(const double* y, double* result, int count) {
  // I0(x) = sum over k of ((x^2/4)^k) / (k!)^2.
  for (int first = 0; first < count; first += kBatch) {
    const int n = count - first < kBatch ? count - first : kBatch;
    double q[kBatch];
    double term[kBatch];
    double sum[kBatch];
    for (int i = 0; i < n; ++i) {
      q[i] = y[first + i] * 0.25;
      term[i] = 1.0;
      sum[i] = 1.0;
    }
    for (int k = 1; k <= kBesselTerms; ++k) {
      const double inverse = kConstants.inverse_square[k];
      for (int i = 0; i < n; ++i) {
        term[i] = (term[i] * q[i]) * inverse;
        sum[i] = sum[i] + term[i];
      }
    }
    for (int i = 0; i < n; ++i) result[first + i] = sum[i];
  }
}

double NaturalLog(double x) {
  // Outside (0, inf) the halving and doubling below would never end.
  if (!(x > 0.0 && x < HUGE_VAL)) return x == 0.0 ? -HUGE_VAL : x > 0.0 ? x : std::numeric_limits<double>::quiet_NaN();
  // x = m 2^e with m in [sqrt(1/2), sqrt(2)): halving and doubling are exact.
  int e = 0;
  double m = x;
  while (m >= 1.4142135623730951) {
    m *= 0.5;
    ++e;
  }
  while (m < 0.7071067811865476) {
    m *= 2.0;
    --e;
  }
  // ln m = 2 atanh(u) = 2 (u + u^3/3 + u^5/5 + ...), u = (m - 1) / (m + 1).
  const double u = (m - 1.0) / (m + 1.0);
  const double u2 = u * u;
  double s = 1.0 / static_cast<double>(2 * kLogTerms + 1);
  for (int k = kLogTerms - 1; k >= 0; --k) s = s * u2 + 1.0 / static_cast<double>(2 * k + 1);
  return 2.0 * u * s + static_cast<double>(e) * kLn2;
}

double Exp2(double x) {
  // x = n + r with n whole and |r| <= 1/2 (both exact), 2^r = e^t with
  // t = r ln 2; scaling by 2^n (ldexp) is exact.
  const double n = std::nearbyint(x);
  const double t = (x - n) * kLn2;
  // e^t = 1 + t (1 + t/2 (1 + t/3 (1 + ...))), innermost first.
  double s = 1.0;
  for (int k = kExpTerms; k >= 1; --k) s = 1.0 + (t * s) * kConstants.inverse[k];
  return std::ldexp(s, static_cast<int>(n));
}

}  // namespace zelvanor::series
