// The command lines without a window, as poolside and poolside-cli run them
// (RunWindowlessCommand), on a meet whose data folder has a Japanese name:
// on Windows every path must reach the system as UTF-16 and be printed in
// the system's own form.
#include "app/early_commands.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "meetdata/folder_lease.h"
#include "platform/cp932.h"
#include "platform/fs_path.h"
#include "support/small_meet.h"
#include "support/temp_dir.h"

namespace poolside {
namespace {

using testing::TempDir;

constexpr const char* kFolder = "大会 2026";

// Drive c: holds ctl/dr_kyo.ctl (data folder c:\大会 2026\), the working
// folder prog and the meet: races 1 and 2 finished (two swimmers each, in
// lanes 4 and 5), race 3 open.
class WindowlessCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string data = std::string(kFolder) + "/";
    dir.MakeDir("prog");
    dir.MakeDir(data + "lap");
    dir.MakeDir(data + "goal");
    dir.Write("ctl/dr_kyo.ctl",
              Utf8ToCp932("市民大会\r\nc:\\" + std::string(kFolder) + "\r\n1\r\n"));
    // Three heats, the count of competitions first.
    const std::string meet = testing::HeatsMeetFile(3, {0, 0, 0, 4001, 4002}, true);
    dir.Write(data + "taikai.dat", meet);
    dir.Write(data + "Race.dat", "66" + std::string(1022, '\0'));
    for (const char* n : {"0001", "0002"}) {
      dir.Write(data + "goal/g" + n, testing::SmallMeet::kFinishedGoal);
      dir.Write(data + "lap/r" + n,
                " 4 ,   31.00,L, 5 ,   30.90,L, 5 ,   31.20,L, 4 , 1:30.50,G, 5 , 1:29.99,G,");
    }
  }

  // Runs the command line from the working folder with drive c: mapped.
  std::optional<int> Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--drive", "c=" + dir.Path(), "--no-capture"});
    out.str("");
    err.str("");
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(FsPath(dir.File("prog")));
    const std::optional<int> status = RunWindowlessCommand(args, out, err, {});
    std::filesystem::current_path(cwd);
    return status;
  }
  std::string Data(const std::string& name) const {
    return dir.File(std::string(kFolder) + "/" + name);
  }

  TempDir dir;
  std::ostringstream out, err;
};

TEST_F(WindowlessCommandsTest, ExportAllWritesEveryFinishedRaceAndNamesEachFile) {
  {
    // A desk writes the folder: the export is its, nothing is written.
    FolderLease desk(Data("poolside.lease"), "poolside (計時)");
    ASSERT_EQ(desk.Acquire(false).kind, FolderLease::Outcome::Held);
    ASSERT_EQ(Run({"--export-all"}), 1);
    EXPECT_NE(err.str().find("poolside (計時)"), std::string::npos) << err.str();
    EXPECT_FALSE(dir.Exists(std::string(kFolder) + "/export"));
  }
  ASSERT_EQ(Run({"--export-all"}), 0) << err.str();
  EXPECT_FALSE(dir.Exists(std::string(kFolder) + "/poolside.lease"));
  EXPECT_EQ(out.str(), "書き出しました: " + Data("export/r0001.json") +
                           "\n書き出しました: " + Data("export/r0001.csv") +
                           "\n書き出しました: " + Data("export/r0002.json") +
                           "\n書き出しました: " + Data("export/r0002.csv") +
                           // The standings of each program with a finished heat.
                           "\n書き出しました: " + Data("export/event1.json") +
                           "\n書き出しました: " + Data("export/event2.json") + "\n");
  EXPECT_NE(dir.Read(std::string(kFolder) + "/export/r0002.json").find("\"program\":2"),
            std::string::npos);
  EXPECT_FALSE(dir.Exists(std::string(kFolder) + "/export/r0003.json"));
}

TEST_F(WindowlessCommandsTest, TouchesAreListedRepairedAndTheRaceExportedAgain) {
  ASSERT_EQ(Run({"--touches", "1"}), 0) << err.str();
  EXPECT_EQ(out.str().rfind("race 1 file " + Data("lap/r0001") + "\nlane 4\n", 0), 0u) << out.str();

  // Lane 5's second touch was a splash: removed, ranked again, exported.
  ASSERT_EQ(Run({"--touches", "1", "--lane", "5", "--drop", "2", "--apply"}), 0) << err.str();
  EXPECT_NE(out.str().find("written\n"), std::string::npos) << out.str();
  EXPECT_EQ(dir.Read(std::string(kFolder) + "/lap/r0001"),
            " 4 ,   31.00,L, 5 ,   30.90,L, 4 , 1:30.50,G, 5 , 1:29.99,G,");
  EXPECT_TRUE(dir.Exists(std::string(kFolder) + "/export/r0001.csv"));
  EXPECT_EQ(err.str(), "");

  // A repair that cannot be made changes nothing and says why.
  EXPECT_EQ(Run({"--touches", "1", "--lane", "5", "--drop", "9", "--apply"}), 1);
  EXPECT_NE(err.str(), "");
  EXPECT_EQ(Run({"--touches", "1", "--lane", "5"}), 2);
}

TEST_F(WindowlessCommandsTest, RecoverSaysWhenThereIsNoCapture) {
  dir.MakeDir("記録");
  EXPECT_EQ(Run({"--recover", dir.File("記録")}), 1);
  EXPECT_EQ(err.str(), "キャプチャファイルがありません\n");
  EXPECT_EQ(Run({"--recover", dir.File("記録/20261209-100203.cap")}), 1);
  EXPECT_EQ(err.str(), "キャプチャファイル " + dir.File("記録/20261209-100203.cap") +
                           " を開けません (No such file or directory)\n");
}

TEST_F(WindowlessCommandsTest, AnythingElseIsLeftToTheWindows) {
  EXPECT_EQ(Run({"--version"}), 0);
  EXPECT_EQ(out.str().rfind("poolside ", 0), 0u);
  EXPECT_EQ(Run({"--competition"}), std::nullopt);
  EXPECT_EQ(Run({"--bogus"}), std::nullopt);  // the normal start reports it
}

}  // namespace
}  // namespace poolside
