// A program killed with SIGKILL mid-race and started again: the race on
// screen shows the touches its lap file kept, the next start of reception
// keeps them (the default of its question) and the race finishes ranked on
// every touch; "start over" empties the lap file only when chosen.
#include <unistd.h>

#include <gtest/gtest.h>

#include "desk_run.h"
#include "support/wait_for.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;
using e2e::Child;
using e2e::RaceText;
using e2e::ReadAll;

class RestartKill : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("poolside-restart-kill-" + std::to_string(getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    meet_ = dir_ / "m";
    ASSERT_TRUE(e2e::MakeDemoMeet(meet_));
    // Race 3 under way: lane 1 finished, lane 2 at its turn; then killed.
    ASSERT_TRUE(e2e::RunDeskUntilShownThenKill(meet_, dir_,
                                               "click frmRace.cmdZushin\n"
                                               "port \" A 11    30.00L\\r\"\n"
                                               "port \" A 22    31.00L\\r\"\n"
                                               "port \" A 11  1:01.00G\\r\"\n"
                                               "show frmRace.lblRace\n"
                                               "wait 60000\n"));
    ASSERT_EQ(Lap(), " 1 ,   30.00,L, 2 ,   31.00,L, 1 , 1:01.00,G,");
  }
  void TearDown() override {
    if (!HasFailure()) fs::remove_all(dir_);
  }
  void Write(const std::string& name, const std::string& text) {
    std::ofstream(dir_ / name) << text;
  }
  std::vector<std::string> Args(const std::string& script) const {
    return {POOLSIDE_BIN,
            "-platform",
            "offscreen",
            "--drive",
            "c=" + meet_.string(),
            "--script",
            (dir_ / script).string()};
  }
  // Runs `script` to its end; its standard output.
  std::string Run(const std::string& script) {
    Child program(Args(script), meet_ / "prog", dir_ / "out2", dir_ / "err2");
    EXPECT_EQ(program.Wait(90), 0) << ReadAll(dir_ / "err2");
    return ReadAll(dir_ / "out2");
  }
  std::string Lap() const { return ReadAll(meet_ / "meet" / "lap" / ("r" + RaceText(3))); }
  std::string Goal() const { return ReadAll(meet_ / "meet" / "goal" / ("g" + RaceText(3))); }

  fs::path dir_;
  fs::path meet_;
};

TEST_F(RestartKill, TheNextStartRestoresTheRaceAndKeepsItsLapFile) {
  Write("again.script",
        "show frmRace.lblRace\n"
        "show frmRace.txtKiro(0)\n"
        "show frmRace.lblLink\n"
        "click frmRace.cmdZushin\n"
        "port \" A 22  1:02.00G\\r\"\n"
        "port \" A        0.00 \\r\"\n"
        "end\n");
  const std::string out = Run("again.script");
  EXPECT_NE(out.find("frmRace.lblRace caption=\"3\""), std::string::npos) << out;
  EXPECT_NE(out.find("frmRace.txtKiro(0) text=\" 1:01.00\""), std::string::npos) << out;
  EXPECT_NE(out.find("3 件をラップファイルから戻しました"), std::string::npos) << out;
  EXPECT_NE(out.find("answer: 残して続ける"), std::string::npos) << out;
  EXPECT_EQ(Lap(), " 1 ,   30.00,L, 2 ,   31.00,L, 1 , 1:01.00,G, 2 , 1:02.00,G,");
  // Lane 1 first in 1:01.00, lane 2 second in 1:02.00.
  EXPECT_EQ(Goal().substr(0, 24), " 1 , 10100 , 2 , 10200 ,") << Goal();
}

TEST_F(RestartKill, StartingOverEmptiesTheLapFileOnlyWhenChosen) {
  Write("cancel.script",
        "answer Cancel\n"
        "click frmRace.cmdZushin\n"
        "state\n"
        "end\n");
  const std::string cancelled = Run("cancel.script");
  EXPECT_NE(cancelled.find("Receiving=0"), std::string::npos) << cancelled;
  EXPECT_EQ(Lap(), " 1 ,   30.00,L, 2 ,   31.00,L, 1 , 1:01.00,G,");
  Write("over.script",
        "answer 最初からやり直す\n"
        "click frmRace.cmdZushin\n"
        "port \" A 22    29.00L\\r\"\n"
        "end\n");
  Run("over.script");
  EXPECT_EQ(Lap(), " 2 ,   29.00,L,");
}

}  // namespace
