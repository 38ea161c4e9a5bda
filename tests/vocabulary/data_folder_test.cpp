// The data folder's names: the number text every program of the meet office
// uses for a race's files.
#include "vocabulary/data_folder.h"

#include <gtest/gtest.h>

namespace poolside {
namespace {

TEST(RaceFileNumber, IsTheLastFourDigitsOfRacePlusTenThousand) {
  EXPECT_EQ(RaceFileNumber(7), "0007");
  EXPECT_EQ(RaceFileNumber(1024), "1024");
  EXPECT_EQ(RaceFileNumber(kLastRace), "2767");
  EXPECT_EQ(RaceFileNumber(0), "0000");
  // Fewer than four digits: all of them (no race has one; nothing throws).
  EXPECT_EQ(RaceFileNumber(-9993), "7");
  EXPECT_EQ(RaceFileNumber(2147483647), "3647");  // no overflow
  EXPECT_EQ(GoalFileName(12), "goal\\g0012");
  EXPECT_EQ(LapFileName(12), "lap\\r0012");
}

TEST(DataFolderBounds, FileNumbersAndRecordNumbersFitSixteenBits) {
  EXPECT_EQ(kLastRace + 10000, 32767);
  EXPECT_EQ(kLastNumberedRecord + 10, 32767);
  EXPECT_EQ(kBookLength, static_cast<std::size_t>(kBookRaces));
}

}  // namespace
}  // namespace poolside
