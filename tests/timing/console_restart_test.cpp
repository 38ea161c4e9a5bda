// A console restarted mid-race: its new run is held until the operator
// chooses what it is, and each of the three choices gives its files.
#include <gtest/gtest.h>

#include "timing/race_rig.h"

namespace poolside::testing {
namespace {

struct Events : RaceListener {
  std::vector<RaceRestarted> restarts;
  std::vector<LaneFlagged> flags;
  void OnRaceEvent(const RaceEvent& e) override {
    // The choices made; the moment the run is held is journaled too.
    if (const auto* r = std::get_if<RaceRestarted>(&e);
        r && r->choice != RaceRestarted::Choice::Held) {
      restarts.push_back(*r);
    }
    if (const auto* f = std::get_if<LaneFlagged>(&e)) flags.push_back(*f);
  }
};

class ConsoleRestart : public ::testing::Test {
 protected:
  void SetUp() override {
    rig.WriteBook("1111");
    rig.Show(1);
    rig.w->Feed().Attach(events);
    rig.Start();
    // Race 1 under way: two lanes at their turn, no finish; then the
    // console's clock back to zero and running again.
    rig.Deliver(ClockLine("   20.00"));
    rig.Deliver(ResultLine('3', '1', "   30.00", 'L'));
    rig.Deliver(ResultLine('4', '2', "   31.00", 'L'));
    rig.Deliver(ClockLine("   45.00"));
    rig.Deliver(ClockLine("    0.00"));
    EXPECT_FALSE(rig.w->HoldingConsoleRestart());
    rig.Deliver(ClockLine("    0.50"));
    EXPECT_TRUE(rig.w->HoldingConsoleRestart());
    // The new run's first touch is held, not taken.
    rig.Deliver(ResultLine('3', '1', "   29.00", 'L'));
    EXPECT_EQ(rig.w->HeldBlocks(), 1u);
    EXPECT_EQ(rig.Lap(1), before);
    EXPECT_EQ(rig.w->LapCount(3), 1);
  }
  void TearDown() override { rig.w->Feed().Detach(events); }
  // The question, answered with button `choice` (-1: none).
  void Answer(int choice) {
    rig.messages.choices = {choice};
    rig.host.RunPosted();
  }

  const std::string before = " 3 ,   30.00,L, 4 ,   31.00,L,";
  RaceRig rig;
  Events events;
};

TEST_F(ConsoleRestart, NoChoiceKeepsTheRunHeldAndAsksAgain) {
  Answer(-1);
  ASSERT_EQ(rig.messages.questions.size(), 1u);
  EXPECT_NE(rig.messages.questions[0].find("レース 1 "), std::string::npos);
  EXPECT_NE(rig.messages.questions[0].find("2 件のタッチ"), std::string::npos);
  EXPECT_TRUE(rig.w->HoldingConsoleRestart());
  rig.Deliver(ResultLine('4', '2', "   29.50", 'L'));
  EXPECT_EQ(rig.w->HeldBlocks(), 2u);
  Answer(-1);
  EXPECT_EQ(rig.messages.questions.size(), 2u);
  EXPECT_EQ(rig.Lap(1), before);
  EXPECT_TRUE(events.restarts.empty());
}

TEST_F(ConsoleRestart, SwumAgainEmptiesTheLapFileAndTakesTheNewRun) {
  Answer(0);
  EXPECT_FALSE(rig.w->HoldingConsoleRestart());
  EXPECT_EQ(rig.Lap(1), " 3 ,   29.00,L,");
  EXPECT_EQ(rig.w->LapCount(4), 0);
  EXPECT_EQ(rig.txtKiro[3].text, "");
  ASSERT_EQ(events.restarts.size(), 1u);
  EXPECT_EQ(events.restarts[0].choice, RaceRestarted::Choice::StartOver);
  EXPECT_TRUE(events.restarts[0].console);
}

TEST_F(ConsoleRestart, SameRaceKeepsEverythingAndFlagsTheLanes) {
  Answer(1);
  EXPECT_EQ(rig.Lap(1), before + " 3 ,   29.00,L,");
  EXPECT_EQ(rig.w->LapCount(3), 2);
  ASSERT_EQ(events.flags.size(), 2u);
  EXPECT_EQ(events.flags[0].lane, 3);
  EXPECT_EQ(events.flags[1].lane, 4);
  EXPECT_EQ(events.flags[0].reason, LaneFlagged::Reason::ConsoleRestart);
}

TEST_F(ConsoleRestart, NextRaceLeavesThisRaceUnfinishedAndTakesTheRunThere) {
  Answer(2);
  EXPECT_EQ(rig.w->Book().RaceNo, 2);
  EXPECT_EQ(rig.Lap(1), before);
  EXPECT_FALSE(rig.HasGoal(1));
  EXPECT_EQ(rig.Book().substr(0, 1), "1");
  EXPECT_EQ(rig.Lap(2), " 3 ,   29.00,L,");
  EXPECT_EQ(rig.w->LapCount(3), 1);
  EXPECT_TRUE(rig.w->Receiving());
}

TEST(ConsoleRestartDetection, OnlyAClockGoingBackWithoutAFinishInARaceWithTouches) {
  RaceRig rig;
  rig.WriteBook("1111");
  rig.Show(1);
  rig.Start();
  // Before any touch: the console is set to zero and started, as before a race.
  rig.Deliver(ClockLine("   12.00"));
  rig.Deliver(ClockLine("    0.00"));
  rig.Deliver(ClockLine("    0.20"));
  EXPECT_FALSE(rig.w->HoldingConsoleRestart());
  // A clock far back, without a zero seen, in a race with touches.
  rig.Deliver(ResultLine('3', '1', "   30.00", 'L'));
  rig.Deliver(ClockLine(" 1:05.00"));
  rig.Deliver(ClockLine(" 1:04.95"));  // a little back: a repeat, no restart
  EXPECT_FALSE(rig.w->HoldingConsoleRestart());
  rig.Deliver(ClockLine("    3.00"));
  EXPECT_TRUE(rig.w->HoldingConsoleRestart());
  // Stopping reception drops the hold; the race keeps what it had.
  rig.Start();
  EXPECT_FALSE(rig.w->HoldingConsoleRestart());
  EXPECT_EQ(rig.Lap(1), " 3 ,   30.00,L,");

  // After a finish the zero clock finishes the race, as always.
  RaceRig done;
  done.WriteBook("1111");
  done.Show(1);
  done.Start();
  done.Deliver(ResultLine('3', '1', " 1:00.00", 'G'));
  done.Deliver(ClockLine("    0.00"));
  done.Deliver(ClockLine("    0.50"));
  EXPECT_FALSE(done.w->HoldingConsoleRestart());
  EXPECT_TRUE(done.HasGoal(1));
}

}  // namespace
}  // namespace poolside::testing
