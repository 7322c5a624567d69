// sin, the Bessel function I0, the natural logarithm and powers of two from
// their series,
// in plain double operations in a fixed order. The band-limited kernel's
// coefficient table is built from these instead of the C library's
// functions, whose last bits differ between systems and versions: one
// coefficient off by an ulp would change output bytes, and a retune must
// give the same file on every system. The logarithm serves a printed line
// that every system must print alike, and the cents of a ratio wherever a
// number of cents decides a byte of an output.
#pragma once

namespace zelvanor::series {

inline constexpr double kPi = 3.141592653589793;

// 1200 / ln 2: cents per unit of natural logarithm.
inline constexpr double kCentsPerNeper = 1731.2340490667560;

// sin(pi x), for |x| below 2^31.
double SinPi(double x);

// The same for `count` values at once, value for value the same results.
void SinPis(const double* x, double* result, int count);

// I0(sqrt(y)) for 0 <= y <= 144 (arguments up to 12): the power series of
// I0 holds only even powers, so the square of the argument is all it needs
// (no square root).
double BesselI0OfSquare(double y);

// The same for `count` values at once, value for value the same results.
void BesselI0OfSquares(const double* y, double* result, int count);

// ln(x) for x > 0; as IEEE log answers elsewhere: -inf for 0, +inf for
// +inf, NaN for a negative number or NaN.
double NaturalLog(double x);

// The interval of a frequency ratio in cents, 1200 log2(ratio), for
// ratio > 0. (tuning/tuning_factor.h turns cents into a ratio with the
// 11-digit constant every temperament factor has always been made with.)
inline double CentsOfRatio(double ratio) { return kCentsPerNeper * NaturalLog(ratio); }

// 2^x for |x| below 1000: exact for whole x, otherwise within an ulp or two.
double Exp2(double x);

// The frequency ratio of an interval of `cents`, 2^(cents / 1200): the
// inverse of CentsOfRatio, for pitches that decide output bytes (a target
// pitch). tuning/tuning_factor.h's CentsToFactor stays for the temperament
// factors, whose bytes are recorded with its own constant.
inline double RatioOfCents(double cents) { return Exp2(cents / 1200.0); }

}  // namespace zelvanor::series
