// The three interpolation kernels. Each computes one output sample value of
// one channel from up to four consecutive source values and the position r
// (0 < r <= 1) of the output frame behind `current`.
//
// The arithmetic is fixed operation by operation so that every build on
// every platform produces the same bytes: integer combinations in 32 bits,
// then double operations in exactly the order written (no contraction, see
// -ffp-contract=off), the two higher kernels with the position rounded to a
// float first, and a final +0.5 and truncation toward zero. That last step is
// not round-to-nearest for negative values (-2.7 gives -2); it stays so,
// because retuned sets must stay byte-identical to those already made.
//
// The results are not clamped: callers saturate before storing.
// Preconditions: the values are 24-bit sample values (|x| < 2^23), so no
// integer combination overflows, and r is finite and small (at most a few
// frames past `current`), so the truncation fits 64 bits.
#pragma once

#include <cstdint>

namespace zelvanor {

// Four consecutive source values of one channel: x-1, x0, x1, x2.
struct KernelWindow {
  std::int32_t previous = 0;    // x-1, the frame before the current one
  std::int32_t current = 0;     // x0, the frame consumed last
  std::int32_t next = 0;        // x1, the frame at the read pointer
  std::int32_t after_next = 0;  // x2, the frame after that
};

namespace kernel_detail {

inline constexpr double kHalf = 0.5;
inline constexpr double kFour = 4.0;
inline constexpr double kOneSixth = 1.0 / 6.0;

// Truncation toward zero through a 64-bit intermediate: defined for every
// value the kernels can produce, and identical to a 32-bit conversion
// wherever that one is defined.
inline std::int32_t TruncateTowardZero(double value) {
  return static_cast<std::int32_t>(static_cast<std::int64_t>(value));
}

}  // namespace kernel_detail

// Each kernel's arithmetic, written once: the sum before the final
// truncation, its +0.5 included. The per-value kernels below truncate it;
// the block kernels (block_kernels.cpp) saturate and truncate it, and give
// the same results because the sum stays far inside the 32-bit range.

// The linear kernel rounds only the increment over x0; x0 is added as an
// integer after the truncation.
inline double LinearSum(std::int32_t x0, std::int32_t x1, double r) {
  using namespace kernel_detail;
  const std::int32_t d = x1 - x0;
  double s = static_cast<double>(d) * r;
  s = s + kHalf;
  return s;
}

// The parabola through (0, x-1), (1, x0), (2, x1), evaluated at 1 + r.
inline double QuadraticSum(std::int32_t x_minus1, std::int32_t x0, std::int32_t x1, double r) {
  using namespace kernel_detail;
  const double u = static_cast<float>(r + 1.0);
  const std::int32_t d2 = x_minus1 - 2 * x0 + x1;
  const std::int32_t d1 = x1 - x_minus1;
  const double q2 = static_cast<double>(d2) * kHalf;
  const double q1 = (static_cast<double>(d1) - q2 * kFour) * kHalf;
  const double q0 = (static_cast<double>(x0) - q2) - q1;
  double s = q2 * u;
  s = s + q1;
  s = s * u;
  s = q0 + s;
  s = s + kHalf;
  return s;
}

// Four-point Lagrange: the cubic through (-1, x-1), (0, x0), (1, x1),
// (2, x2), evaluated at r.
inline double HyperbolicSum(std::int32_t x_minus1, std::int32_t x0, std::int32_t x1, std::int32_t x2,
                            double r) {
  using namespace kernel_detail;
  const double t = static_cast<float>(r);
  const std::int32_t c2 = x_minus1 - 2 * x0 + x1;
  const std::int32_t c3 = 3 * (x0 - x1) - x_minus1 + x2;
  const std::int32_t c1 = 3 * (2 * x1 - x0) - 2 * x_minus1 - x2;
  double s = static_cast<double>(c2) * kHalf;
  s = s + (static_cast<double>(c3) * kOneSixth) * t;
  s = s * t;
  s = s + static_cast<double>(c1) * kOneSixth;
  s = s * t;
  s = s + static_cast<double>(x0);
  s = s + kHalf;
  return s;
}

inline std::int32_t InterpolateLinear(std::int32_t x0, std::int32_t x1, double r) {
  return x0 + kernel_detail::TruncateTowardZero(LinearSum(x0, x1, r));
}

inline std::int32_t InterpolateQuadratic(std::int32_t x_minus1, std::int32_t x0, std::int32_t x1,
                                         double r) {
  return kernel_detail::TruncateTowardZero(QuadraticSum(x_minus1, x0, x1, r));
}

inline std::int32_t InterpolateHyperbolic(std::int32_t x_minus1, std::int32_t x0, std::int32_t x1,
                                          std::int32_t x2, double r) {
  return kernel_detail::TruncateTowardZero(HyperbolicSum(x_minus1, x0, x1, x2, r));
}

// Stateless kernel types for loops that are instantiated once per kernel,
// so the choice is made once per data chunk and not per sample. kTaps says
// which values a kernel reads; a loop can skip fetching the others.
struct LinearKernel {
  static constexpr int kTaps = 2;  // x0, x1
  static std::int32_t Interpolate(const KernelWindow& w, double r) {
    return InterpolateLinear(w.current, w.next, r);
  }
};

struct QuadraticKernel {
  static constexpr int kTaps = 3;  // x-1, x0, x1
  static std::int32_t Interpolate(const KernelWindow& w, double r) {
    return InterpolateQuadratic(w.previous, w.current, w.next, r);
  }
};

// "Hyperbolic" is the name the option help gives Q=2; the curve is the
// four-point Lagrange cubic of HyperbolicSum.
struct HyperbolicKernel {
  static constexpr int kTaps = 4;  // x-1, x0, x1, x2
  static std::int32_t Interpolate(const KernelWindow& w, double r) {
    return InterpolateHyperbolic(w.previous, w.current, w.next, w.after_next, r);
  }
};

// Q=0 linear, Q=1 quadratic, Q=3 band-limited (band_limited_kernel.h),
// anything else hyperbolic (the default, 2).
enum class KernelKind { kLinear, kQuadratic, kHyperbolic, kBandLimited };

inline KernelKind KernelForQuality(std::int32_t quality) {
  if (quality == 0) return KernelKind::kLinear;
  if (quality == 1) return KernelKind::kQuadratic;
  if (quality == 3) return KernelKind::kBandLimited;
  return KernelKind::kHyperbolic;
}

}  // namespace zelvanor
