// A recovery applied from the timing window reaches the race feed: the race
// as its files now read, the status changes it made, the race on screen
// again. The export writes what it wrote before the recovery went through
// the feed, and the capture journal keeps no finish of it.
#include "recovery/recovered_race.h"

#include <chrono>
#include <filesystem>
#include <regex>
#include <string>
#include <variant>
#include <vector>

#include <gtest/gtest.h>

#include "capture/capture_journal.h"
#include "capture/capture_reader.h"
#include "export/export_listener.h"
#include "export/race_export.h"
#include "recovery/race_retiming.h"
#include "recovery/recovery_panel.h"
#include "results/race_results.h"
#include "timing/race_rig.h"

namespace poolside::testing {
namespace {

struct Recorder : RaceListener {
  std::vector<RaceEvent> events;
  void OnRaceEvent(const RaceEvent& event) override { events.push_back(event); }
  std::vector<std::string> Kinds() const {
    std::vector<std::string> out;
    for (const RaceEvent& e : events) out.push_back(EventKindName(e));
    return out;
  }
};

// The time of the export (the moment it was made) as one mark.
std::string WithoutTimes(const std::string& text) {
  static const std::regex stamp(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d)");
  return std::regex_replace(text, stamp, "T");
}

class RecoveredRaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    rig.WriteBook("2");  // race 1 combines races 1 and 2
    rig.tmp.MakeDir("work");
    // Race 1 as a capture holds it: a finish in lane 3, lane 4 left on a lap.
    CaptureJournal journal({"v", {}});
    ASSERT_TRUE(journal.Open(rig.tmp.File("capture")));
    journal.OnRaceEvent(ReceptionStarted{1, "", "1234567890"});
    RaceShown shown;
    shown.race = 1;
    journal.OnRaceEvent(shown);
    const auto now = std::chrono::system_clock::now();
    const auto mono = std::chrono::steady_clock::now();
    for (const std::string& block : {ClockLine("   30.00"), ResultLine('4', '2', "   31.00", 'L'),
                                     ResultLine('3', '1', " 1:02.34", 'G')}) {
      journal.OnRaceEvent(BlockRead{block, now, mono, BlockKind::Result});
    }
    // Lane 5 withdrew: 8 typed at the desk before the finish.
    journal.OnRaceEvent(ManualEntryStored{1, 5, 888888, "  棄権"});
    journal.OnRaceEvent(BlockRead{ClockLine("    0.00"), now, mono, BlockKind::Result});
  }

  // Applies captured race 1 as race 1, as the dialog does, with the window
  // on race 1.
  void Apply(RecoveryPanel& panel) {
    rig.Show(1);
    panel.onApplied = [this](const RaceFinished& recovered) {
      rig.w->ShowRecoveredRace(recovered);
    };
    ASSERT_TRUE(panel.Refresh());
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(rig.tmp.File("work"));  // the control file ../ctl/dr_kyo.ctl
    const bool applied = panel.Apply(1, 1, false);
    std::filesystem::current_path(cwd);
    ASSERT_TRUE(applied) << (messages.errors.empty() ? "" : messages.errors[0]);
  }

  RaceRig rig;
  FakeMessages messages;
};

TEST_F(RecoveredRaceTest, AnAppliedRecoveryReachesAFeedListenerAsTheRaceItsFilesHold) {
  RecoveryPanel panel(rig.paths, {rig.tmp.File("capture")}, messages,
                      [this](int race) { return SourcesOf(rig.meet, race); });
  Recorder heard;
  rig.w->Feed().Attach(heard);
  CaptureJournal journal({"v", {}});
  ASSERT_TRUE(journal.Open(rig.tmp.File("journal")));
  rig.w->Feed().Attach(journal);
  Apply(panel);
  rig.w->Feed().Detach(journal);
  rig.w->Feed().Detach(heard);

  EXPECT_EQ(heard.Kinds(), (std::vector<std::string>{"race_shown", "race_finished", "status",
                                                     "status", "race_shown"}));
  const auto& finished = std::get<RaceFinished>(heard.events[1]);
  EXPECT_TRUE(finished.recovered);
  EXPECT_EQ(finished.race, 1);
  EXPECT_EQ(finished.combinedTargets, std::vector<int>{2});
  EXPECT_EQ(finished.goalFile, rig.tmp.File("data/goal/g0001"));
  EXPECT_EQ(finished.lapFile, rig.tmp.File("data/lap/r0001"));
  EXPECT_EQ(finished.rank[2], 1);
  EXPECT_EQ(finished.time[2], 10234);
  EXPECT_EQ(finished.time[3], 888888);
  EXPECT_TRUE(finished.noFinish[3]);  // its last touch is a lap, as the files tell
  EXPECT_FALSE(finished.noFinish[2]);
  EXPECT_FALSE(finished.withdrawn[3]);
  EXPECT_TRUE(finished.withdrawn[4]);  // the journaled 8, replayed
  EXPECT_EQ(std::get<RaceStatusChanged>(heard.events[2]).race, 1);
  EXPECT_EQ(std::get<RaceStatusChanged>(heard.events[3]).race, 2);
  EXPECT_EQ(std::get<RaceStatusChanged>(heard.events[3]).status, "6");
  EXPECT_EQ(rig.Book().substr(0, 2), "66");
  EXPECT_NE(rig.Goal(2).find("10234"), std::string::npos);  // the combined copy

  // The journal keeps the races shown and the status lines, not the finish:
  // its blocks are in the capture it was re-timed from.
  std::vector<std::string> kinds;
  CaptureReader reader;
  reader.Open(journal.Path());
  CaptureRecord r;
  while (reader.Next(r)) kinds.push_back(r.kind);
  EXPECT_EQ(kinds,
            (std::vector<std::string>{"start", "race_shown", "status", "status", "race_shown"}));
}

TEST_F(RecoveredRaceTest, TheExportThroughTheOwnerIsTheFilesWithWhatTheDeskKnew) {
  RecoveryPanel panel(rig.paths, {rig.tmp.File("capture")}, messages,
                      [this](int race) { return SourcesOf(rig.meet, race); });
  {
    RaceResults results;
    results.SetFolder(ResultFolderOf(rig.meet));
    results.AttachTo(rig.w->Feed());
    ExportListener exporter(rig.meet, CsvEncoding::Utf8Bom, {});
    rig.w->Feed().Attach(exporter);
    Apply(panel);
    exporter.Flush();
    rig.w->Feed().Detach(exporter);
  }
  const std::string folder = "data/export/";
  std::vector<std::string> fed;
  for (const char* name : {"r0001.json", "r0001.csv", "r0002.json", "r0002.csv"}) {
    ASSERT_TRUE(rig.tmp.Exists(folder + name)) << name;
    fed.push_back(WithoutTimes(rig.tmp.Read(folder + name)));
  }
  std::filesystem::remove_all(rig.tmp.File("data/export"));
  // The files as they read, with lane 5's 888888 the withdrawal typed and
  // lane 4's the last touch a lap.
  for (int race : {1, 2}) {
    RaceResult r = LoadRaceResult(SourcesOf(rig.meet, race));
    DeskLanes desk;
    desk.withdrawn[4] = true;
    desk.noFinish[3] = true;
    ApplyDeskLanes(r, desk);
    EXPECT_TRUE(WriteRaceExport(r, ExportFolderOf(rig.meet), CsvEncoding::Utf8Bom).failure.empty());
  }
  std::vector<std::string> direct;
  for (const char* name : {"r0001.json", "r0001.csv", "r0002.json", "r0002.csv"}) {
    direct.push_back(WithoutTimes(rig.tmp.Read(folder + name)));
  }
  EXPECT_EQ(fed, direct);
  EXPECT_NE(fed[0].find("\"status\":\"no_finish\""), std::string::npos) << fed[0];
  EXPECT_NE(fed[2].find("\"status\":\"withdrawn\""), std::string::npos) << fed[2];
}

TEST(RecoveredRace, WithoutTheRacesFilesItNamesTheRaceAndItsTargetsOnly) {
  Retiming retiming;
  retiming.race = 5;
  retiming.statuses = {{5, '0', '6'}, {6, '0', '6'}, {7, '0', '2'}};
  const RaceFinished f = RecoveredRace(retiming, RaceSources{});
  EXPECT_TRUE(f.recovered);
  EXPECT_EQ(f.race, 5);
  EXPECT_EQ(f.combinedTargets, std::vector<int>{6});
  EXPECT_EQ(f.rank, LaneArray<int>{});
  EXPECT_EQ(f.goalFile, "");
}

}  // namespace
}  // namespace poolside::testing

namespace poolside::testing {
namespace {

// A restarted console's run given to the next race: re-timing that race from
// the capture takes the run's blocks that were held in the stretch before
// it, and gives the files the desk wrote live.
TEST(RecoveredRace, ARunGivenToTheNextRaceIsReTimedWithTheBlocksHeldBeforeTheChoice) {
  RaceRig rig;
  rig.WriteBook("1111");
  rig.tmp.MakeDir("work");
  CaptureJournal journal({"v", {}});
  ASSERT_TRUE(journal.Open(rig.tmp.File("capture")));
  rig.w->Feed().Attach(journal);
  rig.Show(1);
  rig.Start();
  rig.Deliver(ClockLine("   20.00"));
  rig.Deliver(ResultLine('3', '1', "   30.00", 'L'));
  rig.Deliver(ClockLine("   45.00"));
  rig.Deliver(ClockLine("    0.00"));
  rig.Deliver(ClockLine("    0.50"));  // the console restarted: held from here
  rig.Deliver(ResultLine('4', '1', "   29.00", 'L'));
  ASSERT_TRUE(rig.w->HoldingConsoleRestart());
  rig.messages.choices = {2};  // 次のレースに回す
  rig.host.RunPosted();
  ASSERT_EQ(rig.w->Book().RaceNo, 2);
  rig.Deliver(ClockLine("   59.50"));
  rig.Deliver(ResultLine('4', '1', " 1:00.00", 'G'));
  rig.Deliver(ClockLine(" 1:00.50"));
  rig.Deliver(ClockLine("    0.00"));
  ASSERT_TRUE(rig.HasGoal(2));
  rig.w->Feed().Detach(journal);
  const std::string lap = rig.Lap(2), goal = rig.Goal(2);
  EXPECT_EQ(lap, " 4 ,   29.00,L, 4 , 1:00.00,G,");

  const std::vector<std::string> files{journal.Path()};
  const std::vector<CapturedRace> races = FindCapturedRaces(files);
  ASSERT_GE(races.size(), 2u);
  ASSERT_EQ(races[1].race, 2);
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(rig.tmp.File("work"));  // the control file ../ctl/dr_kyo.ctl
  const Retiming retimed = RetimeRace(rig.paths, files, races[1], 2);
  const Retiming first = RetimeRace(rig.paths, files, races[0], 1);
  std::filesystem::current_path(cwd);
  std::string retimedLap, retimedGoal;
  for (const RetimedFile& f : retimed.files) {
    if (f.path == rig.tmp.File("data/lap/r0002")) retimedLap = f.bytes;
    if (f.path == rig.tmp.File("data/goal/g0002")) retimedGoal = f.bytes;
  }
  EXPECT_EQ(retimedLap, lap);
  EXPECT_EQ(retimedGoal, goal);
  // Race 1 keeps only its own touch: the held run is not in it, and its
  // first touch, the last of the race the load found on screen (race 1,
  // interrupted), is not dropped as a repeat of it.
  for (const RetimedFile& f : first.files) {
    if (f.path == rig.tmp.File("data/lap/r0001")) {
      EXPECT_EQ(f.bytes, " 3 ,   30.00,L,");
    }
  }
}

}  // namespace
}  // namespace poolside::testing
