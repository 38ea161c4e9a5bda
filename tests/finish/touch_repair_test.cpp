// Touch repair on a lap file's records: parsing, each repair, the words of
// the journal and the command line.
#include "finish/touch_repair.h"

#include <gtest/gtest.h>

namespace poolside {
namespace {

const char* kLaps = " 3 ,   29.50,L, 4 ,   30.10,L, 3 ,   31.00,L, 3 , 1:02.34,G, 4 , 1:03.00,G,";

TEST(LapText, RoundTripsAndRefusesDamage) {
  const LapTouches parsed = ParseLapText(kLaps);
  ASSERT_EQ(parsed.problem, "");
  ASSERT_EQ(parsed.touches.size(), 5u);
  EXPECT_EQ(parsed.touches[3].lane, 3);
  EXPECT_EQ(parsed.touches[3].timeText, " 1:02.34");
  EXPECT_EQ(parsed.touches[3].kind, 'G');
  EXPECT_EQ(LapText(parsed.touches), kLaps);
  // A combined race's copy drops the blanks; written back, the time is
  // right-aligned again.
  EXPECT_EQ(LapText(ParseLapText("10,59.99,G,").touches), " 10 ,   59.99,G,");
  EXPECT_EQ(ParseLapText("").touches.size(), 0u);
  for (const char* bad : {" 3 ,   29.50,L", " 3 ,   29.50,", " 11 ,   29.50,L,", " 3 ,   29.50,X,",
                          "x,   29.50,L,", " 3 ,123456789,L,"}) {
    EXPECT_NE(ParseLapText(bad).problem, "") << bad;
  }
}

std::vector<LapTouch> Touches() { return ParseLapText(kLaps).touches; }

TEST(TouchRepairs, EachRepairChangesOnlyItsLane) {
  std::vector<LapTouch> t = Touches();
  TouchRepair r{7, 3, 2, RepairKind::Drop, ""};
  ASSERT_EQ(ApplyTouchRepair(t, r), std::nullopt);
  EXPECT_EQ(LapText(t), " 3 ,   29.50,L, 4 ,   30.10,L, 3 , 1:02.34,G, 4 , 1:03.00,G,");

  // A missed turn: inserted after lane 4's first touch, with a time, and
  // before lane 3's first one, time unknown.
  t = Touches();
  r = {7, 4, 1, RepairKind::InsertAfter, "   45.00"};
  ASSERT_EQ(ApplyTouchRepair(t, r), std::nullopt);
  r = {7, 3, 0, RepairKind::InsertAfter, ""};
  ASSERT_EQ(ApplyTouchRepair(t, r), std::nullopt);
  EXPECT_EQ(LapText(t),
            " 3 ,        ,L, 3 ,   29.50,L, 4 ,   30.10,L, 4 ,   45.00,L, 3 ,   31.00,L,"
            " 3 , 1:02.34,G, 4 , 1:03.00,G,");

  t = Touches();
  r = {7, 3, 2, RepairKind::AsFinish, ""};
  ASSERT_EQ(ApplyTouchRepair(t, r), std::nullopt);
  r = {7, 3, 3, RepairKind::AsLap, ""};
  ASSERT_EQ(ApplyTouchRepair(t, r), std::nullopt);
  EXPECT_EQ(LapText(t),
            " 3 ,   29.50,L, 4 ,   30.10,L, 3 ,   31.00,G, 3 , 1:02.34,L, 4 , 1:03.00,G,");

  // A lane inserted into where it has no touch goes at the end.
  t = Touches();
  r = {7, 5, 0, RepairKind::InsertAfter, "   40.00"};
  ASSERT_EQ(ApplyTouchRepair(t, r), std::nullopt);
  EXPECT_EQ(t.back().lane, 5);
}

TEST(TouchRepairs, ATouchThatIsNotThereChangesNothing) {
  const std::vector<LapTouch> before = Touches();
  const TouchRepair wrong[] = {
      {7, 3, 4, RepairKind::Drop, ""},        {7, 3, 0, RepairKind::Drop, ""},
      {7, 3, 4, RepairKind::InsertAfter, ""}, {7, 3, 3, RepairKind::AsFinish, ""},
      {7, 3, 1, RepairKind::AsLap, ""},       {7, 0, 1, RepairKind::Drop, ""},
      {7, 11, 1, RepairKind::Drop, ""},       {7, 6, 1, RepairKind::AsFinish, ""},
  };
  for (const TouchRepair& r : wrong) {
    std::vector<LapTouch> t = before;
    const auto message = ApplyTouchRepair(t, r);
    EXPECT_TRUE(message.has_value()) << RepairWords(r) << " lane " << r.lane;
    EXPECT_EQ(LapText(t), LapText(before)) << RepairWords(r);
  }
  std::vector<LapTouch> t = before;
  EXPECT_EQ(ApplyTouchRepair(t, {7, 3, 3, RepairKind::AsFinish, ""}),
            "3 コースのタッチ 3 はゴールです");
}

TEST(TouchRepairs, WordsTimesAndSplits) {
  TouchRepair r;
  for (const char* words :
       {"drop 3", "insert-after 2 1:02.34", "insert-after 0 ?", "as-finish 4", "as-lap 1"}) {
    ASSERT_TRUE(ParseRepairWords(words, r)) << words;
    EXPECT_EQ(RepairWords(r), words);
  }
  for (const char* bad : {"", "drop", "drop 0", "drop x", "insert-after 2",
                          "insert-after 2 1:75.00", "as-finish 1 2", "swap 1"}) {
    EXPECT_FALSE(ParseRepairWords(bad, r)) << bad;
  }
  EXPECT_EQ(ConsoleTimeText("34.91"), "   34.91");
  EXPECT_EQ(ConsoleTimeText("1:02.34"), " 1:02.34");
  EXPECT_EQ(ConsoleTimeText("10234"), " 1:02.34");
  EXPECT_EQ(ConsoleTimeText("12:05.60"), "12:05.60");
  for (const char* bad : {"", "0", "1:60.00", "1.2", "abc", "1:02:34", "1234567"}) {
    EXPECT_FALSE(ConsoleTimeText(bad)) << bad;
  }

  std::vector<LapTouch> t = Touches();
  ApplyTouchRepair(t, {7, 3, 1, RepairKind::InsertAfter, ""});
  EXPECT_EQ(LaneTouchLines(t, 3), (std::vector<std::string>{"1 29.50 L 29.50", "2 ? L ?",
                                                            "3 31.00 L ?", "4 1:02.34 G 31.34"}));
  EXPECT_EQ(LaneTouchLines(t, 9).size(), 0u);
}

}  // namespace
}  // namespace poolside
