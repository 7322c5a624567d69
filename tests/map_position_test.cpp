#include "output/map_position.h"

#include <gtest/gtest.h>

#include "common/run_error.h"

namespace zelvanor {
namespace {

SourceAnalysis WithRegion(std::uint32_t first, std::uint32_t limit) {
  SourceAnalysis analysis;
  analysis.loop_end = first - 10;
  analysis.release_start = limit + 10;
  analysis.cut_first = first;
  analysis.cut_limit = limit;
  return analysis;
}

TEST(MapPositionTest, DividesAndRoundsHalvesUp) {
  const CutRegion none;
  const std::uint32_t positions[] = {0, 1, 2, 3, 1001};
  const std::uint32_t by_two[] = {0, 1, 1, 2, 501};
  const std::uint32_t by_half[] = {0, 2, 4, 6, 2002};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(MapPosition(positions[i], 2.0, none), by_two[i]);
    EXPECT_EQ(MapPosition(positions[i], 0.5, none), by_half[i]);
  }
}

TEST(MapPositionTest, PositionsBehindTheCutMoveDownByItsLength) {
  const Settings settings;
  const CutRegion cut = CutRegionFor(WithRegion(50010, 99990), settings);
  EXPECT_EQ(MapPosition(50000, 1.0, cut), 50000u);
  EXPECT_EQ(MapPosition(50010, 1.0, cut), 50010u);
  EXPECT_EQ(MapPosition(99990, 1.0, cut), 50010u);
  EXPECT_EQ(MapPosition(100000, 1.0, cut), 50020u);
  EXPECT_EQ(MapPosition(100000, 2.0, cut), 25010u);
}

TEST(MapPositionTest, PositionsStrictlyInsideTheCutAreFatal) {
  const CutRegion cut = CutRegionFor(WithRegion(50010, 99990), Settings{});
  for (std::uint32_t inside : {50011u, 70000u, 99989u}) {
    try {
      MapPosition(inside, 1.0, cut);
      ADD_FAILURE() << inside << " was mapped";
    } catch (const RunError& error) {
      EXPECT_EQ(error.exit_code(), kExitFatal);
      EXPECT_EQ(error.message(), "fatal error: Illegal computation of a position within removed sample-area\n");
    }
  }
}

TEST(MapPositionTest, KeepUnusedPartLeavesEveryPositionInPlace) {
  Settings settings;
  settings.keep_unused_part = true;
  const CutRegion cut = CutRegionFor(WithRegion(50010, 99990), settings);
  EXPECT_FALSE(cut.active());
  for (std::uint32_t p : {50010u, 50011u, 99989u, 99990u, 100000u}) EXPECT_EQ(MapPosition(p, 1.0, cut), p);
}

TEST(MapPositionTest, WithoutARegionNothingMoves) {
  // The analysis' default region: first = frame count + 1, limit = 0.
  const CutRegion cut = CutRegionFor(WithRegion(1001, 0), Settings{});
  EXPECT_FALSE(cut.active());
  EXPECT_EQ(MapPosition(5000, 2.0, cut), 2500u);
}

TEST(MapPositionTest, TextLengthsAreOnlyDivided) {
  EXPECT_EQ(ScaleLength(44100, 2.0), 22050u);
  EXPECT_EQ(ScaleLength(44101, 2.0), 22051u);
}

TEST(MapPositionTest, LargePositionsKeepTheirLow32Bits) {
  // 0xFFFFFFFF / 0.2 needs 35 bits; the stored field keeps the low 32.
  EXPECT_EQ(ScalePosition(0xFFFFFFFFu, 0.2), 21474836475);
  EXPECT_EQ(MapPosition(0xFFFFFFFFu, 0.2, CutRegion{}), static_cast<std::uint32_t>(21474836475));
  // A factor outside the driver's range cannot make the conversion undefined.
  EXPECT_EQ(ScalePosition(5, 0.0), INT64_MAX);
}

}  // namespace
}  // namespace zelvanor
