// The copy of the data folder off the machine, as the desk keeps it: a race
// timed with --mirror leaves a copy that --verify-mirror finds the same; a
// copy's folder that is missing holds up nothing, is never made, and is
// caught up once it is there.
#include <unistd.h>

#include <gtest/gtest.h>

#include "child_process.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using e2e::Child;
using e2e::ReadAll;

class MirrorEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("poolside-mirror-" + std::to_string(getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    meet_ = dir_ / "m";
    ASSERT_EQ(
        std::system(("'" + std::string(DEMO_BIN) + "' '" + meet_.string() + "' --done 2 >/dev/null")
                        .c_str()),
        0);
    std::ofstream(dir_ / "race.script") << "click frmRace.cmdZushin\n"
                                           "port \" A       10.00 \\r\"\n"
                                           "port \" A 11    30.00L\\r\"\n"
                                           "port \" A 11  1:01.00G\\r\"\n"
                                           "port \" A        0.00 \\r\"\n"
                                           "show frmRace.lblRace\n"
                                           "wait 60000\n";
  }
  void TearDown() override {
    if (!HasFailure()) fs::remove_all(dir_);
  }
  std::unique_ptr<Child> Desk(const fs::path& copy) {
    return std::make_unique<Child>(
        std::vector<std::string>{POOLSIDE_BIN, "-platform", "offscreen", "--drive",
                                 "c=" + meet_.string(), "--mirror", copy.string(), "--script",
                                 (dir_ / "race.script").string()},
        meet_ / "prog", dir_ / "out", dir_ / "err");
  }
  int Verify(const fs::path& copy, std::string& said) {
    Child tool({POOLSIDE_BIN, "--drive", "c=" + meet_.string(), "--verify-mirror", copy.string()},
               meet_ / "prog", dir_ / "vout", dir_ / "verr");
    const int rc = tool.Wait(60);
    said = ReadAll(dir_ / "vout") + ReadAll(dir_ / "verr");
    return rc;
  }
  static bool Until(const std::function<bool()>& fact, int seconds = 30) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!fact()) {
      if (std::chrono::steady_clock::now() > end) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
  }
  std::string Lap() const { return ReadAll(meet_ / "meet" / "lap" / "r0003"); }

  fs::path dir_, meet_;
};

TEST_F(MirrorEndToEnd, ARaceTimedWithAMirrorLeavesTheSameFilesThere) {
  const fs::path copy = dir_ / "copy";
  fs::create_directories(copy);
  auto desk = Desk(copy);
  ASSERT_TRUE(Until([&] { return ReadAll(dir_ / "out").find("lblRace") != std::string::npos; }))
      << ReadAll(dir_ / "err");
  ASSERT_NE(Lap(), "");
  ASSERT_TRUE(Until([&] { return ReadAll(copy / "lap" / "r0003") == Lap(); }))
      << ReadAll(dir_ / "err");
  // The whole folder, capture journal included, once the desk is quiet.
  std::string said;
  EXPECT_TRUE(Until([&] { return Verify(copy, said) == 0; })) << said;
  EXPECT_NE(said.find("same:"), std::string::npos) << said;
  EXPECT_FALSE(fs::exists(copy / "poolside.lease"));
  // A copy changed behind the desk's back is written again while the desk
  // runs; once it has ended, the check tells.
  std::ofstream(copy / "Race.dat", std::ios::app) << "x";
  EXPECT_TRUE(Until([&] { return Verify(copy, said) == 0; })) << said;
  desk->Kill();
  std::ofstream(copy / "Race.dat", std::ios::app) << "x";
  EXPECT_EQ(Verify(copy, said), 1);
  EXPECT_NE(said.find("differs Race.dat"), std::string::npos) << said;
}

TEST_F(MirrorEndToEnd, AMissingCopyHoldsUpNothingAndIsCaughtUpOnceThere) {
  const fs::path copy = dir_ / "share";  // not mounted yet
  auto desk = Desk(copy);
  ASSERT_TRUE(Until([&] { return ReadAll(dir_ / "out").find("lblRace") != std::string::npos; }))
      << ReadAll(dir_ / "err");
  EXPECT_NE(Lap(), "");  // the race went on
  ASSERT_TRUE(Until([&] {
    return ReadAll(dir_ / "err").find("がありません") != std::string::npos;
  })) << ReadAll(dir_ / "err");
  EXPECT_FALSE(fs::exists(copy));  // never made by the desk
  fs::create_directories(copy);
  ASSERT_TRUE(Until([&] {
    return ReadAll(dir_ / "err").find("追いつきました") != std::string::npos;
  })) << ReadAll(dir_ / "err");
  EXPECT_EQ(ReadAll(copy / "lap" / "r0003"), Lap());
}

}  // namespace
