#include "tuning/temperament_request.h"

#include <gtest/gtest.h>

#include <cmath>

#include "common/number_text.h"

namespace zelvanor {
namespace {

TEST(TemperamentRequest, SplitsNameAndCentsSuffix) {
  EXPECT_EQ(RequestNamePart("Example+2.5"), "Example");
  EXPECT_EQ(RequestNamePart("Temp-2"), "Temp");
  EXPECT_EQ(RequestNamePart("Example"), "Example");
  EXPECT_EQ(RequestNamePart("+5"), "");
  EXPECT_EQ(RequestOffset("Example+2.5"), 2.5);
  EXPECT_EQ(RequestOffset("Example-3"), -3.0);
  EXPECT_EQ(RequestOffset("Temp-2"), -2.0);
  EXPECT_EQ(RequestOffset("Example+1e1x"), 10.0);
  // The character after the sign must be a digit.
  EXPECT_EQ(RequestOffset("Example+x"), 0.0);
  EXPECT_EQ(RequestOffset("Example+"), 0.0);
  EXPECT_EQ(RequestOffset("Example+.5"), 0.0);
  EXPECT_EQ(RequestOffset("Example"), 0.0);
}

TEST(ScanPlainDecimal, ConvertsOnlyPlainPlainDecimals) {
  struct Case {
    const char* text;
    double value;
    std::size_t length;
  };
  for (const Case& c : {Case{"92.18 x", 92.18, 5}, Case{"-3.5", -3.5, 4}, Case{"1e2 ", 100.0, 3},
                        Case{"1E-1", 0.1, 4}, Case{"1e", 1.0, 1}, Case{"1e+", 1.0, 1},
                        Case{"5.", 5.0, 2}, Case{"-.5", -0.5, 3}, Case{"0x10", 0.0, 1},
                        Case{"-", 0.0, 0}, Case{"-x", 0.0, 0}, Case{".", 0.0, 0}}) {
    const PlainDecimal number = ScanPlainDecimal(c.text);
    EXPECT_EQ(number.value, c.value) << c.text;
    EXPECT_EQ(number.length, c.length) << c.text;
  }
  EXPECT_TRUE(std::isinf(ScanPlainDecimal("1e999").value));
  EXPECT_EQ(ScanPlainDecimal("1e-999").value, 0.0);
}

}  // namespace
}  // namespace zelvanor
