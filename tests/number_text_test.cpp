#include "common/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace zelvanor {
namespace {

TEST(DecimalToInt32, TakesTheLeadingNumberLikeAtoi) {
  EXPECT_EQ(DecimalToInt32("3"), 3);
  EXPECT_EQ(DecimalToInt32("-12"), -12);
  EXPECT_EQ(DecimalToInt32("+7"), 7);
  EXPECT_EQ(DecimalToInt32(" \t\n\v\f\r42"), 42);
  EXPECT_EQ(DecimalToInt32("3x7"), 3);
  EXPECT_EQ(DecimalToInt32("2.9"), 2);
  EXPECT_EQ(DecimalToInt32("0010"), 10);
}

TEST(DecimalToInt32, NoNumberGivesZero) {
  EXPECT_EQ(DecimalToInt32(""), 0);
  EXPECT_EQ(DecimalToInt32("abc"), 0);
  EXPECT_EQ(DecimalToInt32("-"), 0);
  EXPECT_EQ(DecimalToInt32("+ 5"), 0);
  EXPECT_EQ(DecimalToInt32("--5"), 0);
  EXPECT_EQ(DecimalToInt32("0x10"), 0);
}

TEST(DecimalToInt32, ClampsToThe32BitRange) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  EXPECT_EQ(DecimalToInt32("2147483647"), kMax);
  EXPECT_EQ(DecimalToInt32("2147483648"), kMax);
  EXPECT_EQ(DecimalToInt32("-2147483648"), kMin);
  EXPECT_EQ(DecimalToInt32("-2147483649"), kMin);
  EXPECT_EQ(DecimalToInt32("99999999999999999999999999999999999999"), kMax);
  EXPECT_EQ(DecimalToInt32("-99999999999999999999999999999999999999"), kMin);
}

TEST(DecimalToDouble, FollowsStrtod) {
  EXPECT_EQ(DecimalToDouble("1.5"), 1.5);
  EXPECT_EQ(DecimalToDouble("  -2.25s"), -2.25);
  EXPECT_EQ(DecimalToDouble("+100"), 100.0);
  EXPECT_EQ(DecimalToDouble("1e2"), 100.0);
  EXPECT_EQ(DecimalToDouble(""), 0.0);
  EXPECT_EQ(DecimalToDouble("x"), 0.0);
  EXPECT_EQ(DecimalToDouble(".5"), 0.5);
  EXPECT_TRUE(std::isinf(DecimalToDouble("1e999")));
  EXPECT_TRUE(std::isnan(DecimalToDouble("nan")));
}

}  // namespace
}  // namespace zelvanor
