#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <mutex>
#include <set>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "export/command_feed.h"
#include "export/export_listener.h"
#include "export/race_export.h"
#include "meetdata/competition_record.h"
#include "meetdata/meet_data.h"
#include "platform/cp932.h"
#include "platform/fs_path.h"
#include "platform/os_calls.h"
#include "platform/paths.h"
#include "results/race_csv.h"
#include "results/race_json.h"
#include "results/race_results.h"
#include "support/small_meet.h"

namespace poolside {
namespace {

using testing::TempDir;

// Every file under `root` with its size ("/export/r0002.json 1960"), to see
// that nothing else changed.
std::set<std::string> Listing(const std::string& root) {
  std::set<std::string> out;
  for (const auto& e : std::filesystem::recursive_directory_iterator(FsPath(root))) {
    std::string rel = "/" + FsText(e.path().lexically_relative(FsPath(root)));
    std::replace(rel.begin(), rel.end(), '\\', '/');
    if (e.is_regular_file()) rel += " " + std::to_string(e.file_size());
    out.insert(rel);
  }
  return out;
}

class ExportTest : public ::testing::Test, protected testing::SmallMeet {};

TEST_F(ExportTest, CsvHasOneRowPerLaneWithTheSplitsLast) {
  RaceResult r = LoadRaceResult(SourcesOf(meetData, 1));
  r.finishedAt = "2026-12-09T10:00:00+09:00";
  r.lanes[0].text = "=cmd|' /C calc'!A0";  // as if a file held it
  r.lanes[1].text = "say \"a,b\"";
  const std::string csv = RaceCsv(r);
  std::istringstream lines(csv);
  std::string header, row1, row2, row5;
  std::getline(lines, header);
  std::getline(lines, row1);
  std::getline(lines, row2);
  std::getline(lines, row5);
  std::getline(lines, row5);
  std::getline(lines, row5);
  EXPECT_EQ(
      header,
      "race,race_text,program,heat,heats,sex_code,sex,class_code,class,event_code,event,"
      "round_code,round,finished_at,lane,entry,rank,packed,hundredths,text,status,dq_code,"
      "goal_read,laps_read,split1_distance,split1_text,split1_hundredths,split1_kind,"
      "split2_distance,split2_text,split2_hundredths,split2_kind,name,kana,club,pref,grade\r");
  EXPECT_EQ(row1,
            "1,0001,1,1,1,2,女子,0-0,,14,100m平泳ぎ,2,決勝,2026-12-09T10:00:00+09:00,1,0,0,"
            "888888,,'=cmd|' /C calc'!A0,no_time,,1,1,,,,,,,,,,,,,\r");
  EXPECT_EQ(row2.substr(row2.find(",2,0,0,")),
            ",2,0,0,888888,,\"say \"\"a,b\"\"\",no_time,,1,1,,,,,,,,,,,,,\r");
  EXPECT_EQ(row5.substr(row5.find(",5,4002,")),
            ",5,4002,1,12999,8999,1:29.99,time,,1,1,0,1:02.90,6290,L,0,2:09.99,12999,G,,,,,\r");
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 11);

  EXPECT_EQ(EncodeCsv("a,女子\r\n", CsvEncoding::Utf8Bom),
            "\xEF\xBB\xBF"
            "a,女子\r\n");
  EXPECT_EQ(EncodeCsv("a,女子\r\n", CsvEncoding::Cp932), Utf8ToCp932("a,女子\r\n"));
}

TEST_F(ExportTest, WritesBothFilesAndCreatesTheFolderAndNothingElse) {
  const auto before = Listing(dir.File("meet"));
  const RaceResult r = LoadRaceResult(SourcesOf(meetData, 2));
  const ExportReport report = WriteRaceExport(r, ExportFolderOf(meetData), CsvEncoding::Utf8Bom);
  EXPECT_EQ(report.failure, "");
  ASSERT_EQ(report.written.size(), 2u);
  EXPECT_EQ(report.written[0], dir.File("meet/export/r0002.json"));
  EXPECT_EQ(Export("r0002.json").substr(0, 27), "{\"race\":2,\"race_text\":\"0002");
  EXPECT_EQ(Export("r0002.json").back(), '\n');
  EXPECT_EQ(Export("r0002.csv").substr(0, 8), "\xEF\xBB\xBFrace,");
  auto after = Listing(dir.File("meet"));
  after.erase("/export");
  after.erase("/export/r0002.json " + std::to_string(Export("r0002.json").size()));
  after.erase("/export/r0002.csv " + std::to_string(Export("r0002.csv").size()));
  EXPECT_EQ(after, before);

  // A second export replaces the files; an "Export" folder written by hand
  // is the same folder.
  std::filesystem::rename(dir.File("meet/export"), dir.File("meet/Export"));
  const ExportReport again = WriteRaceExport(r, ExportFolderOf(meetData), CsvEncoding::Cp932);
  EXPECT_EQ(again.failure, "");
  EXPECT_EQ(dir.Read("meet/Export/r0002.csv").substr(0, 5), "race,");
#ifndef _WIN32  // one folder whatever the case; Wine does not even rename it
  EXPECT_FALSE(dir.HasEntry("meet/export"));
#endif
}

TEST_F(ExportTest, AFailedWriteNamesTheFileAndLeavesNoHalfFile) {
  const RaceResult r = LoadRaceResult(SourcesOf(meetData, 1));
  const std::string folder = ExportFolderOf(meetData);
  ASSERT_EQ(WriteRaceExport(r, folder, CsvEncoding::Utf8Bom).failure, "");
  const std::string oldJson = Export("r0001.json");

  // The disk fills up while the CSV is written.
  OsCalls& os = Os();
  static int calls;
  calls = 0;
  os.pwrite = [](int fd, const void* b, size_t n, off_t off) -> ssize_t {
    if (++calls > 1) {
      errno = ENOSPC;
      return -1;
    }
    return RealOs().pwrite(fd, b, n, off);
  };
  os.write = [](int, const void*, size_t) -> ssize_t {
    errno = ENOSPC;
    return -1;
  };
  RaceResult changed = r;
  changed.program = 99;
  const ExportReport report = WriteRaceExport(changed, folder, CsvEncoding::Utf8Bom);
  os = RealOs();
  EXPECT_NE(report.failure.find("結果を書き出せません: "), std::string::npos);
  EXPECT_NE(report.failure.find(dir.File("meet/export/r0001.")), std::string::npos)
      << report.failure;
  EXPECT_NE(report.failure.find("No space left on device"), std::string::npos) << report.failure;
  // Each file is whole: the old one or the new one.
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    EXPECT_EQ(e.path().filename().string().front(), 'r') << "left behind: " << e.path();
  }
  const std::string json = Export("r0001.json");
  EXPECT_TRUE(json == oldJson || json.find("\"program\":99") != std::string::npos);

  // A file where the folder should be.
  std::filesystem::remove_all(folder);
  dir.Write("meet/export", "x");
  const ExportReport blocked = WriteRaceExport(r, folder, CsvEncoding::Utf8Bom);
  EXPECT_EQ(blocked.failure,
            "書き出しフォルダを作れません: " + folder + " (フォルダではないものがあります)");
  EXPECT_TRUE(blocked.written.empty());
}

// The desk's feed: the result's owner, then the export, as main attaches them.
class DeskFeedTest : public ExportTest {
 protected:
  void SetUp() override {
    results.SetFolder(ResultFolderOf(meetData));
    results.AttachTo(feed);
    feed.Attach(listener);
  }
  void TearDown() override { feed.Detach(listener); }
  std::vector<std::string> Written() {
    listener.Flush();
    std::lock_guard lock(m);
    return written;
  }
  // How many lanes of `name`'s JSON say withdrawn.
  std::size_t Withdrawn(const char* name) {
    listener.Flush();
    const std::string json = Export(name);
    std::size_t n = 0;
    for (std::size_t at = json.find("\"withdrawn\""); at != std::string::npos;
         at = json.find("\"withdrawn\"", at + 1)) {
      ++n;
    }
    return n;
  }

  RaceFeed feed;
  RaceResults results;
  std::mutex m;
  std::vector<std::string> failures, written;
  ExportListener listener{meetData, CsvEncoding::Utf8Bom,
                          ExportListener::Sinks{[this](const std::string& s) {
                                                  std::lock_guard lock(m);
                                                  failures.push_back(s);
                                                },
                                                nullptr,
                                                [this](const std::string& s) {
                                                  std::lock_guard lock(m);
                                                  written.push_back(s);
                                                }}};
};

TEST_F(DeskFeedTest, TheRaceAndItsCombinedTargetsExportWhenTheirFilesAreWritten) {
  feed.Publish(RaceShown{});
  RaceFinished finished;
  finished.race = 3;
  finished.combinedTargets = {4};
  feed.Publish(finished);
  EXPECT_EQ(Written().size(), 2u);  // the target waits for its copy
  // The copy is made, then its status change published; race 3's own
  // status change changes nothing its export shows: not written again.
  dir.Write("meet/goal/g0004", dir.Read("meet/goal/g0001"));
  feed.Publish(RaceStatusChanged{3, "2"});
  feed.Publish(RaceStatusChanged{4, "6"});
  EXPECT_EQ(Written().size(), 4u);
  EXPECT_TRUE(failures.empty());
  // Race 4 has its copied goal file; race 3 none: the export says so and
  // marks every lane.
  EXPECT_NE(Export("r0004.json").find("\"race\":4,"), std::string::npos);
  EXPECT_NE(Export("r0004.json").find("\"packed\":12999,"), std::string::npos);
  const std::string json = Export("r0003.json");
  EXPECT_NE(json.find("{\"file\":\"goal\\\\g0003\",\"what\":\"ありません\"}"), std::string::npos);
  EXPECT_NE(json.find("\"status\":\"unreadable\""), std::string::npos);
  EXPECT_EQ(json.find("\"finished_at\":null"), std::string::npos);
  EXPECT_FALSE(Export("r0003.csv").empty());
}

TEST_F(DeskFeedTest, ATargetWhoseCopyNeverCameExportsAtTheNextRaceShown) {
  RaceFinished finished;
  finished.race = 1;
  finished.combinedTargets = {2};
  feed.Publish(finished);
  std::filesystem::remove(dir.File("meet/export/r0002.json"));
  feed.Publish(RaceStatusChanged{1, "6"});
  EXPECT_FALSE(dir.Exists("meet/export/r0002.json"));
  feed.Publish(RaceShown{});
  Written();
  EXPECT_TRUE(dir.Exists("meet/export/r0002.json"));
}

TEST_F(DeskFeedTest, ATypedWithdrawalOutlivesTheProgramARecoveryAndEndsWithARepair) {
  RaceFinished finished;
  finished.race = 1;
  finished.withdrawn[0] = true;  // lane 1's 888888 typed as 8 at the desk
  finished.noFinish[5] = true;   // lane 6 ended on a lap
  feed.Publish(finished);
  EXPECT_EQ(Withdrawn("r0001.json"), 1u);
  EXPECT_NE(Export("r0001.json").find("\"status\":\"no_finish\""), std::string::npos);
  const std::string exported = Export("r0001.json");

  // The program started again on the folder: the same result, the moment
  // of the finish included; --export-all writes the same bytes.
  RaceResults again;
  again.SetFolder(ResultFolderOf(meetData));
  EXPECT_EQ(RaceJson(*again.ResultOf(1)) + "\n", exported);
  std::filesystem::remove_all(dir.File("meet/export/r0001.json"));
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir.File("prog"));
  std::ostringstream out;
  ExportAllFinished(meetData, CsvEncoding::Utf8Bom, out, {});
  std::filesystem::current_path(cwd);
  EXPECT_EQ(Export("r0001.json"), exported);

  // A recovery replays the journaled 8: still withdrawn, and so are the
  // targets it copied to.
  finished.recovered = true;
  finished.combinedTargets = {2};
  feed.Publish(finished);
  EXPECT_EQ(Withdrawn("r0001.json"), 1u);
  feed.Publish(RaceStatusChanged{2, "6"});
  EXPECT_EQ(Withdrawn("r0002.json"), 1u);
  // A repair of the lane: its end follows from its touches from now on.
  TouchesRepaired repaired;
  repaired.race = 1;
  repaired.lane = 1;
  repaired.finished = true;
  repaired.combinedTargets = {2};
  feed.Publish(repaired);
  EXPECT_EQ(Withdrawn("r0001.json"), 0u);
  EXPECT_EQ(Withdrawn("r0002.json"), 0u);
  RaceResults third;
  third.SetFolder(ResultFolderOf(meetData));
  EXPECT_EQ(third.ResultOf(1)->lanes[0].status, LaneStatus::NoTime);
}

TEST_F(DeskFeedTest, AStatusChangeRewritesTheExportAndEveryChangeIsToldOnce) {
  struct Told : RaceListener {
    std::vector<RaceResultChanged> changes;
    void OnRaceEvent(const RaceEvent& e) override {
      if (const auto* c = std::get_if<RaceResultChanged>(&e)) changes.push_back(*c);
    }
  } told;
  feed.Attach(told);
  SetStatus(2, '7');
  feed.Publish(RaceStatusChanged{2, "7"});
  ASSERT_EQ(told.changes.size(), 1u);
  EXPECT_EQ(told.changes[0].cause, RaceResultChanged::Cause::Status);
  EXPECT_TRUE(told.changes[0].done);
  Written();
  EXPECT_NE(Export("r0002.json").find("\"book_status\":\"7\""), std::string::npos);
  // Reopened: told as not done, the export says so.
  SetStatus(2, '0');
  feed.Publish(RaceStatusChanged{2, "0"});
  ASSERT_EQ(told.changes.size(), 2u);
  EXPECT_FALSE(told.changes[1].done);
  EXPECT_GT(told.changes[1].revision, told.changes[0].revision);
  Written();
  EXPECT_NE(Export("r0002.json").find("\"book_status\":\"0\""), std::string::npos);
  // A status change of a race never done, or one that changes nothing, is
  // no result's change.
  feed.Publish(RaceStatusChanged{3, "1"});
  feed.Publish(RaceStatusChanged{2, "0"});
  EXPECT_EQ(told.changes.size(), 2u);
  // An edit of a done race's heat is told through Changed.
  dir.Write("meet/goal/g0001",
            " 0 , 888888 , 0 , 888888 , 0 , 888888 , 1 , 13050 , 0 , 999999 ,"
            " 0 , 888888 , 0 , 888888 , 0 , 888888 , 0 , 888888 , 0 , 888888 ,");
  results.Changed(1, RaceResultChanged::Cause::Entries);
  results.Changed(3, RaceResultChanged::Cause::Entries);  // not done: nothing
  ASSERT_EQ(told.changes.size(), 3u);
  EXPECT_EQ(told.changes[2].race, 1);
  EXPECT_EQ(told.changes[2].result->lanes[3].rank, 1);
  feed.Detach(told);
}

TEST_F(ExportTest, ListenerReportsAFailureAndTheNextRaceStillExports) {
  dir.Write("meet/export", "not a folder");
  std::vector<std::string> failures;
  std::mutex m;
  ExportListener listener(meetData, CsvEncoding::Utf8Bom,
                          {[&](const std::string& s) {
                             std::lock_guard lock(m);
                             failures.push_back(s);
                           },
                           nullptr, nullptr});
  const RaceResult race1 = LoadRaceResult(SourcesOf(meetData, 1));
  listener.Export(race1);
  listener.Flush();
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_NE(failures[0].find(dir.File("meet/export")), std::string::npos);
  std::filesystem::remove(dir.File("meet/export"));
  listener.Export(race1);
  listener.Flush();
  EXPECT_EQ(failures.size(), 1u);
  EXPECT_TRUE(dir.Exists("meet/export/r0001.csv"));
}

// A data folder named beyond ASCII (as a meet office names its meets): the
// meet file, the goal and lap files are read and the export written there
// (on Windows the names reach the system as UTF-16, never through the ANSI
// code page).
TEST_F(ExportTest, AJapaneseDataFolderIsReadAndWritten) {
  std::filesystem::rename(FsPath(dir.File("meet")), FsPath(dir.File("大会 2026")));
  meetData.DataFolder = "c:\\大会 2026\\";
  {
    CommandFeed command(meetData, CsvEncoding::Cp932, {});
    TouchesRepaired repaired;
    repaired.race = 2;
    repaired.lane = 5;
    repaired.finished = true;
    repaired.combinedTargets = {1};
    command.Publish(repaired);
    const auto failures = command.Finish();
    EXPECT_TRUE(failures.empty()) << failures.front();
  }
  const std::string json = dir.Read("大会 2026/export/r0002.json");
  EXPECT_NE(json.find("\"program\":2"), std::string::npos) << json;
  EXPECT_NE(json.find("\"rank\":1"), std::string::npos) << json;
  EXPECT_TRUE(dir.HasEntry("大会 2026/export/r0001.csv"));
}

TEST_F(ExportTest, ACommandLinesFeedExportsThroughTheOwnerAndSaysWhatFailed) {
  {
    CommandFeed command(meetData, CsvEncoding::Utf8Bom, {});
    TouchesRepaired repaired;
    repaired.race = 2;
    repaired.lane = 5;
    repaired.finished = true;
    repaired.combinedTargets = {1};
    command.Publish(repaired);
    EXPECT_TRUE(command.Finish().empty());
  }
  EXPECT_TRUE(dir.Exists("meet/export/r0002.json"));
  EXPECT_TRUE(dir.Exists("meet/export/r0001.csv"));
  std::filesystem::remove_all(dir.File("meet/export"));
  dir.Write("meet/export", "x");
  CommandFeed command(meetData, CsvEncoding::Utf8Bom, {});
  TouchesRepaired repaired;
  repaired.race = 1;
  repaired.finished = true;
  command.Publish(repaired);
  // The export and what the desk knows, each said with the file.
  const auto failures = command.Finish();
  ASSERT_EQ(failures.size(), 2u) << ::testing::PrintToString(failures);
  for (const std::string& f : failures)
    EXPECT_NE(f.find(dir.File("meet/export")), std::string::npos) << f;
}

TEST_F(ExportTest, ExportAllWritesEveryFinishedRaceAndNamesEachFile) {
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir.File("prog"));
  std::ostringstream out;
  const int status = ExportAllFinished(meetData, CsvEncoding::Cp932, out, {});
  std::filesystem::current_path(cwd);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(out.str(), "書き出しました: " + dir.File("meet/export/r0001.json") +
                           "\n書き出しました: " + dir.File("meet/export/r0001.csv") +
                           "\n書き出しました: " + dir.File("meet/export/r0002.json") +
                           "\n書き出しました: " + dir.File("meet/export/r0002.csv") + "\n");
  EXPECT_FALSE(dir.Exists("meet/export/r0003.json"));

  // A missing goal file: named, and the rest written.
  std::filesystem::remove(dir.File("meet/goal/g0002"));
  std::ostringstream out2;
  std::filesystem::current_path(dir.File("prog"));
  ExportAllFinished(meetData, CsvEncoding::Cp932, out2, {});
  std::filesystem::current_path(cwd);
  EXPECT_NE(out2.str().find("レース 2: goal\\g0002: ありません\n"), std::string::npos)
      << out2.str();
  EXPECT_NE(Export("r0002.json").find("\"status\":\"unreadable\""), std::string::npos);

  // No control file: one message, status 1.
  std::filesystem::remove(dir.File("ctl/dr_kyo.ctl"));
  std::ostringstream out3;
  std::filesystem::current_path(dir.File("prog"));
  EXPECT_EQ(ExportAllFinished(meetData, CsvEncoding::Cp932, out3, {}), 1);
  std::filesystem::current_path(cwd);
  EXPECT_NE(out3.str().find("dr_kyo.ctl"), std::string::npos) << out3.str();
}

TEST_F(ExportTest, ExportAllTakesEveryDoneStatusAndNothingElse) {
  // 7, 8 and a byte above 0x7F are done; 5 is a combined count.
  dir.Write("meet/Race.dat", std::string("78\x81"
                                         "5") +
                                 std::string(1020, '\0'));
  for (const char* n : {"0003", "0004"}) {
    dir.Write(std::string("meet/goal/g") + n, kFinishedGoal);
    dir.Write(std::string("meet/lap/r") + n, kFinishedLaps);
  }
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir.File("prog"));
  std::ostringstream out;
  EXPECT_EQ(ExportAllFinished(meetData, CsvEncoding::Utf8Bom, out, {}), 0) << out.str();
  std::filesystem::current_path(cwd);
  for (const char* n : {"r0001.json", "r0002.json", "r0003.json"}) {
    EXPECT_TRUE(dir.Exists(std::string("meet/export/") + n)) << n;
  }
  EXPECT_FALSE(dir.Exists("meet/export/r0004.json"));
  EXPECT_NE(Export("r0002.json").find("\"book_status\":\"8\""), std::string::npos);
}

TEST_F(ExportTest, NamesAndEachProgramsStandingsAreWrittenBesideTheRaces) {
  std::string meet = dir.Read("meet/taikai.dat");
  meet[0] = 4;  // the meet file counts its four races
  dir.Write("meet/taikai.dat", meet);
  dir.Write("meet/entries.csv", "番号,氏名,所属\n4002,山田 太郎,第一中\n");
  {
    CommandFeed command(meetData, CsvEncoding::Utf8Bom, {});
    TouchesRepaired repaired;
    repaired.race = 2;
    repaired.lane = 5;
    repaired.finished = true;
    command.Publish(repaired);
    EXPECT_TRUE(command.Finish().empty());
  }
  EXPECT_NE(Export("r0002.json").find("\"name\":\"山田 太郎\",\"kana\":\"\",\"club\":\"第一中\""),
            std::string::npos);
  EXPECT_NE(Export("r0002.csv").find(",山田 太郎,,第一中,,\r\n"), std::string::npos);
  const std::string event = Export("event2.json");
  EXPECT_EQ(event.rfind("{\"program\":2,\"state\":\"final\",", 0), 0u) << event;
  EXPECT_NE(event.find("\"place\":1,\"race\":2,\"heat\":1,\"lane\":5,\"entry\":4002,"
                       "\"name\":\"山田 太郎\""),
            std::string::npos)
      << event;
  EXPECT_FALSE(dir.Exists("meet/export/event1.json"));

  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir.File("prog"));
  std::ostringstream out;
  EXPECT_EQ(ExportAllFinished(meetData, CsvEncoding::Utf8Bom, out, {}), 0) << out.str();
  std::filesystem::current_path(cwd);
  EXPECT_NE(out.str().find(dir.File("meet/export/event1.json")), std::string::npos) << out.str();
  EXPECT_TRUE(dir.Exists("meet/export/event2.json"));
  EXPECT_FALSE(dir.Exists("meet/export/event3.json"));  // race 3 is not done
}

}  // namespace
}  // namespace poolside
