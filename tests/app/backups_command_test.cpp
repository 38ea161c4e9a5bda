// poolside --backups and --official on a meet of three races: race 1 timed
// and combined into race 2 (its copies), race 3 not yet swum.
#include "app/backups_command.h"

#include "app/backup_panel.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/early_commands.h"
#include "meetdata/competition_record.h"
#include "platform/cp932.h"
#include "platform/fs_path.h"
#include "results/json_reader.h"
#include "support/small_meet.h"
#include "support/temp_dir.h"
#include "vocabulary/lap_goal_files.h"

namespace poolside {
namespace {

using testing::HeatsMeetFile;
using testing::TempDir;

constexpr const char* kGoal =
    " 0 , 888888 , 0 , 888888 , 3 , 13100 , 2 , 13050 , 1 , 12999 , 0 , 888888 ,"
    " 0 , 888888 , 0 , 888888 , 0 , 888888 , 0 , 888888 ,";
constexpr const char* kLap =
    " 4 ,   31.00,L, 5 ,   30.90,L, 3 ,   31.50,L, 4 , 1:30.50,G, 5 , 1:29.99,G, 3 , 1:31.00,G,";

class BackupsCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir.MakeDir("prog");
    dir.MakeDir("data/lap");
    dir.MakeDir("data/goal");
    dir.Write("ctl/dr_kyo.ctl", Utf8ToCp932("市民大会\r\nc:\\data\r\n1\r\n"));
    dir.Write("data/taikai.dat", HeatsMeetFile(3, {0, 0, 4003, 4001, 4002}, true));
    dir.Write("data/Race.dat", "66" + std::string(1022, '\0'));
    dir.Write("data/goal/g0001", kGoal);
    dir.Write("data/lap/r0001", kLap);
    dir.Write("data/goal/g0002", CopiedItems(kGoal));
    dir.Write("data/lap/r0002", CopiedItems(kLap));
  }

  int Run(std::vector<std::string> args, const UserConfig& config = {}) {
    args.insert(args.begin(), {"--drive", "c=" + dir.Path(), "--no-capture"});
    out.str("");
    err.str("");
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(FsPath(dir.File("prog")));
    const std::optional<int> status = RunWindowlessCommand(args, out, err, [&] { return config; });
    std::filesystem::current_path(cwd);
    return status.value_or(-1);
  }
  JsonValue Export(int race) {
    const auto doc =
        JsonValue::Parse(dir.Read("data/export/r000" + std::to_string(race) + ".json"));
    return doc ? *doc : JsonValue();
  }

  TempDir dir;
  std::ostringstream out, err;
};

TEST_F(BackupsCommandTest, ListsPreviewsAndRecordsWatches) {
  ASSERT_EQ(Run({"--backups", "1"}), 0) << err.str();
  EXPECT_EQ(out.str(),
            "race 1 速報\n"
            "lane\tentry\tconsole\twatches\tbackup\tdifference\tused\ttime\treason\tflags\n"
            "3\t4003\t1:31.00\t-\t-\t-\tconsole\t1:31.00\t-\t-\n"
            "4\t4001\t1:30.50\t-\t-\t-\tconsole\t1:30.50\t-\t-\n"
            "5\t4002\t1:29.99\t-\t-\t-\tconsole\t1:29.99\t-\t-\n");

  // Without --apply nothing is written.
  ASSERT_EQ(Run({"--backups", "1", "--lane", "4", "--watch", "13034", "13037"}), 0) << err.str();
  EXPECT_EQ(out.str(),
            "(preview: nothing written)\nrace 1 lane 4: watches 1:30.34 1:30.37 "
            "backup 1:30.35\n");
  EXPECT_FALSE(dir.Exists("data/export/desk.json"));

  // Full-width digits read as their twins; the watches alone change the
  // export (their backup time and flag), not the goal file.
  ASSERT_EQ(Run({"--backups", "1", "--lane", "4", "--watch", "１３０３４", "13037", "--apply"}), 0)
      << err.str();
  EXPECT_EQ(dir.Read("data/goal/g0001"), kGoal);
  const JsonValue lane = Export(1)["lanes"][3];
  EXPECT_EQ(lane["watches"][0].Int(), 9034);
  EXPECT_EQ(lane["watches"][1].Int(), 9037);
  EXPECT_EQ(lane["backup"].Int(), 9035);
  EXPECT_EQ(lane["used"].String(), "console");
  EXPECT_TRUE(lane["reason"].IsNull());
  ASSERT_EQ(lane["flags"].Size(), 0u);
  // Lane 3 has an entry and a time but no watches: nothing to flag; the
  // other lanes have no entry.
  EXPECT_EQ(Export(1)["lanes"][0]["used"].IsNull(), true);

  ASSERT_EQ(Run({"--backups", "1"}), 0);
  EXPECT_NE(
      out.str().find("4\t4001\t1:30.50\t1:30.34,1:30.37\t1:30.35\t-0.15\tconsole\t1:30.50\t-\t-\n"),
      std::string::npos)
      << out.str();
}

TEST_F(BackupsCommandTest, DecisionRewritesTheGoalFileRanksAgainAndRedoesTheCopies) {
  // Lane 4's pad missed: the watches say 1:29.99, a tie with lane 5.
  ASSERT_EQ(Run({"--backups", "1", "--lane", "4", "--watch", "12999", "13001", "12999", "--use",
                 "backup", "--reason", "タッチ板の不良", "--apply"}),
            0)
      << err.str();
  const std::string goal =
      " 0 , 888888 , 0 , 888888 , 3 , 13100 , 1 , 12999 , 1 , 12999 , 0 , 888888 ,"
      " 0 , 888888 , 0 , 888888 , 0 , 888888 , 0 , 888888 ,";
  EXPECT_EQ(dir.Read("data/goal/g0001"), goal);
  EXPECT_EQ(dir.Read("data/lap/r0001"), kLap);  // the console's records stay
  EXPECT_EQ(dir.Read("data/goal/g0002"), CopiedItems(goal));
  for (int race : {1, 2}) {
    const JsonValue lane = Export(race)["lanes"][3];
    EXPECT_EQ(lane["rank"].Int(), 1) << race;
    EXPECT_EQ(lane["hundredths"].Int(), 8999) << race;
    EXPECT_EQ(lane["used"].String(), "backup") << race;
    EXPECT_EQ(lane["reason"].String(), "タッチ板の不良") << race;
    EXPECT_EQ(lane["backup"].Int(), 8999) << race;
  }

  // A time other than the console's needs a reason; the console's does not,
  // and gives the pad's time back.
  EXPECT_EQ(Run({"--backups", "1", "--lane", "4", "--use", "13000", "--apply"}), 2);
  EXPECT_NE(err.str().find("理由"), std::string::npos);
  ASSERT_EQ(Run({"--backups", "1", "--lane", "4", "--use", "console", "--apply"}), 0) << err.str();
  EXPECT_EQ(dir.Read("data/goal/g0001"), kGoal);
  EXPECT_EQ(Export(1)["lanes"][3]["used"].String(), "console");

  // A race not yet swum takes watches but no decision.
  EXPECT_EQ(Run({"--backups", "3", "--lane", "4", "--use", "12345", "--reason", "x", "--apply"}),
            1);
  EXPECT_NE(err.str().find("goal"), std::string::npos) << err.str();
}

TEST_F(BackupsCommandTest, SignOffListsOpenLanesAndALaterDecisionTakesItBack) {
  ASSERT_EQ(Run({"--backups", "1", "--lane", "5", "--watch", "13050", "--apply"}), 0) << err.str();
  ASSERT_EQ(Run({"--official", "1"}), 0) << err.str();
  EXPECT_EQ(out.str(), "race 1 速報\n決定のないフラグのコース: 5\n(preview: nothing written)\n");
  EXPECT_FALSE(Export(1)["official"].Bool());

  ASSERT_EQ(Run({"--official", "1", "--apply"}), 0) << err.str();
  EXPECT_NE(out.str().find("フラグのコースを残したまま公式にしました"), std::string::npos);
  EXPECT_TRUE(Export(1)["official"].Bool());
  EXPECT_FALSE(Export(1)["official_at"].String().empty());

  ASSERT_EQ(Run({"--backups", "1", "--lane", "5", "--use", "console", "--apply"}), 0) << err.str();
  EXPECT_NE(out.str().find("速報に戻りました"), std::string::npos) << out.str();
  EXPECT_FALSE(Export(1)["official"].Bool());
  EXPECT_FALSE(Export(1)["official_at"].String().empty());  // the last sign-off is kept

  EXPECT_EQ(Run({"--official", "3", "--apply"}), 1);
  EXPECT_NE(err.str().find("まだ終わっていません"), std::string::npos);
}

// The user's configuration sets the desk's threshold and mirror; a command
// line that writes a result takes them too, or the export it writes would
// lose the desk's flags.
TEST_F(BackupsCommandTest, CommandsTakeTheUserConfigurationUnderTheCommandLine) {
  UserConfig config;
  config.backupThreshold = "0.10";
  config.mirror = dir.File("copy");
  dir.MakeDir("copy");
  config.problems = {"poolside.conf:7: 分かりません: colour blue"};
  // Lane 4's backup time is 0.15 s under its console time.
  ASSERT_EQ(Run({"--backups", "1", "--lane", "4", "--watch", "13034", "13037", "--apply"}, config),
            0)
      << err.str();
  EXPECT_EQ(err.str(), "poolside.conf:7: 分かりません: colour blue\n");
  ASSERT_EQ(Export(1)["lanes"][3]["flags"].Size(), 1u);
  EXPECT_EQ(Export(1)["lanes"][3]["flags"][0].String(), "difference");
  EXPECT_EQ(dir.Read("copy/export/r0001.json"), dir.Read("data/export/r0001.json"));

  // The export of every race agrees with the desk's, and the command line
  // still wins.
  ASSERT_EQ(Run({"--export-all"}, config), 0) << out.str();
  ASSERT_EQ(Export(1)["lanes"][3]["flags"].Size(), 1u);
  ASSERT_EQ(Run({"--export-all", "--backup-threshold", "0.30"}, config), 0) << out.str();
  EXPECT_EQ(Export(1)["lanes"][3]["flags"].Size(), 0u);
  ASSERT_EQ(Run({"--export-all", "--backup-threshold", "0.10"}), 0) << out.str();
  EXPECT_EQ(Export(1)["lanes"][3]["flags"].Size(), 1u);

  ASSERT_EQ(Run({"--official", "1"}, config), 0) << err.str();
  EXPECT_NE(out.str().find("決定のないフラグのコース: 4"), std::string::npos) << out.str();
  // A bad setting is refused before the configuration is read.
  EXPECT_EQ(Run({"--official", "1", "--bogus"}, config), 2);
  EXPECT_EQ(err.str().find("colour"), std::string::npos) << err.str();
}

}  // namespace
}  // namespace poolside

namespace poolside {
namespace {

// The backup window follows its race: a change the owner tells of the race
// selected reaches it (a repair or a decision made elsewhere), of another
// race not.
TEST(BackupPanel, FollowsTheChangesTheOwnerTellsOfItsRace) {
  struct Quiet : MessageSink {
    void ShowMessage(const std::string&) override {}
    bool AskOkCancel(const std::string&) override { return true; }
    void ShowError(const std::string&) override {}
    void Warn(const std::string&) override {}
  } quiet;
  PathMapper paths;
  MeetData meet(paths);
  RaceResults results;
  RaceFeed feed;
  BackupPanel panel(meet, results, feed, quiet);
  int calls = 0;
  panel.onChanged = [&] { ++calls; };
  feed.Attach(panel);
  RaceResultChanged changed;
  changed.race = 3;
  feed.Publish(changed);  // no race selected yet
  EXPECT_EQ(calls, 0);
  panel.Select(3);
  feed.Publish(changed);
  EXPECT_EQ(calls, 1);
  changed.race = 4;
  feed.Publish(changed);
  EXPECT_EQ(calls, 1);
  feed.Publish(ClockShown{"   12.00"});
  EXPECT_EQ(calls, 1);
  feed.Detach(panel);
}

}  // namespace
}  // namespace poolside
