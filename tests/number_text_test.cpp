#include "common/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace zelvanor {
namespace {

TEST(LeadingInt32, TakesTheLeadingNumberLikeAtoi) {
  EXPECT_EQ(LeadingInt32("3"), 3);
  EXPECT_EQ(LeadingInt32("-12"), -12);
  EXPECT_EQ(LeadingInt32("+7"), 7);
  EXPECT_EQ(LeadingInt32(" \t\n\v\f\r42"), 42);
  EXPECT_EQ(LeadingInt32("3x7"), 3);
  EXPECT_EQ(LeadingInt32("2.9"), 2);
  EXPECT_EQ(LeadingInt32("0010"), 10);
}

TEST(LeadingInt32, NoNumberGivesZero) {
  EXPECT_EQ(LeadingInt32(""), 0);
  EXPECT_EQ(LeadingInt32("abc"), 0);
  EXPECT_EQ(LeadingInt32("-"), 0);
  EXPECT_EQ(LeadingInt32("+ 5"), 0);
  EXPECT_EQ(LeadingInt32("--5"), 0);
  EXPECT_EQ(LeadingInt32("0x10"), 0);
}

TEST(LeadingInt32, ClampsToThe32BitRange) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  EXPECT_EQ(LeadingInt32("2147483647"), kMax);
  EXPECT_EQ(LeadingInt32("2147483648"), kMax);
  EXPECT_EQ(LeadingInt32("-2147483648"), kMin);
  EXPECT_EQ(LeadingInt32("-2147483649"), kMin);
  EXPECT_EQ(LeadingInt32("99999999999999999999999999999999999999"), kMax);
  EXPECT_EQ(LeadingInt32("-99999999999999999999999999999999999999"), kMin);
}

TEST(LeadingDouble, FollowsStrtod) {
  EXPECT_EQ(LeadingDouble("1.5"), 1.5);
  EXPECT_EQ(LeadingDouble("  -2.25s"), -2.25);
  EXPECT_EQ(LeadingDouble("+100"), 100.0);
  EXPECT_EQ(LeadingDouble("1e2"), 100.0);
  EXPECT_EQ(LeadingDouble(""), 0.0);
  EXPECT_EQ(LeadingDouble("x"), 0.0);
  EXPECT_EQ(LeadingDouble(".5"), 0.5);
  EXPECT_TRUE(std::isinf(LeadingDouble("1e999")));
  EXPECT_EQ(LeadingDouble("nan"), 0.0);  // plain decimals only
  EXPECT_EQ(LeadingDouble("0x10"), 0.0);
}

}  // namespace
}  // namespace zelvanor
