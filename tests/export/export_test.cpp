#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "export/export_listener.h"
#include "export/race_export.h"
#include "meetdata/competition_record.h"
#include "meetdata/meet_data.h"
#include "platform/cp932.h"
#include "platform/fs_path.h"
#include "platform/os_calls.h"
#include "platform/paths.h"
#include "results/race_csv.h"
#include "support/temp_dir.h"

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

// A meet as drive c: (ctl/dr_kyo.ctl -> c:\meet\) with races 1..4; races 1
// and 2 are finished (goal and lap files), race 3 is the first of a
// combined race of two, race 4 its target.
class ExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir.MakeDir("ctl");
    dir.MakeDir("prog");
    dir.MakeDir("meet");
    dir.MakeDir("meet/lap");
    dir.MakeDir("meet/goal");
    dir.Write("ctl/dr_kyo.ctl", "1,\"c:\\meet\\\",0\r\n");
    std::string meet(10 * kMeetRecordLength, '\0');
    for (int race = 1; race <= 4; ++race) {
      CompetitionRecord heat;
      heat.ProgramNo = static_cast<std::int16_t>(race);
      heat.HeatNo = 1;
      heat.HeatCount = 1;
      heat.SexCode = "2";
      heat.EventCode = 14;
      heat.RoundCode = "2";
      heat.EntryNo = {0, 0, 0, 4001, 4002};
      const Bytes record = EncodeCompetitionRecord(heat, "100000");
      meet.append(record.begin(), record.end());
    }
    dir.Write("meet/taikai.dat", meet);
    dir.Write("meet/Race.dat", "6621" + std::string(1020, '\0'));
    for (const char* n : {"0001", "0002"}) {
      dir.Write(std::string("meet/goal/g") + n,
                " 0 , 888888 , 0 , 888888 , 0 , 888888 , 2 , 13050 , 1 , 12999 , 0 , 888888 ,"
                " 0 , 888888 , 0 , 888888 , 0 , 888888 , 0 , 888888 ,");
      dir.Write(std::string("meet/lap/r") + n, " 4 , 1:03.00,L, 5 , 1:02.90,L, 5 , 2:09.99,G,");
    }
    paths.MapDrive('c', dir.Path());
    meetData.DataFolder = "c:\\meet\\";
  }
  std::string Export(const std::string& name) { return dir.Read("meet/export/" + name); }

  TempDir dir;
  PathMapper paths;
  MeetData meetData{paths};
};

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
  EXPECT_EQ(header,
            "race,race_text,program,heat,heats,sex_code,sex,class_code,class,event_code,event,"
            "round_code,round,finished_at,lane,entry,rank,packed,hundredths,text,status,dq_code,"
            "goal_read,laps_read,split1_distance,split1_text,split1_hundredths,split1_kind,"
            "split2_distance,split2_text,split2_hundredths,split2_kind\r");
  EXPECT_EQ(row1,
            "1,0001,1,1,1,2,女子,0-0,,14,100m平泳ぎ,2,決勝,2026-12-09T10:00:00+09:00,1,0,0,"
            "888888,,'=cmd|' /C calc'!A0,no_time,,1,1,,,,,,,,\r");
  EXPECT_EQ(row2.substr(row2.find(",2,0,0,")),
            ",2,0,0,888888,,\"say \"\"a,b\"\"\",no_time,,1,1,,,,,,,,\r");
  EXPECT_EQ(row5.substr(row5.find(",5,4002,")),
            ",5,4002,1,12999,8999,1:29.99,time,,1,1,0,1:02.90,6290,L,0,2:09.99,12999,G\r");
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

TEST_F(ExportTest, ListenerExportsTheRaceAndItsCombinedTargetsOffTheFeed) {
  RaceFeed feed;
  std::vector<std::string> failures, written;
  std::mutex m;
  {
    ExportListener listener(meetData, CsvEncoding::Utf8Bom,
                            {[&](const std::string& s) {
                               std::lock_guard lock(m);
                               failures.push_back(s);
                             },
                             nullptr,
                             [&](const std::string& s) {
                               std::lock_guard lock(m);
                               written.push_back(s);
                             }});
    feed.Attach(listener);
    feed.Publish(RaceShown{});
    RaceFinished finished;
    finished.race = 3;
    finished.combinedTargets = {4};
    feed.Publish(finished);
    listener.Flush();
    {
      std::lock_guard lock(m);
      EXPECT_EQ(written.size(), 2u);  // the target waits for its copy
    }
    // The copy is made, then its status change published.
    dir.Write("meet/goal/g0004", dir.Read("meet/goal/g0001"));
    feed.Publish(RaceStatusChanged{3, "6"});
    feed.Publish(RaceStatusChanged{4, "6"});
    listener.Flush();
    std::lock_guard lock(m);
    EXPECT_EQ(written.size(), 4u);
    EXPECT_TRUE(failures.empty());
  }
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

TEST_F(ExportTest, ATargetWhoseCopyNeverCameExportsAtTheNextRaceShown) {
  ExportListener listener(meetData, CsvEncoding::Utf8Bom, {});
  RaceFinished finished;
  finished.race = 1;
  finished.combinedTargets = {2};
  listener.OnRaceEvent(finished);
  listener.OnRaceEvent(RaceStatusChanged{1, "6"});
  listener.Flush();
  EXPECT_FALSE(dir.Exists("meet/export/r0002.json"));
  listener.OnRaceEvent(RaceShown{});
  listener.Flush();
  EXPECT_TRUE(dir.Exists("meet/export/r0002.json"));
}

TEST_F(ExportTest, ARecoveredRaceAndItsTargetsExportAsTheirFilesRead) {
  ExportListener listener(meetData, CsvEncoding::Utf8Bom, {});
  auto withdrawn = [&](const char* name) {
    listener.Flush();
    const std::string json = Export(name);
    std::size_t n = 0;
    for (std::size_t at = json.find("\"withdrawn\""); at != std::string::npos;
         at = json.find("\"withdrawn\"", at + 1)) {
      ++n;
    }
    return n;
  };
  RaceFinished finished;
  finished.race = 1;
  finished.withdrawn[0] = true;  // lane 1's 888888 typed as 8 at the desk
  listener.OnRaceEvent(finished);
  EXPECT_EQ(withdrawn("r0001.json"), 1u);
  // Re-timed by a recovery: its lanes are what its files say, and what the
  // desk knew of the finish before no longer holds, after a repair either.
  finished.recovered = true;
  finished.combinedTargets = {2};
  listener.OnRaceEvent(finished);
  EXPECT_EQ(withdrawn("r0001.json"), 0u);
  listener.OnRaceEvent(RaceStatusChanged{2, "6"});
  EXPECT_EQ(withdrawn("r0002.json"), 0u);
  TouchesRepaired repaired;
  repaired.race = 1;
  repaired.lane = 4;
  repaired.finished = true;
  listener.OnRaceEvent(repaired);
  EXPECT_EQ(withdrawn("r0001.json"), 0u);
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
  listener.ExportRace(1, std::chrono::system_clock::now());
  listener.Flush();
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_NE(failures[0].find(dir.File("meet/export")), std::string::npos);
  std::filesystem::remove(dir.File("meet/export"));
  listener.ExportRace(1, std::chrono::system_clock::now());
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
  const auto failures = ExportRacesNow(meetData, {1, 2}, CsvEncoding::Cp932,
                                       std::chrono::system_clock::from_time_t(86400));
  EXPECT_TRUE(failures.empty()) << failures.front();
  const std::string json = dir.Read("大会 2026/export/r0002.json");
  EXPECT_NE(json.find("\"program\":2"), std::string::npos) << json;
  EXPECT_NE(json.find("\"rank\":1"), std::string::npos) << json;
  EXPECT_TRUE(dir.HasEntry("大会 2026/export/r0001.csv"));
}

TEST_F(ExportTest, ExportRacesNowWritesEachRaceWithTheTimeGiven) {
  const auto failures = ExportRacesNow(meetData, {2, 1}, CsvEncoding::Utf8Bom,
                                       std::chrono::system_clock::from_time_t(86400));
  EXPECT_TRUE(failures.empty());
  EXPECT_NE(Export("r0001.json").find("\"finished_at\":\"1970-01-0"), std::string::npos);
  EXPECT_TRUE(dir.Exists("meet/export/r0002.csv"));
  std::filesystem::remove_all(dir.File("meet/export"));
  dir.Write("meet/export", "x");
  EXPECT_EQ(ExportRacesNow(meetData, {1}, CsvEncoding::Utf8Bom, {}).size(), 1u);
}

TEST_F(ExportTest, ExportAllWritesEveryFinishedRaceAndNamesEachFile) {
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir.File("prog"));
  std::ostringstream out;
  const int status = ExportAllFinished(meetData, CsvEncoding::Cp932, out);
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
  ExportAllFinished(meetData, CsvEncoding::Cp932, out2);
  std::filesystem::current_path(cwd);
  EXPECT_NE(out2.str().find("レース 2: goal\\g0002: ありません\n"), std::string::npos)
      << out2.str();
  EXPECT_NE(Export("r0002.json").find("\"status\":\"unreadable\""), std::string::npos);

  // No control file: one message, status 1.
  std::filesystem::remove(dir.File("ctl/dr_kyo.ctl"));
  std::ostringstream out3;
  std::filesystem::current_path(dir.File("prog"));
  EXPECT_EQ(ExportAllFinished(meetData, CsvEncoding::Cp932, out3), 1);
  std::filesystem::current_path(cwd);
  EXPECT_NE(out3.str().find("dr_kyo.ctl"), std::string::npos) << out3.str();
}

}  // namespace
}  // namespace poolside
