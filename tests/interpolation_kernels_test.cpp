#include "output/interpolation_kernels.h"

#include <gtest/gtest.h>

#include "output/sample_saturation.h"

namespace zelvanor {
namespace {

TEST(InterpolationKernelsTest, WorkedValues) {
  EXPECT_EQ(InterpolateLinear(200, 260, 0.25), 215);
  EXPECT_EQ(InterpolateQuadratic(100, 200, 260, 0.25), 219);
  EXPECT_EQ(InterpolateHyperbolic(100, 200, 260, 240, 0.25), 220);
}

TEST(InterpolationKernelsTest, NegativeValuesTruncateTowardZeroAfterAddingHalf) {
  // -2.75 + 0.5 = -2.25 truncates to -2, not the nearest -3.
  EXPECT_EQ(InterpolateLinear(0, -11, 0.25), -2);
  // The linear kernel rounds the increment only: x0 is added afterwards.
  EXPECT_EQ(InterpolateLinear(-100, -111, 0.25), -102);
}

TEST(InterpolationKernelsTest, OvershootNearFullScaleIsReturnedUnclamped) {
  EXPECT_EQ(InterpolateQuadratic(30000, 32700, 32767, 0.5), 33063);
  EXPECT_EQ(InterpolateQuadratic(-30000, -32700, -32767, 0.5), -33062);
}

TEST(InterpolationKernelsTest, PositionOneLandsOnNextValueUpToTheRounding) {
  // Linear: x1 when the signal rises or stays, x1 + 1 when it falls.
  EXPECT_EQ(InterpolateLinear(10, 30, 1.0), 30);
  EXPECT_EQ(InterpolateLinear(10, 3, 1.0), 4);
  EXPECT_EQ(InterpolateLinear(-10, -30, 1.0), -29);
  // Quadratic and hyperbolic: x1 when x1 >= 0, x1 + 1 when x1 < 0,
  // whichever way the signal goes.
  EXPECT_EQ(InterpolateQuadratic(50, 10, 3, 1.0), 3);
  EXPECT_EQ(InterpolateQuadratic(-50, -10, -30, 1.0), -29);
  EXPECT_EQ(InterpolateQuadratic(-50, -10, 0, 1.0), 0);
  EXPECT_EQ(InterpolateHyperbolic(50, 10, 3, 90, 1.0), 3);
  EXPECT_EQ(InterpolateHyperbolic(-50, -10, -30, 7, 1.0), -29);
}

TEST(InterpolationKernelsTest, EqualValues) {
  for (std::int32_t v : {0, 7, 32767, 8388607}) {
    EXPECT_EQ(InterpolateLinear(v, v, 0.3), v);
    EXPECT_EQ(InterpolateQuadratic(v, v, v, 0.3), v);
    EXPECT_EQ(InterpolateHyperbolic(v, v, v, v, 0.3), v);
  }
  EXPECT_EQ(InterpolateLinear(-5, -5, 0.3), -5);
  EXPECT_EQ(InterpolateQuadratic(-5, -5, -5, 0.3), -4);
  EXPECT_EQ(InterpolateHyperbolic(-5, -5, -5, -5, 0.3), -4);
  EXPECT_EQ(InterpolateQuadratic(-1, -1, -1, 0.7), 0);
  EXPECT_EQ(InterpolateHyperbolic(-1, -1, -1, -1, 0.7), 0);
}

TEST(InterpolationKernelsTest, HigherKernelsUseTheSinglePrecisionPosition) {
  // With r = 0.1 in double these come out one lower; the stored results of
  // earlier releases were made with the float position.
  EXPECT_EQ(InterpolateHyperbolic(0, 0, 3209517, 3209517, 0.1), 282438);
  EXPECT_EQ(InterpolateQuadratic(0, 0, 373009, 0.1), 20516);
  // The linear kernel keeps the double.
  EXPECT_EQ(InterpolateLinear(0, 8000000, 0.1), 800000);
}

TEST(InterpolationKernelsTest, HyperbolicWithRepeatedLastValueIsTheFullCubic) {
  // x2 = x1 is what the resampler substitutes at the end of the audio: the
  // cubic is still evaluated with it.
  EXPECT_EQ(InterpolateHyperbolic(100, 200, 260, 260, 0.75), 250);
  EXPECT_EQ(InterpolateHyperbolic(100, 200, 260, 240, 0.75), 251);
}

template <class Kernel>
class KernelTypeTest : public ::testing::Test {};
using KernelTypes = ::testing::Types<LinearKernel, QuadraticKernel, HyperbolicKernel>;
TYPED_TEST_SUITE(KernelTypeTest, KernelTypes);

TYPED_TEST(KernelTypeTest, AgreesWithItsFunction) {
  const KernelWindow window{-1234, 5678, -910, 1112};
  for (double r : {0.05, 0.25, 0.5, 0.999, 1.0}) {
    std::int32_t expected = 0;
    if constexpr (TypeParam::kTaps == 2) expected = InterpolateLinear(5678, -910, r);
    if constexpr (TypeParam::kTaps == 3) expected = InterpolateQuadratic(-1234, 5678, -910, r);
    if constexpr (TypeParam::kTaps == 4) expected = InterpolateHyperbolic(-1234, 5678, -910, 1112, r);
    EXPECT_EQ(TypeParam::Interpolate(window, r), expected) << r;
  }
}

TEST(InterpolationKernelsTest, QualitySelectsTheKernel) {
  EXPECT_EQ(KernelForQuality(0), KernelKind::kLinear);
  EXPECT_EQ(KernelForQuality(1), KernelKind::kQuadratic);
  EXPECT_EQ(KernelForQuality(2), KernelKind::kHyperbolic);
  EXPECT_EQ(KernelForQuality(-1), KernelKind::kHyperbolic);
  EXPECT_EQ(KernelForQuality(7), KernelKind::kHyperbolic);
}

TEST(SampleSaturationTest, ClampsToTheWidth) {
  EXPECT_EQ(SaturateToWidth<2>(33063), 32767);
  EXPECT_EQ(SaturateToWidth<2>(-33062), -32768);
  EXPECT_EQ(SaturateToWidth<3>(33063), 33063);
  EXPECT_EQ(SaturateToWidth<3>(-8388609), -8388608);
}

}  // namespace
}  // namespace zelvanor
