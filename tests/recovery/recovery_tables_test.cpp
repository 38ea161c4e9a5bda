// What the recovery dialog shows: the captured races with their event and
// local times, the re-timed lanes beside the files as they are now with
// the differences marked, and a question that names the target race.
#include "recovery/recovery_tables.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "timing/race_rig.h"

namespace poolside::testing {
namespace {

CapturedRace Captured(int index, int race, bool finished) {
  CapturedRace c;
  c.index = index;
  c.race = race;
  c.program = race;
  c.heat = 1;
  c.start = "2026-12-09T10:02:03.817553+09:00";
  c.end = "2026-12-09T10:04:10.100000+09:00";
  c.finished = finished;
  if (finished) c.lanes = {{1, "57.77"}, {3, "1:02.34"}};
  return c;
}

TEST(RecoveryTables, CapturedRacesReadAsRowsWithEventAndLocalTimes) {
  RaceRig rig;
  rig.WriteBook("1");
  const RaceSourcesOf sources = [&](int race) { return SourcesOf(rig.meet, race); };
  const std::vector<CapturedRaceRow> rows =
      CapturedRaceRows({Captured(1, 3, true), Captured(2, 4, false)}, sources);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].index, "1");
  EXPECT_EQ(rows[0].race, "3");
  EXPECT_EQ(rows[0].programHeat, "3-1");
  EXPECT_EQ(rows[0].start, "10:02:03");
  EXPECT_EQ(rows[0].end, "10:04:10");
  EXPECT_EQ(rows[0].finished, "終了");
  EXPECT_EQ(rows[0].lanes, "1: 57.77  3: 1:02.34");
  EXPECT_EQ(rows[1].finished, "未終了");
  EXPECT_EQ(rows[1].lanes, "");
  // The event as the timing window's header shows it.
  rig.Show(3);
  EXPECT_NE(rows[0].event.find(rig.lblShu.caption), std::string::npos) << rows[0].event;
  EXPECT_EQ(ClockOfWallTime("not a time"), "not a time");
  EXPECT_EQ(CapturedRaceRows({Captured(1, 3, true)}, {})[0].event, "");
}

TEST(RecoveryTables, ThePreviewMarksTheLanesThatDifferFromTheFilesNow) {
  RaceRig rig;
  rig.WriteBook("11");
  rig.tmp.Write("data/goal/g0002", GoalText({{1, 10234},
                                             {2, 5999},
                                             {0, 700003},
                                             {0, 888888},
                                             {0, 888888},
                                             {0, 888888},
                                             {0, 888888},
                                             {0, 888888},
                                             {0, 888888},
                                             {0, 888888}}));
  rig.tmp.Write("data/lap/r0002", " 1 ,   30.10,L, 1 , 1:02.34,G, 2 ,   59.99,G, 5 ,   31.00,L,");
  const RaceSources now = SourcesOf(rig.meet, 2);
  Retiming retiming;
  retiming.race = 2;
  retiming.files = {{now.lapFile, " 1 ,   30.10,L, 1 , 1:02.34,G, 2 ,   59.99,G, 3 , 1:05.00,G,"},
                    {now.goalFile, GoalText({{1, 10234},
                                             {2, 5999},
                                             {3, 10500},
                                             {0, 888888},
                                             {0, 888888},
                                             {0, 888888},
                                             {0, 888888},
                                             {0, 888888},
                                             {0, 888888},
                                             {0, 888888}})}};
  retiming.statuses = {{2, '1', '6'}};
  const RetimingPreview p = PreviewOf(retiming, now);
  EXPECT_NE(p.target.find("プログラム 2 組 1"), std::string::npos) << p.target;
  ASSERT_EQ(p.lanes.size(), 10u);
  EXPECT_FALSE(p.lanes[0].differs);
  EXPECT_EQ(p.lanes[0].retimed.rank, "1");
  EXPECT_EQ(p.lanes[0].retimed.result, "1:02.34");
  EXPECT_EQ(p.lanes[0].retimed.splits, "30.10  1:02.34");
  EXPECT_FALSE(p.lanes[1].differs);
  ASSERT_TRUE(p.lanes[2].differs);
  EXPECT_EQ(p.lanes[2].now.result, "折返");
  EXPECT_EQ(p.lanes[2].now.rank, "");
  EXPECT_EQ(p.lanes[2].retimed.result, "1:05.00");
  EXPECT_EQ(p.lanes[2].retimed.rank, "3");
  // An entry with 888888 and no touch: the files know of no withdrawal.
  EXPECT_EQ(p.lanes[3].now.result, "記録なし");
  EXPECT_FALSE(p.lanes[3].differs);
  // A lane whose last touch was a lap says so, as the result view does.
  EXPECT_EQ(p.lanes[4].now.result, "ゴール未検出");
  EXPECT_EQ(p.lanes[4].now.splits, "31.00");
  ASSERT_EQ(p.statuses.size(), 1u);
  EXPECT_EQ(p.statuses[0], "レース 2: \"1\" → \"6\"");
  EXPECT_TRUE(p.problems.empty());
  // Nothing of the data folder changed.
  EXPECT_EQ(rig.Lap(2), " 1 ,   30.10,L, 1 , 1:02.34,G, 2 ,   59.99,G, 5 ,   31.00,L,");
}

TEST(RecoveryTables, TheQuestionNamesTheTargetRaceAndThatItWillBeMarkedDone) {
  RaceRig rig;
  rig.WriteBook("1");
  const std::string target = RaceDescription(LoadRaceResult(SourcesOf(rig.meet, 9)));
  EXPECT_EQ(target.rfind("プログラム 9 組 1", 0), 0u) << target;
  const std::string q = ApplyQuestion(1, Captured(1, 3, true), target, 9);
  EXPECT_NE(q.find("記録 1 (レース 3 の計時) を、レース 9 " + target), std::string::npos) << q;
  EXPECT_NE(q.find("終了済み (6)"), std::string::npos) << q;
  EXPECT_NE(q.find("ラップファイルとゴールファイルを置き換え"), std::string::npos) << q;
}

}  // namespace
}  // namespace poolside::testing
