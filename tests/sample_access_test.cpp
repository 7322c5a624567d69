#include "wave/sample_access.h"

#include <gtest/gtest.h>

#include <array>

namespace zelvanor {
namespace {

TEST(SampleAccess, ReadsSixteenBit) {
  const std::array<std::uint8_t, 2> minus_one{0xFF, 0xFF};
  const std::array<std::uint8_t, 2> minimum{0x00, 0x80};
  EXPECT_EQ(ReadSampleValue(minus_one.data(), 2), -1);
  EXPECT_EQ(ReadSampleValue(minimum.data(), 2), -32768);
}

}  // namespace
}  // namespace zelvanor
