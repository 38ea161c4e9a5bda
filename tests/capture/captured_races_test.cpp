// Captured races as the --recover listing shows them, from files written by
// the journal.
#include "capture/captured_races.h"

#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "capture/capture_journal.h"
#include "capture/captured_repairs.h"
#include "platform/errors.h"
#include "reception/console_line.h"
#include "support/temp_dir.h"

namespace poolside {
namespace {

using poolside::testing::TempDir;

class CapturedRacesTest : public ::testing::Test {
 protected:
  CapturedRacesTest() : journal_({"v", {}}) { EXPECT_TRUE(journal_.Open(dir_.Path())); }
  void Show(int race) {
    RaceShown e;
    e.race = race;
    e.program = race * 10;
    e.heat = 1;
    journal_.OnRaceEvent(e);
  }
  void Block(const std::string& bytes) {
    journal_.OnRaceEvent(
        BlockRead{bytes, std::chrono::system_clock::now(), std::chrono::steady_clock::now()});
  }
  void Finish(int lane, const std::string& time) {
    journal_.OnRaceEvent(LaneTouched{lane, 1, time, 0, 1, 0, true});
  }
  void Finished(int race) {
    RaceFinished f;
    f.race = race;
    f.goalFile = "g" + std::to_string(race);
    journal_.OnRaceEvent(f);
  }
  TempDir dir_;
  CaptureJournal journal_;
};

TEST_F(CapturedRacesTest, StretchesFromRaceShownToFinishOrNextRace) {
  Show(7);
  journal_.OnRaceEvent(ReceptionStarted{1, "d", "1234567890"});
  Block("a");
  journal_.OnRaceEvent(ReceptionStopped{1, "d"});
  Show(7);  // redrawn after a status change: the same stretch
  journal_.OnRaceEvent(ReceptionStarted{1, "d", "1234567890"});
  Block("b");
  Finish(3, "  1:02.34");
  Finish(1, "    59.10");
  Finish(3, "  1:02.35");  // a later finish of the same lane replaces the time
  Block("c");
  Finished(7);
  Show(8);
  Block("d");
  Show(5);  // navigated away: race 8 ends unfinished
  Show(8);  // and back: a new stretch
  Block("e");

  const std::vector<CapturedRace> races = FindCapturedRaces({journal_.Path()});
  ASSERT_EQ(races.size(), 4u);
  EXPECT_EQ(races[0].race, 7);
  EXPECT_TRUE(races[0].finished);
  EXPECT_EQ(races[0].blocks, 3u);
  EXPECT_EQ(races[0].goalFile, "g7");
  ASSERT_EQ(races[0].lanes.size(), 2u);
  EXPECT_EQ(races[0].lanes[0].lane, 1);
  EXPECT_EQ(races[0].lanes[1].time, "1:02.35");
  EXPECT_EQ(BlocksOf({journal_.Path()}, races[0], IsNoiseRecord),
            (std::vector<std::string>{"a", "b", "c"}));

  EXPECT_EQ(races[1].race, 8);
  EXPECT_FALSE(races[1].finished);
  EXPECT_EQ(BlocksOf({journal_.Path()}, races[1], IsNoiseRecord), (std::vector<std::string>{"d"}));
  EXPECT_EQ(races[2].race, 5);
  EXPECT_EQ(races[3].index, 4);
  EXPECT_EQ(BlocksOf({journal_.Path()}, races[3], IsNoiseRecord), (std::vector<std::string>{"e"}));

  const std::string line = ListingLine(races[0]);
  EXPECT_EQ(line.rfind("1 race=7 program=70 heat=1 start=", 0), 0u) << line;
  EXPECT_NE(line.find(" finished blocks=3 1:59.10 3:1:02.35"), std::string::npos) << line;
  EXPECT_NE(ListingLine(races[1]).find(" unfinished "), std::string::npos);
}

TEST_F(CapturedRacesTest, BlocksBeforeAnyRaceBelongToNone) {
  Block("x");
  EXPECT_TRUE(FindCapturedRaces({journal_.Path()}).empty());
}

// Folder names beyond ASCII (a desk's "記録" folder): written, listed and read
// back under the same name; on Windows the name must reach the system as
// UTF-16, never through the ANSI code page.
TEST(CapturedRacesNames, AJapaneseFolderIsWrittenListedAndReadBack) {
  TempDir dir;
  const std::string folder = dir.File("記録 2026");
  CaptureJournal journal({"v", {}});
  ASSERT_TRUE(journal.Open(folder));
  RaceShown shown;
  shown.race = 3;
  journal.OnRaceEvent(shown);
  journal.OnRaceEvent(
      BlockRead{"x", std::chrono::system_clock::now(), std::chrono::steady_clock::now()});
  journal.Close();
  EXPECT_TRUE(dir.HasEntry("記録 2026"));
  const std::vector<std::string> files = CaptureFiles({folder});
  ASSERT_EQ(files, std::vector<std::string>{journal.Path()});
  EXPECT_EQ(files[0].rfind(dir.File("記録 2026/"), 0), 0u) << files[0];
  const std::vector<CapturedRace> races = FindCapturedRaces(files);
  ASSERT_EQ(races.size(), 1u);
  EXPECT_EQ(races[0].race, 3);
  EXPECT_EQ(BlocksOf(files, races[0], IsNoiseRecord), std::vector<std::string>{"x"});
}

}  // namespace
}  // namespace poolside

namespace poolside {
namespace {

TEST(CapturedRaces, ARaceGoesOnInTheNextRunsFileWhenItShowsTheSameRaceFirst) {
  poolside::testing::TempDir dir;
  const auto block = [](const std::string& b) {
    return BlockRead{b, std::chrono::system_clock::now(), std::chrono::steady_clock::now()};
  };
  RaceShown seven;
  seven.race = 7;
  std::string first, second;
  {
    CaptureJournal killed({"v", {}});
    ASSERT_TRUE(killed.Open(dir.File("a")));
    killed.OnRaceEvent(seven);
    killed.OnRaceEvent(block("a"));
    first = killed.Path();
  }
  {
    CaptureJournal next({"v", {}});
    ASSERT_TRUE(next.Open(dir.File("b")));
    next.OnRaceEvent(seven);
    next.OnRaceEvent(block("b"));
    next.OnRaceEvent(RaceFinished{7, {}, {}, "g", "l", {}});
    second = next.Path();
  }
  const std::vector<std::string> files = {first, second};
  const std::vector<CapturedRace> races = FindCapturedRaces(files);
  ASSERT_EQ(races.size(), 1u);
  EXPECT_TRUE(races[0].finished);
  EXPECT_EQ(races[0].spans.size(), 2u);
  EXPECT_EQ(BlocksOf(files, races[0], IsNoiseRecord), (std::vector<std::string>{"a", "b"}));
  // A folder reads as its capture files in name order.
  EXPECT_EQ(CaptureFiles({dir.File("a"), dir.File("missing.cap")}),
            (std::vector<std::string>{first, dir.File("missing.cap")}));
}

TEST(CaptureFiles, RunsStartedInTheSameSecondComeInTheirOrder) {
  testing::TempDir dir;
  dir.MakeDir("c");
  for (const char* name : {"20261209-100204.cap", "20261209-100203-10.cap", "20261209-100203-2.cap",
                           "20261209-100203.cap", "notes.txt"}) {
    dir.Write(std::string("c/") + name, "poolside-capture 1\n");
  }
  EXPECT_EQ(CaptureFiles({dir.File("c")}),
            (std::vector<std::string>{
                dir.File("c/20261209-100203.cap"), dir.File("c/20261209-100203-2.cap"),
                dir.File("c/20261209-100203-10.cap"), dir.File("c/20261209-100204.cap")}));
}

TEST(CapturedRepairs, ARepairJournaledAgainWithItsIntentIsMadeOnce) {
  testing::TempDir dir;
  std::string file;
  {
    CaptureJournal journal({"v", {}});
    ASSERT_TRUE(journal.Open(dir.Path()));
    RaceShown shown;
    shown.race = 3;
    journal.OnRaceEvent(shown);
    journal.OnRaceEvent(RaceFinished{3, {}, {}, "g", "l", {}});
    TouchesRepaired repair;
    repair.race = 3;
    repair.lane = 1;
    repair.what = "drop 2";
    journal.OnRaceEvent(repair);  // the window's, with no intent
    repair.what = "as-lap 2";
    repair.intent = "1765270000000000-42";
    journal.OnRaceEvent(repair);
    journal.OnRaceEvent(repair);  // completed after an interruption
    repair.intent = "1765270000000001-7";
    journal.OnRaceEvent(repair);  // another repair of the same words
    file = journal.Path();
  }
  const std::vector<std::string> files = {file};
  const auto races = FindCapturedRaces(files);
  ASSERT_EQ(races.size(), 1u);
  const auto repairs = RepairsOf(files, races[0]);
  ASSERT_EQ(repairs.size(), 3u);
  EXPECT_EQ(repairs[0].what, "drop 2");
  EXPECT_EQ(repairs[1].what, "as-lap 2");
  EXPECT_EQ(repairs[2].what, "as-lap 2");
}

TEST(CaptureFiles, EmptyAndHalfWrittenFilesAreNamedAndNeverStopTheRest) {
  testing::TempDir dir;
  dir.MakeDir("c");
  std::string sound;
  {
    CaptureJournal journal({"v", {}});
    ASSERT_TRUE(journal.Open(dir.File("c")));
    RaceShown shown;
    shown.race = 4;
    journal.OnRaceEvent(shown);
    journal.OnRaceEvent(RaceFinished{4, {}, {}, "g", "l", {}});
    sound = journal.Path();
  }
  // Killed or out of disk as the file was begun, or zero-filled by a power
  // cut: nothing in them.
  dir.Write("c/20990101-000001.cap", "");
  dir.Write("c/20990101-000002.cap", "poolside-cap");
  dir.Write("c/20990101-000003.cap", "poolside-capture 1");
  dir.Write("c/20990101-000004.cap", std::string(70000, '\0'));
  // Cut in its last line: read up to it.
  const std::string wall = "2026-12-09T10:02:03.123456+09:00 1.000000 ";
  dir.Write("c/20990101-000005.cap",
            "poolside-capture 1\n" + wall +
                "race_shown race=6 status=\"\" program=1 heat=1 heats=1\n" + wall + "race_fini");
  std::vector<std::string> notes;
  const std::vector<std::string> files = CaptureFiles({dir.File("c")}, notes);
  EXPECT_EQ(files, (std::vector<std::string>{sound, dir.File("c/20990101-000005.cap")}));
  ASSERT_EQ(notes.size(), 5u);
  for (int i = 1; i <= 4; ++i) {
    EXPECT_NE(notes[i - 1].find("20990101-00000" + std::to_string(i) + ".cap は空か書きかけです"),
              std::string::npos)
        << notes[i - 1];
  }
  EXPECT_NE(notes[4].find("20990101-000005.cap の最後の行は書きかけです"), std::string::npos);
  const std::vector<CapturedRace> races = FindCapturedRaces(files);
  ASSERT_EQ(races.size(), 2u);
  EXPECT_TRUE(races[0].finished);
  EXPECT_EQ(races[1].race, 6);
  EXPECT_FALSE(races[1].finished);
  EXPECT_TRUE(BlocksOf(files, races[1], IsNoiseRecord).empty());
  // A file named on its own is treated alike; garbage still stops the rest.
  notes.clear();
  EXPECT_TRUE(CaptureFiles({dir.File("c/20990101-000001.cap")}, notes).empty());
  EXPECT_EQ(notes.size(), 1u);
  dir.Write("c/20990101-000006.cap", "poolside-capture 1\nnot a line\n");
  EXPECT_THROW(FindCapturedRaces(CaptureFiles({dir.File("c")})), IoError);
}

}  // namespace
}  // namespace poolside
