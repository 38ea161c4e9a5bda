// Repairing touches from the timing window: the race being timed (its lap
// file stays open and the touches that follow land after the repaired
// ones) and a finished race (ranked again, goal file and combined copies
// rewritten, the book untouched), each published on the feed.
#include <gtest/gtest.h>

#include "timing/race_rig.h"

namespace poolside::testing {
namespace {

struct Repairs : RaceListener {
  std::vector<TouchesRepaired> seen;
  void OnRaceEvent(const RaceEvent& e) override {
    if (const auto* r = std::get_if<TouchesRepaired>(&e)) seen.push_back(*r);
  }
};

class RepairTouchesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    rig.meet.Settings.LapBaseCode = "0";
    rig.meet.Settings.LapDoubleCode = "0";
    rig.w->Feed().Attach(repairs);
  }
  RaceRig rig;
  Repairs repairs;
};

TEST_F(RepairTouchesTest, TheRaceBeingTimedFollowsItsRepairedTouches) {
  rig.WriteBook("1111");
  rig.Show(1);
  rig.Start();
  rig.Deliver(ResultLine('3', '1', "   12.00", 'L'));  // a splash at the start
  rig.Deliver(ResultLine('3', '1', "   30.00", 'L'));
  rig.Deliver(ResultLine('2', '2', " 1:01.00", 'G'));  // lane 2 ended a length early
  ASSERT_EQ(rig.w->RepairTouches({1, 3, 1, RepairKind::Drop, ""}), std::nullopt);
  EXPECT_EQ(rig.Lap(1), " 3 ,   30.00,L, 2 , 1:01.00,G,");
  EXPECT_EQ(rig.w->LapCount(3), 1);
  EXPECT_EQ(rig.txtShukai[2].text, "50");
  EXPECT_EQ(rig.txtKiro[2].text, "   30.00");

  // Lane 2's finish was a lap: its row is no longer painted, its time no
  // finish, and the console's next touch for it is appended after.
  ASSERT_EQ(rig.w->RepairTouches({1, 2, 1, RepairKind::AsLap, ""}), std::nullopt);
  EXPECT_EQ(rig.txtKiro[1].back, rig.txtKiro[4].back);
  rig.Deliver(ResultLine('3', '1', " 1:00.50", 'G'));
  rig.Deliver(ResultLine('2', '2', " 2:03.00", 'G'));
  EXPECT_EQ(rig.Lap(1), " 3 ,   30.00,L, 2 , 1:01.00,L, 3 , 1:00.50,G, 2 , 2:03.00,G,");
  EXPECT_EQ(rig.w->LapCount(2), 2);
  EXPECT_EQ(rig.txtShukai[1].text, "100");
  rig.Deliver(ClockLine("    0.00"));
  const std::string ranked = " 0 , 888888 , 2 , 20300 , 1 , 10050 ,";
  EXPECT_EQ(rig.Goal(1).substr(0, ranked.size()), ranked);
  EXPECT_TRUE(rig.messages.warnings.empty());

  ASSERT_EQ(repairs.seen.size(), 2u);
  EXPECT_EQ(repairs.seen[0].what, "drop 1");
  EXPECT_EQ(repairs.seen[0].laps, 1);
  EXPECT_EQ(repairs.seen[0].metres, 50);
  EXPECT_FALSE(repairs.seen[0].finished);
  EXPECT_TRUE(repairs.seen[1].noFinish);
}

TEST_F(RepairTouchesTest, AFinishedCombinedRaceIsRankedAgainAndItsCopiesFollow) {
  rig.WriteBook("2111");
  rig.Show(1);
  rig.Start();
  rig.Deliver(ResultLine('1', '1', "   30.00", 'L'));
  rig.Deliver(ResultLine('2', '2', "   31.00", 'L'));
  rig.Deliver(ResultLine('1', '1', " 1:00.00", 'G'));
  rig.Deliver(ResultLine('2', '2', " 1:30.00", 'L'));  // the console missed lane 2's finish
  rig.TypeTime(4, 8);
  rig.Deliver(ClockLine("    0.00"));
  ASSERT_EQ(rig.w->Book().RaceNo, 3);
  const std::string book = rig.Book();
  EXPECT_EQ(rig.Goal(1).substr(0, 25), " 1 , 10000 , 0 , 888888 ,");

  // The touch at 1:30.00 was lane 2's finish, and lane 1 missed its turn
  // (time unknown).
  ASSERT_EQ(rig.w->RepairTouches({1, 2, 2, RepairKind::AsFinish, ""}), std::nullopt);
  ASSERT_EQ(rig.w->RepairTouches({1, 1, 1, RepairKind::InsertAfter, ""}), std::nullopt);
  const std::string lap =
      " 1 ,   30.00,L, 1 ,        ,L, 2 ,   31.00,L, 1 , 1:00.00,G,"
      " 2 , 1:30.00,G,";
  EXPECT_EQ(rig.Lap(1), lap);
  const std::string goal =
      " 1 , 10000 , 2 , 13000 , 0 , 888888 , 0 , 888888 , 0 , 888888 ,"
      " 0 , 888888 , 0 , 888888 , 0 , 888888 , 0 , 888888 , 0 , 888888 ,";
  EXPECT_EQ(rig.Goal(1), goal);
  EXPECT_EQ(rig.Goal(2), CopiedItems(goal));
  EXPECT_EQ(rig.Lap(2), CopiedItems(lap));
  EXPECT_EQ(rig.Book(), book);
  // The race on screen is untouched.
  EXPECT_EQ(rig.w->LapCount(1), 0);

  ASSERT_EQ(repairs.seen.size(), 2u);
  EXPECT_TRUE(repairs.seen[0].finished);
  EXPECT_EQ(repairs.seen[0].rank[1], 2);
  EXPECT_EQ(repairs.seen[0].time[1], 13000);
  EXPECT_EQ(repairs.seen[0].combinedTargets, std::vector<int>{2});
  EXPECT_EQ(repairs.seen[1].what, "insert-after 1 ?");
}

TEST_F(RepairTouchesTest, ATypedTimeStaysAndFailuresChangeNothing) {
  rig.WriteBook("1111");
  rig.Show(1);
  rig.Start();
  rig.Deliver(ResultLine('1', '1', "   30.00", 'L'));
  rig.Deliver(ResultLine('1', '1', " 1:00.00", 'G'));
  rig.Deliver(ResultLine('2', '2', "   29.00", 'L'));
  rig.TypeTime(2, 10500);
  rig.Deliver(ClockLine("    0.00"));
  const std::string goal = rig.Goal(1);
  // Lane 2's time was typed: its value stays whatever its touches say.
  ASSERT_EQ(rig.w->RepairTouches({1, 2, 1, RepairKind::Drop, ""}), std::nullopt);
  EXPECT_EQ(rig.Goal(1), goal);
  EXPECT_EQ(rig.Lap(1), " 1 ,   30.00,L, 1 , 1:00.00,G,");

  const auto noTouch = rig.w->RepairTouches({1, 2, 1, RepairKind::Drop, ""});
  ASSERT_TRUE(noTouch.has_value());
  EXPECT_NE(noTouch->find("2 コースにタッチ 1 はありません"), std::string::npos) << *noTouch;
  rig.tmp.Write("data/lap/r0001", " 1 ,   30.00,L, 1 , 1:00");
  const auto damaged = rig.w->RepairTouches({1, 1, 1, RepairKind::Drop, ""});
  ASSERT_TRUE(damaged.has_value());
  EXPECT_NE(damaged->find("r0001"), std::string::npos) << *damaged;
  EXPECT_EQ(rig.Lap(1), " 1 ,   30.00,L, 1 , 1:00");
  const auto missing = rig.w->RepairTouches({9, 1, 1, RepairKind::Drop, ""});
  ASSERT_TRUE(missing.has_value());
  EXPECT_NE(missing->find("r0009"), std::string::npos) << *missing;
  EXPECT_EQ(repairs.seen.size(), 1u);
}

}  // namespace
}  // namespace poolside::testing
