#include "wave/sample_access.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

namespace zelvanor {
namespace {

using Bytes4 = std::array<std::uint8_t, 4>;

std::int32_t Read(Bytes4 bytes, int width) { return ReadSampleValue(bytes.data(), width); }

// Writes into a buffer pre-filled with a marker, so bytes beyond the width
// must come back untouched.
Bytes4 Write(std::int32_t value, int width) {
  Bytes4 bytes{0xAA, 0xAA, 0xAA, 0xAA};
  WriteSampleValue(bytes.data(), width, value);
  return bytes;
}

TEST(SampleAccess, ReadsEveryWidthAsSignedLittleEndian) {
  EXPECT_EQ(Read({0xFF, 0xFF}, 2), -1);
  EXPECT_EQ(Read({0x00, 0x80}, 2), -32768);
  EXPECT_EQ(Read({0xFF, 0x7F}, 2), 32767);
  EXPECT_EQ(Read({0x34, 0x12, 0x99}, 2), 0x1234);  // a third byte is not looked at

  EXPECT_EQ(Read({0x00, 0x00, 0x80}, 3), -8388608);
  EXPECT_EQ(Read({0xFF, 0xFF, 0x7F}, 3), 8388607);
  EXPECT_EQ(Read({0x01, 0x00, 0x00}, 3), 1);
  EXPECT_EQ(Read({0xFF, 0xFF, 0xFF}, 3), -1);
  EXPECT_EQ(Read({0x00, 0xFF, 0xFF}, 3), -256);  // low byte read unsigned
}

TEST(SampleAccess, OtherWidthsReadZero) {
  EXPECT_EQ(Read({0xFF, 0xFF, 0xFF, 0xFF}, 1), 0);
  EXPECT_EQ(Read({0xFF, 0xFF, 0xFF, 0xFF}, 4), 0);
  EXPECT_EQ(Read({0xFF, 0xFF, 0xFF, 0xFF}, 5), 0);
  EXPECT_EQ(Read({0xFF, 0xFF, 0xFF, 0xFF}, -1), 0);
}

TEST(SampleAccess, ReadsUnalignedValues) {
  const std::array<std::uint8_t, 7> frame{0x00, 0x01, 0x00, 0x00, 0xFF, 0xFF, 0x7F};
  EXPECT_EQ(ReadSampleValue(frame.data() + 1, 3), 1);
  EXPECT_EQ(ReadSampleValue(frame.data() + 4, 3), 8388607);
}

TEST(SampleAccess, WritesLowBytesWithoutClipping) {
  EXPECT_EQ(Write(-1, 3), (Bytes4{0xFF, 0xFF, 0xFF, 0xAA}));
  EXPECT_EQ(Write(0x1234567, 3), (Bytes4{0x67, 0x45, 0x23, 0xAA}));
  EXPECT_EQ(Write(40000, 2), (Bytes4{0x40, 0x9C, 0xAA, 0xAA}));
  EXPECT_EQ(Read(Write(40000, 2), 2), -25536);
  EXPECT_EQ(Write(-8388608, 3), (Bytes4{0x00, 0x00, 0x80, 0xAA}));
}

TEST(SampleAccess, OtherWidthsStoreNothing) {
  EXPECT_EQ(Write(-1, 1), (Bytes4{0xAA, 0xAA, 0xAA, 0xAA}));
  EXPECT_EQ(Write(-1, 4), (Bytes4{0xAA, 0xAA, 0xAA, 0xAA}));
  EXPECT_EQ(Write(-1, 5), (Bytes4{0xAA, 0xAA, 0xAA, 0xAA}));
}

TEST(SampleAccess, EveryWidthRoundTripsItsRange) {
  for (int width = 2; width <= 3; ++width) {
    const std::int64_t high = (std::int64_t{1} << (8 * width - 1)) - 1;
    const std::int64_t low = -high - 1;
    for (const std::int64_t value : {low, low + 1, std::int64_t{-1}, std::int64_t{0},
                                     std::int64_t{1}, high - 1, high}) {
      const auto stored = static_cast<std::int32_t>(value);
      EXPECT_EQ(Read(Write(stored, width), width), stored) << "width " << width;
    }
  }
}

TEST(SampleAccess, FixedWidthReadsAgreeWithTheGeneralOneOnEveryPattern) {
  std::array<std::uint8_t, 3> bytes{};
  for (std::uint32_t pattern = 0; pattern < (1u << 16); ++pattern) {
    bytes = {static_cast<std::uint8_t>(pattern), static_cast<std::uint8_t>(pattern >> 8), 0};
    ASSERT_EQ(ReadSampleValue<2>(bytes.data()), ReadSampleValue(bytes.data(), 2)) << pattern;
  }
  // Every top-two-byte pattern with a few low bytes: the sign lives on top.
  for (std::uint32_t top = 0; top < (1u << 16); ++top) {
    for (const std::uint8_t low : {0x00, 0x01, 0x7F, 0x80, 0xFF}) {
      bytes = {low, static_cast<std::uint8_t>(top), static_cast<std::uint8_t>(top >> 8)};
      ASSERT_EQ(ReadSampleValue<3>(bytes.data()), ReadSampleValue(bytes.data(), 3)) << top << " " << int{low};
    }
  }
}

}  // namespace
}  // namespace zelvanor
