// sin, the Bessel function I0 and the natural logarithm from their series,
// in plain double operations in a fixed order. The band-limited kernel's
// coefficient table is built from these instead of the C library's
// functions, whose last bits differ between systems and versions: one
// coefficient off by an ulp would change output bytes, and a retune must
// give the same file on every system. The logarithm serves a printed line
// that every system must print alike.
#pragma once

namespace zelvanor::series {

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

// ln(x) for x > 0 (x a normal number).
double NaturalLog(double x);

}  // namespace zelvanor::series
