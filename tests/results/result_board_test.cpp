// The desk's result view: the race finished last as the result's owner tells
// it, with what the desk knew, told again after a repair; lanes without a
// finish are marked; any race chosen comes from the owner.
#include "results/result_board.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "meetdata/competition_record.h"
#include "results/race_results.h"
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
  dir.Write("Race.dat", "6666");
  dir.Write("goal/g0004",
            " 2 , 10100 , 0 , 888888 , 1 , 5900 , 0 , 888888 , 0 , 888888 , 0 , 888888 ,"
            " 0 , 888888 , 0 , 888888 , 0 , 888888 , 0 , 888888 ,");
  dir.Write("lap/r0004", " 1 ,   30.00,L, 2 ,   34.91,L, 3 ,   59.00,G, 1 , 1:01.00,G,");
  ResultFolder folder;
  folder.dataFolder = dir.Path() + "/";
  folder.settings.LapBaseCode = "0";
  folder.settings.LapDoubleCode = "0";  // 50 m a lap
  folder.deskFile = dir.File("export/desk.json");
  RaceFeed feed;
  RaceResults results;
  results.SetFolder(folder);
  results.AttachTo(feed);
  ResultBoard board([&](int race) { return results.ResultOf(race); });
  feed.Attach(board);
  int changes = 0;
  board.onChange = [&] { ++changes; };
  EXPECT_EQ(board.Heading(), "終了したレースはまだありません");

  RaceFinished f;
  f.race = 4;
  f.noFinish[1] = true;
  f.withdrawn[3] = true;
  feed.Publish(f);
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

  // Lane 2's touch was its finish: repaired, the owner tells it again.
  dir.Write("goal/g0004",
            " 3 , 10100 , 1 , 3491 , 2 , 5900 , 0 , 888888 , 0 , 888888 , 0 , 888888 ,"
            " 0 , 888888 , 0 , 888888 , 0 , 888888 , 0 , 888888 ,");
  dir.Write("lap/r0004", " 1 ,   30.00,L, 2 ,   34.91,G, 3 ,   59.00,G, 1 , 1:01.00,G,");
  TouchesRepaired r;
  r.race = 4;
  r.lane = 2;
  r.finished = true;
  feed.Publish(r);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(board.Rows()[0].lane, 2);
  EXPECT_EQ(board.Rows()[0].result, "34.91");
  EXPECT_EQ(board.Rows()[0].mark, "");
  EXPECT_EQ(board.Rows()[3].result, "棄権");
  feed.Publish(ClockShown{"    1.00"});
  // A change of another race that is not its finish leaves the view.
  feed.Publish(RaceStatusChanged{2, "7"});
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(board.Race(), 4);

  // A recovery rewrote race 4 with no withdrawal typed: shown as told.
  RaceFinished recovered;
  recovered.race = 4;
  recovered.recovered = true;
  feed.Publish(recovered);
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(board.Rows()[3].lane, 4);
  EXPECT_EQ(board.Rows()[3].result, "記録なし");

  // Any race chosen; one without its files says what is missing.
  board.Show(3);
  EXPECT_EQ(board.Race(), 3);
  EXPECT_NE(board.Heading().find("goal\\g0003: ありません"), std::string::npos) << board.Heading();
  feed.Detach(board);

  // A desk started again shows the race finished last, not "none yet": the
  // one with the latest finish the desk knew, though the book marks a later
  // race number done too; without the desk's file, the highest done race.
  dir.Write("Race.dat", "66666");
  RaceResults again;
  again.SetFolder(folder);
  EXPECT_EQ(again.LastFinished(), 4);
  std::filesystem::remove(dir.File("export/desk.json"));
  RaceResults bare;
  bare.SetFolder(folder);
  EXPECT_EQ(bare.LastFinished(), 5);
  dir.Write("Race.dat", "0000");
  RaceResults none;
  none.SetFolder(folder);
  EXPECT_EQ(none.LastFinished(), 0);
}

TEST(ResultBoard, TheTouchDialogOpensOnTheRaceBeingTimedOrTheLastOneFinished) {
  ResultBoard board([](int race) {
    auto r = std::make_shared<RaceResult>();
    r->race = race;
    for (int i = 0; i < kLanes; ++i) r->lanes[i].lane = i + 1;
    r->lanes[6].status = LaneStatus::NoFinish;
    return r;
  });
  LaneArray<int> laps{};
  // Nothing finished yet: the race on screen, lane 1.
  EXPECT_EQ(RepairDialogStart(5, laps, board).race, 5);
  EXPECT_EQ(RepairDialogStart(5, laps, board).lane, 1);
  // Race 4 finished last, lane 7 without a finish: there, until race 5 has
  // a touch.
  board.Show(4);
  EXPECT_EQ(RepairDialogStart(5, laps, board).race, 4);
  EXPECT_EQ(RepairDialogStart(5, laps, board).lane, 7);
  laps[2] = 1;
  EXPECT_EQ(RepairDialogStart(5, laps, board).race, 5);
  EXPECT_EQ(RepairDialogStart(5, laps, board).lane, 1);
}

}  // namespace
}  // namespace poolside
