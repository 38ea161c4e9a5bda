// The timing window's port notification handler: each read of the port
// shown in its lane, appended to the lap file, the zero clock after a finish
// finishing the race, a block out of step resetting a port that does not frame.

#include <gtest/gtest.h>

#include "timing/race_rig.h"

namespace poolside::testing {
namespace {

class PortNotification : public ::testing::Test {
 protected:
  void SetUp() override {
    rig.WriteBook("1111111111");
    rig.meet.Settings.LapBaseCode = "0";
    rig.meet.Settings.LapDoubleCode = "0";
    rig.Show(1);
    rig.Start();
    ASSERT_TRUE(rig.w->Receiving());
  }
  RaceRig rig;
};

TEST_F(PortNotification, ResultLineFillsTheLaneAndLogsALapRecord) {
  rig.Deliver(ResultLine('3', '1', " 1:02.34", 'L'));
  EXPECT_EQ(rig.txtJun[2].text, "1");
  EXPECT_EQ(rig.txtKiro[2].text, " 1:02.34");
  EXPECT_EQ(rig.txtShukai[2].text, "50");
  EXPECT_EQ(rig.w->LaneTime(3), 10234);
  EXPECT_EQ(rig.w->LapCount(3), 1);
  EXPECT_EQ(rig.w->LastLane(), 3);
  EXPECT_EQ(rig.w->LastTime(), " 1:02.34");
  EXPECT_EQ(rig.w->LastKind(), "L");
  EXPECT_EQ(rig.Lap(1), " 3 , 1:02.34,L,");
  EXPECT_NE(rig.txtKiro[2].back, kLightRed);
}

TEST_F(PortNotification, DuplicateFilterComparesOnlyThePreviousAcceptedLine) {
  const std::string lane3 = ResultLine('3', '1', " 1:02.34", 'L');
  rig.Deliver(lane3);
  rig.Deliver(lane3);
  EXPECT_EQ(rig.w->LapCount(3), 1);
  rig.Deliver(ResultLine('4', '2', " 1:03.00", 'L'));
  rig.Deliver(lane3);
  EXPECT_EQ(rig.w->LapCount(3), 2);
  // Same lane and time, other kind: accepted.
  rig.Deliver(ResultLine('3', '1', " 1:02.34", 'G'));
  EXPECT_EQ(rig.w->LapCount(3), 3);
  EXPECT_EQ(rig.Lap(1), " 3 , 1:02.34,L, 4 , 1:03.00,L, 3 , 1:02.34,L, 3 , 1:02.34,G,");
}

TEST_F(PortNotification, UnknownLaneIsTakenByTheFilterAndTouchesNoLane) {
  rig.Deliver(ResultLine('3', '1', " 1:02.34", 'L'));
  rig.Deliver(ResultLine('X', '1', " 1:02.34", 'L'));
  EXPECT_EQ(rig.w->LastLane(), 0);
  EXPECT_EQ(rig.w->LastTime(), " 1:02.34");
  // Lane 3's repeat is no longer the previous line: accepted.
  rig.Deliver(ResultLine('3', '1', " 1:02.34", 'L'));
  EXPECT_EQ(rig.w->LapCount(3), 2);
  for (int lane = 1; lane <= 10; ++lane) {
    if (lane != 3) {
      EXPECT_EQ(rig.w->LapCount(lane), 0);
    }
  }
  EXPECT_EQ(rig.Lap(1), " 3 , 1:02.34,L, 3 , 1:02.34,L,");
  EXPECT_TRUE(rig.messages.messages.empty());
}

TEST_F(PortNotification, DistanceFollowsTheLapCodes) {
  struct Case {
    const char* base;
    const char* dbl;
    const char* third;
  };
  for (Case c : {Case{"1", "0", "75"}, Case{"0", "1", "300"}, Case{"1", "1", "150"},
                 Case{"0", "0", "150"}, Case{"", "0", ""}, Case{"2", "0", ""}}) {
    rig.Show(1);
    rig.meet.Settings.LapBaseCode = c.base;
    rig.meet.Settings.LapDoubleCode = c.dbl;
    rig.Deliver(ResultLine('5', '1', "   30.00", 'L'));
    rig.Deliver(ResultLine('5', '1', " 1:00.00", 'L'));
    rig.Deliver(ResultLine('5', '1', " 1:30.00", 'L'));
    EXPECT_EQ(rig.txtShukai[4].text, c.third) << c.base << "/" << c.dbl;
    EXPECT_EQ(rig.w->LapCount(5), 3);
  }
}

TEST_F(PortNotification, FinishLinePaintsTheLaneAndTheZeroClockFinishesTheRace) {
  rig.Deliver(ClockLine("    0.00"));  // before any finish: only the clock
  EXPECT_EQ(rig.w->Book().RaceNo, 1);
  rig.Deliver(ClockLine("   12.30"));
  EXPECT_EQ(rig.lblTimer.caption, "   12.30");
  rig.Deliver(ResultLine('2', '0', " 1:05.00", 'G'));
  EXPECT_EQ(rig.txtJun[1].text, "10");
  EXPECT_EQ(rig.txtJun[1].back, kLightRed);
  EXPECT_EQ(rig.txtKiro[1].back, kLightRed);
  EXPECT_EQ(rig.w->GoalSeen(), "1");
  rig.Deliver(ClockLine(" 1:05.10"));
  EXPECT_EQ(rig.w->Book().RaceNo, 1);
  EXPECT_EQ(rig.lblTimer.caption, " 1:05.10");
  rig.Deliver(ClockLine("    0.00"));
  EXPECT_EQ(rig.w->Book().RaceNo, 2);
  EXPECT_EQ(rig.lblTimer.caption, "    0.00");
  EXPECT_EQ(rig.w->GoalSeen(), "0");
  EXPECT_EQ(rig.w->LastLane(), 0);
  EXPECT_EQ(rig.w->LastTime(), "");
  EXPECT_EQ(rig.w->LastKind(), "");
  EXPECT_EQ(rig.Book()[0], '6');
  EXPECT_EQ(rig.Lap(1), " 2 , 1:05.00,G,");
  EXPECT_TRUE(rig.w->LapFileOpen());
  EXPECT_TRUE(rig.tmp.Exists("data/lap/r0002"));
  EXPECT_TRUE(rig.w->Receiving());
  EXPECT_EQ(rig.txtKiro[1].text, "");
  EXPECT_NE(rig.txtKiro[1].back, kLightRed);
}

TEST_F(PortNotification, IgnoredLinesChangeNothing) {
  rig.Deliver(ResultLine('3', '1', " 1:02.34", 'T'));
  rig.Deliver(ResultLine('3', '1', " 1:02.34", 'K'));
  rig.Deliver(ResultLine('3', '1', " 1:02.34", 'J'));
  EXPECT_EQ(rig.w->LapCount(3), 0);
  EXPECT_EQ(rig.lblTimer.caption, "");
  EXPECT_EQ(rig.Lap(1), "");
}

TEST_F(PortNotification, ForeignBlockResetsThePort) {
  rig.port.calls.clear();
  rig.port.Feed("\r A 31  1:02.34Lrest of the buffer");
  rig.w->OnPortNotification();
  EXPECT_EQ(rig.port.calls, (std::vector<std::string>{"close", "inputlen 16", "discard", "open"}));
  EXPECT_TRUE(rig.port.IsOpen());
  EXPECT_EQ(rig.port.Waiting(), "");
  EXPECT_EQ(rig.w->LapCount(3), 0);
}

// Records cut across reads: whatever the split, no record is misread, and a
// read that starts in the middle of a record resynchronises the port.
TEST_F(PortNotification, RecordsSplitAcrossReadsAreNeverMisread) {
  std::string stream;
  for (char lane : std::string("1234567890")) stream += ResultLine(lane, '1', " 1:00.00", 'L');
  for (std::size_t chunk : {1u, 7u, 15u, 16u, 17u, 31u, 160u}) {
    rig.Show(1);
    rig.Start();  // stop
    rig.messages.choices = {1};
    rig.Start();  // started over: lap file emptied, lanes cleared
    rig.messages.choices.clear();
    for (std::size_t at = 0; at < stream.size(); at += chunk) rig.Arrive(stream.substr(at, chunk));
    int total = 0;
    for (int lane = 1; lane <= 10; ++lane) {
      EXPECT_LE(rig.w->LapCount(lane), 1) << "chunk " << chunk;
      if (rig.w->LapCount(lane) == 1) {
        EXPECT_EQ(rig.w->LaneTime(lane), 10000);
      }
      total += rig.w->LapCount(lane);
    }
    EXPECT_GE(total, 1) << "chunk " << chunk;
    // Every logged record is whole.
    const std::string lap = rig.Lap(1);
    int records = 0;
    for (std::size_t at = lap.find(",L,"); at != std::string::npos; at = lap.find(",L,", at + 1)) {
      ++records;
    }
    EXPECT_EQ(records, total) << lap;
  }
}

TEST_F(PortNotification, NotificationsWhileStoppedReadNothing) {
  rig.Start();  // stop
  rig.port.Feed(ResultLine('3', '1', " 1:02.34", 'L'));
  rig.w->OnPortNotification();
  EXPECT_EQ(rig.w->LapCount(3), 0);
  EXPECT_FALSE(rig.port.IsOpen());
}

TEST_F(PortNotification, NoiseBytesNeverReachTheLapFileUnchanged) {
  rig.Deliver(
      std::string(" A 31 \xff"
                  "1:02.34L\r",
                  16));
  EXPECT_EQ(rig.Lap(1), " 3 ,?1:02.34,L,");
  EXPECT_EQ(rig.txtKiro[2].text,
            "\xc3\xbf"
            "1:02.34");
}

}  // namespace
}  // namespace poolside::testing
