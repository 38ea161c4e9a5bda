// The desk's result view: the race finished last, with what the desk knew,
// read again after a repair; lanes without a finish are marked.
#include "results/result_board.h"

#include <gtest/gtest.h>

#include "meetdata/competition_record.h"
#include "support/temp_dir.h"

namespace poolside {
namespace {

TEST(ResultBoard, ShowsTheLastFinishedRaceWithTheDesksKnowledge) {
  testing::TempDir dir;
  dir.MakeDir("lap");
  dir.MakeDir("goal");
  CompetitionRecord heat;
  heat.EntryNo = {101, 102, 103, 104};
  const Bytes record = EncodeCompetitionRecord(heat, "093000");
  std::string meet((4 + 10 - 1) * kMeetRecordLength, '\0');
  meet.append(record.begin(), record.end());
  dir.Write("taikai.dat", meet);
  dir.Write("goal/g0004",
            " 2 , 10100 , 0 , 888888 , 1 , 5900 , 0 , 888888 , 0 , 888888 , 0 , 888888 ,"
            " 0 , 888888 , 0 , 888888 , 0 , 888888 , 0 , 888888 ,");
  dir.Write("lap/r0004", " 1 ,   30.00,L, 2 ,   34.91,L, 3 ,   59.00,G, 1 , 1:01.00,G,");
  ResultBoard board([&](int race) {
    RaceSources s;
    s.race = race;
    s.meetFile = dir.File("taikai.dat");
    s.bookFile = dir.File("Race.dat");
    s.goalFile = dir.File("goal/g000" + std::to_string(race));
    s.lapFile = dir.File("lap/r000" + std::to_string(race));
    s.metresPerLap = 50;
    return s;
  });
  int changes = 0;
  board.onChange = [&] { ++changes; };
  EXPECT_EQ(board.Heading(), "終了したレースはまだありません");

  RaceFinished f;
  f.race = 4;
  f.noFinish[1] = true;
  f.withdrawn[3] = true;
  board.OnRaceEvent(f);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(board.Race(), 4);
  const std::vector<ResultRow> rows = board.Rows();
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].lane, 3);
  EXPECT_EQ(rows[0].rank, "1");
  EXPECT_EQ(rows[0].result, "59.00");
  EXPECT_EQ(rows[1].splits, "50m 30.00  100m 1:01.00");
  EXPECT_EQ(rows[2].lane, 2);
  EXPECT_EQ(rows[2].result, "ゴール未検出");
  EXPECT_NE(rows[2].mark, "");
  EXPECT_EQ(rows[3].result, "棄権");  // lane 4: 8 typed at the desk
  EXPECT_EQ(rows[3].mark, "");

  // Lane 2's touch was its finish: repaired, the view reads the files again.
  dir.Write("goal/g0004",
            " 3 , 10100 , 1 , 3491 , 2 , 5900 , 0 , 888888 , 0 , 888888 , 0 , 888888 ,"
            " 0 , 888888 , 0 , 888888 , 0 , 888888 , 0 , 888888 ,");
  dir.Write("lap/r0004", " 1 ,   30.00,L, 2 ,   34.91,G, 3 ,   59.00,G, 1 , 1:01.00,G,");
  TouchesRepaired r;
  r.race = 4;
  r.lane = 2;
  r.finished = true;
  board.OnRaceEvent(r);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(board.Rows()[0].lane, 2);
  EXPECT_EQ(board.Rows()[0].result, "34.91");
  EXPECT_EQ(board.Rows()[0].mark, "");
  EXPECT_EQ(board.Rows()[3].result, "棄権");
  board.OnRaceEvent(ClockShown{"    1.00"});
  EXPECT_EQ(changes, 2);

  // A recovery rewrote race 4: shown as its files read, whatever the desk
  // knew of the finish before.
  RaceFinished recovered;
  recovered.race = 4;
  recovered.recovered = true;
  board.OnRaceEvent(recovered);
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(board.Rows()[3].lane, 4);
  EXPECT_EQ(board.Rows()[3].result, "記録なし");
}

}  // namespace
}  // namespace poolside
