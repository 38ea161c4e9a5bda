// The lap and goal file grammar: what the finish writes is what the readers
// and the shape checks take, and the combined copy keeps the items.
#include "vocabulary/lap_goal_files.h"

#include <gtest/gtest.h>

#include "platform/errors.h"

namespace poolside {
namespace {

TEST(LapGoalFiles, WritesTheNumberFieldsTheMeetOfficeReads) {
  EXPECT_EQ(FileNumber(3), " 3 ");
  EXPECT_EQ(FileNumber(-1), "-1 ");
  EXPECT_EQ(LapRecord(3, "   25.06", 'L'), " 3 ,   25.06,L,");
  EXPECT_EQ(LapRecord(10, "  1:0\xb2.00", 'G'), " 10 ,  1:0?.00,G,");  // console noise
  LaneArray<std::int16_t> rank{};
  LaneArray<std::int32_t> value{};
  value.fill(999999);
  rank[LaneIndex(1)] = 1;
  value[LaneIndex(1)] = 12345;
  value[LaneIndex(10)] = 700003;
  const std::string goal = GoalText(rank, value);
  EXPECT_EQ(goal.substr(0, 24), " 1 , 12345 , 0 , 999999 ");
  EXPECT_EQ(goal.substr(goal.size() - 13), " 0 , 700003 ,");
  EXPECT_TRUE(IsWholeGoalFile(goal));
  EXPECT_FALSE(IsWholeGoalFile(goal.substr(0, goal.size() - 1)));
  EXPECT_TRUE(IsWholeLapFile(LapRecord(3, "   25.06", 'L') + LapRecord(3, "   52.00", 'G')));
  EXPECT_FALSE(IsWholeLapFile(" 3 ,   25.06,X,"));
  EXPECT_FALSE(IsWholeLapFile(" 3 ,   25.06,L"));
}

TEST(LapGoalFiles, CombinedCopyDropsLeadingBlanksAndCountsItems) {
  EXPECT_EQ(CopiedItems(" 3 ,   25.06,L,"), "3,25.06,L,");
  EXPECT_EQ(CopiedItems(" 1 , 2 , 3 ,", "g", 2), "1,2,");
  try {
    CopiedItems(" 1 , 2 ,", "goal\\g0001", 3);
    FAIL() << "a short goal file was copied";
  } catch (const IoError& e) {
    EXPECT_NE(std::string(e.what()).find("goal\\g0001"), std::string::npos) << e.what();
  }
}

TEST(LapGoalFiles, ReadsNumbersStrictlyAndLapTextWhole) {
  EXPECT_EQ(ParseFileNumber(" -12 "), -12);
  EXPECT_EQ(ParseFileNumber(std::string("7\0", 2)), 7);
  for (const char* bad : {"", " ", "-", "1 2", "+3", "12345678901", "3000000000"}) {
    EXPECT_FALSE(ParseFileNumber(bad)) << bad;
  }
  const LapTouches read = ParseLapText(" 3 ,   25.06,L, 3 , 52.00,G,");
  ASSERT_EQ(read.problem, "");
  ASSERT_EQ(read.touches.size(), 2u);
  EXPECT_EQ(read.touches[1].timeText, "   52.00");
  EXPECT_EQ(LapText(read.touches), " 3 ,   25.06,L, 3 ,   52.00,G,");
  EXPECT_NE(ParseLapText(" 11 ,   25.06,L,").problem, "");
  EXPECT_NE(ParseLapText(" 3 ,   25.06,L, 3").problem, "");
}

}  // namespace
}  // namespace poolside
