#include "results/race_result.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "meetdata/competition_record.h"
#include "platform/cp932.h"
#include "platform/os_calls.h"
#include "results/race_json.h"
#include "support/temp_dir.h"

namespace poolside {
namespace {

using testing::TempDir;

// A data folder with race 7 of a meet: entries in lanes 2, 3, 4 and 6.
class RaceResultTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir.MakeDir("lap");
    dir.MakeDir("goal");
    CompetitionRecord heat;
    heat.ProgramNo = 3;
    heat.HeatNo = 2;
    heat.HeatCount = 4;
    heat.SexCode = "1";
    heat.ClassLow = 21;
    heat.ClassHigh = 23;
    heat.EventCode = 3;
    heat.RoundCode = "1";
    heat.EntryNo = {0, 1002, 1003, 1004, 0, 1006};
    const Bytes record = EncodeCompetitionRecord(heat, "093000");
    std::string meet((7 + 10 - 1) * kMeetRecordLength, '\0');
    meet.append(record.begin(), record.end());
    dir.Write("taikai.dat", meet);
    dir.Write("Race.dat", "666661" + std::string("6"));
    sources.race = 7;
    sources.meetFile = dir.File("taikai.dat");
    sources.bookFile = dir.File("Race.dat");
    sources.goalFile = dir.File("goal/g0007");
    sources.lapFile = dir.File("lap/r0007");
    sources.classLabelMode = "1";
    sources.metresPerLap = 50;
  }
  void WriteGoal(const std::string& text) { dir.Write("goal/g0007", text); }
  void WriteLaps(const std::string& text) { dir.Write("lap/r0007", text); }
  std::string Problems(const RaceResult& r) {
    std::string s;
    for (const auto& p : r.problems) s += p.file + ": " + p.what + "\n";
    return s;
  }

  TempDir dir;
  RaceSources sources;
};

const char* kGoal =
    " 0 , 888888 , 2 , 10234 , 1 , 5999 , 0 , 700003 , 0 , 888888 , 0 , 888888 ,"
    " 0 , 888888 , 0 , 888888 , 0 , 888888 , 0 , 888888 ,";
const char* kLaps = " 2 ,   29.50,L, 3 ,   28.10,L, 3 ,   59.99,G, 2 , 1:02.34,G,";

TEST_F(RaceResultTest, ReadsHeaderBookGoalAndLapsAsTheWindowShowsThem) {
  WriteGoal(kGoal);
  WriteLaps(kLaps);
  const RaceResult r = LoadRaceResult(sources);
  EXPECT_EQ(Problems(r), "");
  EXPECT_EQ(r.raceText, "0007");
  EXPECT_EQ(r.bookStatus, "6");
  EXPECT_EQ(r.program, 3);
  EXPECT_EQ(r.heat, 2);
  EXPECT_EQ(r.heats, 4);
  EXPECT_EQ(r.event.label, "100m自由形");
  EXPECT_EQ(r.round.label, "予選");
  EXPECT_EQ(r.raceClass.code, "21-23");
  EXPECT_EQ(r.raceClass.label, "21-23才");
  EXPECT_FALSE(r.finishedAt.empty());

  const LaneResult& l2 = r.lanes[1];
  EXPECT_EQ(l2.entry, 1002);
  EXPECT_EQ(l2.rank, 2);
  EXPECT_EQ(l2.text, "1:02.34");
  EXPECT_EQ(l2.hundredths, 6234);
  EXPECT_EQ(l2.status, LaneStatus::Time);
  ASSERT_EQ(l2.splits.size(), 2u);
  EXPECT_EQ(l2.splits[0].distance, 50);
  EXPECT_EQ(l2.splits[0].text, "29.50");
  EXPECT_EQ(l2.splits[0].hundredths, 2950);
  EXPECT_EQ(l2.splits[1].kind, 'G');
  EXPECT_EQ(l2.splits[1].distance, 100);
  EXPECT_EQ(r.lanes[2].splits.size(), 2u);
  EXPECT_EQ(r.lanes[2].hundredths, 5999);

  EXPECT_EQ(r.lanes[3].status, LaneStatus::Dq);  // 700003 in a lane with an entry
  EXPECT_EQ(r.lanes[3].dqCode, 3);
  EXPECT_EQ(r.lanes[3].text, "折返");
  EXPECT_FALSE(r.lanes[3].hundredths);
  // 888888 with an entry and no touch: no withdrawal was typed or stored.
  EXPECT_EQ(r.lanes[5].status, LaneStatus::NoTime);
  EXPECT_EQ(r.lanes[5].text, "棄権");
  EXPECT_EQ(r.lanes[0].status, LaneStatus::NoTime);  // 888888 in an empty lane
  for (const auto& lane : r.lanes) EXPECT_TRUE(lane.goalRead && lane.lapsRead) << lane.lane;
}

TEST_F(RaceResultTest, CombinedCopiesWithoutBlanksReadTheSame) {
  WriteGoal(
      "0,888888,2,10234,1,5999,0,700003,0,888888,0,888888,0,888888,0,888888,0,888888,0,"
      "888888,");
  WriteLaps("2,29.50,L,3,28.10,L,");
  const RaceResult r = LoadRaceResult(sources);
  EXPECT_EQ(Problems(r), "");
  EXPECT_EQ(r.lanes[1].hundredths, 6234);
  EXPECT_EQ(r.lanes[1].splits[0].hundredths, 2950);
}

TEST_F(RaceResultTest, MissingFilesAreNamedAndTheirLanesMarked) {
  ::unlink(dir.File("taikai.dat").c_str());
  ::unlink(dir.File("Race.dat").c_str());
  const RaceResult r = LoadRaceResult(sources);
  EXPECT_EQ(Problems(r),
            "taikai.dat: 開けません: No such file or directory\n"
            "Race.dat: ありません\n"
            "goal\\g0007: ありません\n"
            "lap\\r0007: ありません\n");
  for (const auto& lane : r.lanes) {
    EXPECT_EQ(lane.status, LaneStatus::Unreadable);
    EXPECT_FALSE(lane.goalRead);
    EXPECT_FALSE(lane.lapsRead);
    EXPECT_EQ(lane.text, "");
  }
  EXPECT_TRUE(r.finishedAt.empty());
  // No path of this machine reaches the problems.
  EXPECT_EQ(RaceJson(r).find(dir.Path()), std::string::npos);
}

TEST_F(RaceResultTest, ShortAndGarbledGoalFilesKeepWhatCanBeRead) {
  WriteLaps(kLaps);
  WriteGoal(" 0 , 888888 , 2 , 10234 , 1 ,");  // cut inside lane 3
  RaceResult r = LoadRaceResult(sources);
  EXPECT_EQ(Problems(r), "goal\\g0007: 3 コースの記録がありません\n");
  EXPECT_TRUE(r.lanes[1].goalRead);
  EXPECT_EQ(r.lanes[1].hundredths, 6234);
  EXPECT_FALSE(r.lanes[2].goalRead);
  EXPECT_EQ(r.lanes[2].splits.size(), 2u);  // its laps still read

  WriteGoal(" 0 , 888888 , 2 , 10234 ,");  // whole lanes only
  r = LoadRaceResult(sources);
  EXPECT_EQ(Problems(r), "goal\\g0007: 短すぎます: 2 コース分で終わっています\n");

  WriteGoal("");
  r = LoadRaceResult(sources);
  EXPECT_EQ(Problems(r), "goal\\g0007: 短すぎます: 0 コース分で終わっています\n");

  std::string garbled = kGoal;
  garbled.replace(garbled.find("10234"), 5, "1O234");  // letter O in lane 2
  garbled.replace(garbled.find(" 1 ,"), 4, " 99,");    // rank out of range in lane 3
  WriteGoal(garbled + "<script>,");
  r = LoadRaceResult(sources);
  EXPECT_EQ(Problems(r),
            "goal\\g0007: 2 コース (1 行目): 記録 「1O234」 は読めません\n"
            "goal\\g0007: 3 コース (1 行目): 順位 「99」 は読めません\n"
            "goal\\g0007: 10 コースの後に余分なデータがあります\n");
  EXPECT_EQ(r.lanes[1].status, LaneStatus::Unreadable);
  EXPECT_EQ(r.lanes[2].status, LaneStatus::Unreadable);
  EXPECT_EQ(r.lanes[3].status, LaneStatus::Dq);
}

TEST_F(RaceResultTest, GarbledAndCutLapFilesSkipOnlyTheBadRecords) {
  WriteGoal(kGoal);
  WriteLaps(" 2 ,   29.50,L, x ,   28.10,L, 3 ,   59.99,Q, 3 , 1:0?.34,G, 2 , 1:02");
  const RaceResult r = LoadRaceResult(sources);
  EXPECT_EQ(Problems(r),
            "lap\\r0007: 記録 5 の途中で終わっています\n"
            "lap\\r0007: 記録 2 (1 行目): コース 「x」 は読めません (ほか 1 件)\n");
  EXPECT_TRUE(r.lanes[1].goalRead);
  EXPECT_FALSE(r.lanes[1].lapsRead);  // its last record was cut
  EXPECT_FALSE(r.lanes[2].lapsRead);  // a record of unknown kind
  EXPECT_TRUE(r.lanes[3].lapsRead);
  ASSERT_EQ(r.lanes[2].splits.size(), 1u);
  EXPECT_EQ(r.lanes[2].splits[0].text, "1:0?.34");  // kept, but no time
  EXPECT_FALSE(r.lanes[2].splits[0].hundredths);
}

TEST_F(RaceResultTest, FilesThatAreNoResultFilesAreNotRead) {
  dir.MakeDir("goal/g0007");                     // a folder
  WriteLaps(std::string(5 * 1024 * 1024, ' '));  // far too large
  const RaceResult r = LoadRaceResult(sources);
  EXPECT_EQ(Problems(r),
            "goal\\g0007: 読めません: ファイルではありません\n"
            "lap\\r0007: 読めません: 大きすぎます (5242880 バイト)\n");
}

// A read the disk fails half way (the OS-call table's read): the file is
// named, its lanes unread, the other files read as usual.
TEST_F(RaceResultTest, AFailingReadIsAProblemNotAHalfResult) {
  WriteGoal(kGoal);
  WriteLaps(kLaps);
  static int reads;  // NOLINT: counted by the plain function pointer below
  reads = 0;
  Os().read = [](int fd, void* buf, size_t n) -> ssize_t {
    // Race.dat is read first (its bytes, then the end): the third read is
    // the goal file's.
    if (++reads == 3) {
      errno = EIO;
      return -1;
    }
    return RealOs().read(fd, buf, n);
  };
  const RaceResult r = LoadRaceResult(sources);
  Os() = RealOs();
  EXPECT_EQ(Problems(r), "goal\\g0007: 読めません: 読み取りに失敗しました\n");
  EXPECT_EQ(r.bookStatus, "6");
  EXPECT_EQ(r.lanes[1].status, LaneStatus::Unreadable);
  EXPECT_TRUE(r.finishedAt.empty());
  EXPECT_EQ(r.lanes[1].splits.size(), 2u);  // the lap file was read
}

TEST_F(RaceResultTest, RaceOutsideTheMeetGivesAZeroHeader) {
  sources.race = 40;  // past the end of the meet file and of the book's bytes
  RaceResult r = LoadRaceResult(sources);
  EXPECT_EQ(r.problems.front().what, "競技 40 のレコードがありません (ファイルが短い)");
  EXPECT_EQ(r.bookStatus, "");
  EXPECT_EQ(r.program, 0);
  sources.race = 0;
  r = LoadRaceResult(sources);
  EXPECT_EQ(r.problems.front().what, "レース番号 0 は範囲外です");
}

TEST(LaneValueTest, StatusValuesAndTimes) {
  struct Case {
    std::int32_t value;
    std::int32_t entry;
    LaneStatus status;
    const char* text;
    std::optional<std::int64_t> hundredths;
  };
  const Case cases[] = {
      {10234, 1, LaneStatus::Time, "1:02.34", 6234},
      {45, 1, LaneStatus::Time, ".45", 45},
      {995959, 1, LaneStatus::NoTime, "99:59.59", std::nullopt},  // past the status line
      {700001, 1, LaneStatus::Dq, "ｽﾀｰﾄ", std::nullopt},
      {700007, 1, LaneStatus::Dq, "途中", std::nullopt},
      {700008, 1, LaneStatus::NoTime, "70:00.08", std::nullopt},
      {888888, 1, LaneStatus::NoTime, "棄権", std::nullopt},  // no withdrawal known
      {888888, 0, LaneStatus::NoTime, "棄権", std::nullopt},
      {666666, 1, LaneStatus::NoTime, "参加", std::nullopt},
      {999999, 1, LaneStatus::NoTime, "99:99.99", std::nullopt},
      {0, 1, LaneStatus::NoTime, "", std::nullopt},
      {-5999, 1, LaneStatus::NoTime, "59.99", std::nullopt},
  };
  for (const Case& c : cases) {
    LaneResult lane;
    lane.entry = c.entry;
    lane.packed = c.value;
    ClassifyLaneValue(lane);
    EXPECT_EQ(lane.status, c.status) << c.value;
    EXPECT_EQ(lane.text, c.text) << c.value;
    EXPECT_EQ(lane.hundredths, c.hundredths) << c.value;
  }
}

// 888888 is a withdrawal, a lane that ended on a lap, or a lane without a
// time: the meet file's record, the lap file and the desk tell them apart.
TEST_F(RaceResultTest, WithdrawnNoFinishAndNoTimeToldApart) {
  CompetitionRecord heat;
  heat.EntryNo = {1001, 1002, 1003, 1004, 1005};
  heat.Record = {0, 888888};
  const Bytes record = EncodeCompetitionRecord(heat, "093000");
  std::string meet((7 + 10 - 1) * kMeetRecordLength, '\0');
  meet.append(record.begin(), record.end());
  dir.Write("taikai.dat", meet);
  WriteGoal(
      " 0 , 888888 , 0 , 888888 , 0 , 888888 , 1 , 5999 , 0 , 888888 , 0 , 888888 ,"
      " 0 , 888888 , 0 , 888888 , 0 , 888888 , 0 , 888888 ,");
  WriteLaps(" 3 ,   34.91,L, 4 ,   30.00,L, 4 ,   59.99,G, 5 ,   31.00,L,");
  RaceResult r = LoadRaceResult(sources);
  EXPECT_EQ(Problems(r), "");
  EXPECT_EQ(r.lanes[0].status, LaneStatus::NoTime);     // entered, never touched
  EXPECT_EQ(r.lanes[1].status, LaneStatus::Withdrawn);  // 888888 in the meet file
  EXPECT_EQ(r.lanes[2].status, LaneStatus::NoFinish);   // its last touch is a lap
  EXPECT_EQ(r.lanes[3].status, LaneStatus::Time);
  EXPECT_EQ(r.lanes[4].status, LaneStatus::NoFinish);
  EXPECT_STREQ(LaneStatusName(r.lanes[2].status), "no_finish");
  EXPECT_NE(RaceJson(r).find("\"lane\":3,\"entry\":1003,\"rank\":0,\"packed\":888888,"
                             "\"hundredths\":null,\"text\":\"棄権\",\"status\":\"no_finish\""),
            std::string::npos)
      << RaceJson(r);

  // What the desk knew wins: lane 1 typed 8, lane 5 typed 9 after its lap.
  DeskLanes desk;
  desk.withdrawn[0] = true;
  desk.noFinish[2] = true;
  ApplyDeskLanes(r, desk);
  EXPECT_EQ(r.lanes[0].status, LaneStatus::Withdrawn);
  EXPECT_EQ(r.lanes[1].status, LaneStatus::Withdrawn);
  EXPECT_EQ(r.lanes[2].status, LaneStatus::NoFinish);
  EXPECT_EQ(r.lanes[3].status, LaneStatus::Time);
  EXPECT_EQ(r.lanes[4].status, LaneStatus::NoTime);
}

TEST(TimeTextHundredthsTest, ConsoleTextsAndGarbage) {
  EXPECT_EQ(TimeTextHundredths(" 1:02.34"), 6234);
  EXPECT_EQ(TimeTextHundredths("   25.06"), 2506);
  EXPECT_EQ(TimeTextHundredths("     .45"), 45);
  EXPECT_EQ(TimeTextHundredths("59:59.99"), 359999);
  for (const char* bad :
       {"", "    0.0", "1:02:34", "1:.34", "12345.67", "1:02.3x", "-1.00", "1.2.34", ":02.34"}) {
    EXPECT_FALSE(TimeTextHundredths(bad)) << bad;
  }
}

TEST(IsoLocalTimeTest, HasTheOffsetWithAColon) {
  const std::string t = IsoLocalTime(std::chrono::system_clock::from_time_t(0));
  ASSERT_EQ(t.size(), 25u) << t;
  EXPECT_EQ(t[10], 'T');
  EXPECT_TRUE(t[19] == '+' || t[19] == '-') << t;
  EXPECT_EQ(t[22], ':');
}

}  // namespace
}  // namespace poolside
