// Reception without a window: what each block means, and the state it keeps.

#include "reception/reception.h"

#include <gtest/gtest.h>

#include <string>

namespace poolside {
namespace {

std::string Result(char lane, char rank, const std::string& time8, char kind) {
  return std::string(" A ") + lane + rank + " " + time8 + kind + "\r";
}
std::string Clock(const std::string& time8) { return std::string(" A    ") + time8 + " \r"; }

TEST(ReceptionState, ARaceFromFirstLapToTheFinishingZeroClock) {
  Reception r;
  BlockMeaning m = r.Take(Clock("   12.30"));
  EXPECT_EQ(m.line, LineClass::Clock);
  EXPECT_EQ(m.clockText, "   12.30");
  EXPECT_FALSE(m.finishRace);

  m = r.Take(Result('3', '2', " 1:02.34", 'L'));
  EXPECT_EQ(m.lane, 3);
  EXPECT_EQ(m.rank, 2);
  EXPECT_EQ(m.timeText, " 1:02.34");
  EXPECT_EQ(m.packed, 10234);
  EXPECT_EQ(m.laps, 1);
  EXPECT_FALSE(m.finish);
  // The repeat of the last accepted line is taken by the filter.
  EXPECT_EQ(r.Take(Result('3', '2', " 1:02.34", 'L')).lane, 0);
  EXPECT_EQ(r.LapCount(3), 1);
  // A zero clock before any finish ends nothing.
  EXPECT_FALSE(r.Take(Clock("    0.00")).finishRace);

  m = r.Take(Result('0', 'X', " 2:00.00", 'G'));  // lane 10, a letter ranks 10
  EXPECT_EQ(m.lane, 10);
  EXPECT_EQ(m.rank, 10);
  EXPECT_TRUE(m.finish);
  EXPECT_TRUE(r.GoalSeen());
  EXPECT_EQ(r.LastKind(), 'G');
  EXPECT_FALSE(r.Take(Clock("    0.01")).finishRace);

  m = r.Take(Clock("    0.00"));
  EXPECT_TRUE(m.finishRace);
  EXPECT_FALSE(r.GoalSeen());
  EXPECT_TRUE(r.FinishedOnce());
  EXPECT_EQ(r.LastLane(), 0);
  EXPECT_EQ(r.LastTime(), "");
  EXPECT_EQ(r.LastKind(), '\0');
  // The times stay for the finish; the console's repeated zero clock does
  // not finish again.
  EXPECT_EQ(r.LaneTime(10), 20000);
  EXPECT_FALSE(r.Take(Clock("    0.00")).finishRace);
}

TEST(ReceptionState, ANewRaceEmptiesTheLanesButKeepsTheFilterAndTheGoalFlag) {
  Reception r("1234567890");
  r.Take(Result('5', '1', " 1:00.00", 'G'));
  r.SetLaneTime(2, 700003);
  r.ResetLanes();
  for (int lane = 1; lane <= kLanes; ++lane) {
    EXPECT_EQ(r.LaneTime(lane), 999999);
    EXPECT_EQ(r.LapCount(lane), 0);
    EXPECT_EQ(r.LaneRank(lane), 0);
  }
  EXPECT_TRUE(r.GoalSeen());
  EXPECT_EQ(r.Take(Result('5', '1', " 1:00.00", 'G')).lane, 0);  // still the filter's line
}

TEST(ReceptionState, TheLaneMapDecidesTheLaneAndUnknownIdentifiersPassTheFilter) {
  Reception r("ABCDEFGHIJ");
  EXPECT_EQ(r.Take(Result('C', '1', " 1:00.00", 'L')).lane, 3);
  const BlockMeaning unknown = r.Take(Result('1', '1', " 1:00.00", 'L'));
  EXPECT_EQ(unknown.line, LineClass::Result);
  EXPECT_EQ(unknown.lane, 0);
  EXPECT_EQ(r.LastLane(), 0);  // taken into the filter all the same
  EXPECT_EQ(r.Take(Result('C', '1', " 1:00.00", 'L')).laps, 2);
}

TEST(ReceptionState, NoiseOutOfStepAndIgnoredBlocksChangeNothing) {
  Reception r;
  r.Take(Result('3', '1', " 1:02.34", 'L'));
  EXPECT_EQ(r.Take(Result('4', '1', " 1,02.34", 'G')).line, LineClass::Noise);
  EXPECT_EQ(r.Take("xx").line, LineClass::Foreign);
  EXPECT_EQ(r.Take(Result('4', '1', " 1:02.34", 'T')).line, LineClass::Ignored);
  EXPECT_EQ(r.NoiseBlocks(), 1);
  EXPECT_FALSE(r.GoalSeen());
  EXPECT_EQ(r.LastLane(), 3);
  EXPECT_EQ(r.LapCount(4), 0);
}

TEST(ReceptionState, ALapIsNeverAFinishTimeUnlessSomethingWasTypedAfterIt) {
  Reception r;
  r.Take(Result('1', '1', "   30.00", 'L'));
  r.Take(Result('2', '1', "   31.00", 'L'));
  r.Take(Result('2', '1', " 1:03.00", 'G'));
  r.Take(Result('3', '1', "   32.00", 'L'));
  r.SetLaneTime(3, 6500);
  EXPECT_TRUE(r.NoFinish(1));
  EXPECT_FALSE(r.NoFinish(2));
  EXPECT_FALSE(r.NoFinish(3));
  EXPECT_FALSE(r.NoFinish(4));  // no touch at all
  LaneArray<std::int32_t> times = r.FinishTimes();
  EXPECT_EQ(times[LaneIndex(1)], 999999);
  EXPECT_EQ(times[LaneIndex(2)], 10300);
  EXPECT_EQ(times[LaneIndex(3)], 6500);
  EXPECT_EQ(r.LaneTime(1), 3000);  // the box still shows the lap
  // A touch after the typed value: the lane follows the console again.
  r.Take(Result('3', '1', " 1:10.00", 'L'));
  EXPECT_TRUE(r.NoFinish(3));

  // Touches repaired: the lane takes its last remaining touch, or keeps a
  // typed value.
  r.RestoreLane(1, 2, " 1:01.00", 'G');
  EXPECT_EQ(r.LapCount(1), 2);
  EXPECT_EQ(r.LaneTime(1), 10100);
  EXPECT_FALSE(r.NoFinish(1));
  r.RestoreLane(2, 0, "", '\0');
  EXPECT_EQ(r.LaneTime(2), 999999);
  EXPECT_EQ(r.LapCount(2), 0);
  r.SetLaneTime(3, 7000);
  r.RestoreLane(3, 1, "   32.00", 'L');
  EXPECT_EQ(r.LaneTime(3), 7000);
  EXPECT_FALSE(r.NoFinish(3));
  r.ResetLanes();
  EXPECT_FALSE(r.NoFinish(1));
  EXPECT_FALSE(r.Typed(3));
}

}  // namespace
}  // namespace poolside
