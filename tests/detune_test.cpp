#include "driver/detune.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "common/run_error.h"
#include "tuning/tuning_factor.h"

namespace zelvanor {
namespace {

TEST(Detune, FirstCharacterDecidesTheForm) {
  EXPECT_EQ(ClassifyDetune("+100"), DetuneForm::kCents);
  EXPECT_EQ(ClassifyDetune("-3.5"), DetuneForm::kCents);
  EXPECT_EQ(ClassifyDetune("-"), DetuneForm::kCents);
  EXPECT_EQ(ClassifyDetune("1.5"), DetuneForm::kFactor);
  EXPECT_EQ(ClassifyDetune("0"), DetuneForm::kFactor);
  EXPECT_EQ(ClassifyDetune("Werckmeister"), DetuneForm::kTemperament);
  EXPECT_EQ(ClassifyDetune("Werckmeister+2"), DetuneForm::kTemperament);
  EXPECT_EQ(ClassifyDetune(".5"), DetuneForm::kTemperament);
  EXPECT_EQ(ClassifyDetune(""), DetuneForm::kTemperament);
}

TEST(Detune, CentsAndFactors) {
  EXPECT_EQ(DetuneToFactor("+0"), 1.0);
  EXPECT_EQ(DetuneToFactor("-0"), 1.0);
  EXPECT_EQ(DetuneToFactor("1"), 1.0);
  EXPECT_EQ(DetuneToFactor("2"), 2.0);
  EXPECT_EQ(DetuneToFactor("1.5x"), 1.5);
  EXPECT_NEAR(DetuneToFactor("+100"), 1.0594631, 5e-8);
  EXPECT_NEAR(DetuneToFactor("+1200"), 2.0, 1e-8);
  EXPECT_NEAR(DetuneToFactor("-1200"), 0.5, 1e-8);
  // The exact double matters: it decides every resampled position.
  EXPECT_EQ(DetuneToFactor("+100"), std::exp(100 * 0.00057762265));
  EXPECT_EQ(CentsToFactor(-50.0), std::exp(-50 * 0.00057762265));
}

TEST(Detune, RangeIsInclusiveAndRejectsNaN) {
  EXPECT_TRUE(IsTuningFactorInRange(0.2));
  EXPECT_TRUE(IsTuningFactorInRange(4.03));
  EXPECT_TRUE(IsTuningFactorInRange(DetuneToFactor("0.2")));
  EXPECT_TRUE(IsTuningFactorInRange(DetuneToFactor("4.03")));
  EXPECT_FALSE(IsTuningFactorInRange(std::nextafter(0.2, 0.0)));
  EXPECT_FALSE(IsTuningFactorInRange(std::nextafter(4.03, 5.0)));
  EXPECT_FALSE(IsTuningFactorInRange(std::numeric_limits<double>::quiet_NaN()));
  EXPECT_FALSE(IsTuningFactorInRange(std::numeric_limits<double>::infinity()));
  EXPECT_FALSE(IsTuningFactorInRange(-1.0));
}

TEST(Detune, OutOfRangeFactorIsFatal) {
  ::testing::internal::CaptureStdout();
  try {
    CheckTuningFactor(0.1);
    FAIL() << "accepted 0.1";
  } catch (const RunError& error) {
    EXPECT_EQ(error.exit_code(), 99);
    EXPECT_EQ(error.message(), "Should be in range 0.5 <= detune <= 2.0\n");
  }
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Detune value of 0.100000 makes no sense.\n");

  ::testing::internal::CaptureStdout();
  EXPECT_NO_THROW(CheckTuningFactor(4.03));
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
}

}  // namespace
}  // namespace zelvanor
