// The data folder as the desk's staff meet it. One writer: a second desk
// and a repair from another terminal refused while a desk runs, with the
// holder named; a killed desk's lease taken by the next program; another
// machine's stale lease taken only with --take-over (or the desk's OK). A
// copy off the machine: a race timed with --mirror leaves a copy that
// --verify-mirror finds the same; a copy's folder that is missing holds up
// nothing, is never made, and is caught up once it is there.
#include <unistd.h>

#include <gtest/gtest.h>

#include "desk_run.h"
#include "support/wait_for.h"

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using e2e::Child;
using e2e::ReadAll;

// Race 3: lane 1 touched at 30.00 and finished at 1:01.00; the repair
// makes the finish a lap.
const char* kLaps = " 1 ,   30.00,L, 1 , 1:01.00,G,";
const std::vector<std::string> kRepair = {"--touches", "3", "--lane", "1",
                                          "--as-lap",  "2", "--apply"};

class FolderEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("poolside-lease-" + std::to_string(getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    meet_ = dir_ / "m";
    // Races 1 and 2 done; race 3's lap file written by each test.
    ASSERT_TRUE(e2e::MakeDemoMeet(meet_));
    std::ofstream(dir_ / "end.script") << "end\n";
    std::ofstream(dir_ / "wait.script") << "show frmRace.lblRace\nwait 60000\n";
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
  void Write(const std::string& name, const std::string& bytes) {
    std::ofstream(meet_ / "meet" / name, std::ios::binary) << bytes;
  }
  fs::path Lease() const { return meet_ / "meet" / "poolside.lease"; }
  std::unique_ptr<Child> Desk(const std::string& script, const std::string& tag,
                              std::vector<std::string> more = {}) {
    std::vector<std::string> args = {POOLSIDE_BIN,
                                     "-platform",
                                     "offscreen",
                                     "--drive",
                                     "c=" + meet_.string(),
                                     "--script",
                                     (dir_ / script).string()};
    args.insert(args.end(), more.begin(), more.end());
    return std::make_unique<Child>(args, meet_ / "prog", dir_ / (tag + ".out"),
                                   dir_ / (tag + ".err"));
  }
  std::string Lap() const { return ReadAll(meet_ / "meet" / "lap" / "r0003"); }
  int Run(const std::vector<std::string>& more, std::string& said) {
    return e2e::RunCommand(meet_, dir_, more, said);
  }
  static bool Until(const std::function<bool()>& fact, int seconds = 30) {
    return poolside::testing::WaitFor(fact, std::chrono::seconds(seconds));
  }

  fs::path dir_, meet_;
};

TEST_F(FolderEndToEnd, ASecondWriterIsRefusedAndAKilledDesksLeaseIsTaken) {
  // Race 3 with two touches of lane 1, so that a repair has something to do.
  Write("lap/r0003", kLaps);
  auto desk = Desk("wait.script", "desk");
  ASSERT_TRUE(Until([&] {
    return ReadAll(dir_ / "desk.out").find("lblRace") != std::string::npos;
  })) << ReadAll(dir_ / "desk.err");
  const std::string lease = ReadAll(Lease());
  ASSERT_NE(lease.find("pid=" + std::to_string(desk->Pid())), std::string::npos) << lease;

  // A repair from another terminal: refused, the desk named, nothing written.
  const std::string lapBefore = ReadAll(meet_ / "meet" / "lap" / "r0003");
  std::string said;
  EXPECT_EQ(Run(kRepair, said), 1) << said;
  EXPECT_NE(said.find("使用中"), std::string::npos) << said;
  EXPECT_NE(said.find("プロセス " + std::to_string(desk->Pid())), std::string::npos) << said;
  EXPECT_EQ(ReadAll(meet_ / "meet" / "lap" / "r0003"), lapBefore);
  // A listing only reads: no lease needed.
  EXPECT_EQ(Run({"--touches", "3"}, said), 0) << said;
  // A second desk shows the message and ends with status 1.
  auto second = Desk("end.script", "second");
  EXPECT_EQ(second->Wait(60), 1);
  EXPECT_NE(ReadAll(dir_ / "second.out").find("error: このデータフォルダは使用中です"),
            std::string::npos)
      << ReadAll(dir_ / "second.out") << ReadAll(dir_ / "second.err");
  EXPECT_EQ(ReadAll(Lease()).find("pid=" + std::to_string(desk->Pid())) != std::string::npos, true);

  // The desk killed: its lease stays, and the next writer takes it over.
  desk->Kill();
  ASSERT_TRUE(fs::exists(Lease()));
  EXPECT_EQ(Run(kRepair, said), 0) << said;
  EXPECT_NE(said.find("終了しています"), std::string::npos) << said;
  EXPECT_NE(ReadAll(meet_ / "meet" / "lap" / "r0003"), lapBefore);
  // A normal end gives the folder back.
  EXPECT_FALSE(fs::exists(Lease()));
  auto third = Desk("end.script", "third");
  EXPECT_EQ(third->Wait(60), 0) << ReadAll(dir_ / "third.err");
  EXPECT_FALSE(fs::exists(Lease()));
}

TEST_F(FolderEndToEnd, AnotherMachinesStaleLeaseIsTakenOnlyWhenTold) {
  const long now = static_cast<long>(std::time(nullptr));
  const std::string stale =
      "poolside-lease 1\nhost=office-pc\nuser=clerk\npid=77\n"
      "program=poolside (計時)\nsince=" +
      std::to_string(now - 3600) + "\nheartbeat=" + std::to_string(now - 120) + "\ntoken=77-x\n";
  Write("poolside.lease", stale);
  Write("lap/r0003", kLaps);
  std::string said;
  EXPECT_EQ(Run(kRepair, said), 1) << said;
  EXPECT_NE(said.find("office-pc"), std::string::npos) << said;
  EXPECT_NE(said.find("--take-over"), std::string::npos) << said;
  EXPECT_EQ(ReadAll(Lease()), stale);
  std::vector<std::string> takeOver = kRepair;
  takeOver.push_back("--take-over");
  EXPECT_EQ(Run(takeOver, said), 0) << said;
  EXPECT_FALSE(fs::exists(Lease()));

  // A fresh lease of another machine is never taken, not even when told.
  const std::string fresh =
      "poolside-lease 1\nhost=office-pc\nuser=clerk\npid=77\n"
      "program=poolside (計時)\nsince=" +
      std::to_string(now) + "\nheartbeat=" + std::to_string(now + 5) + "\ntoken=77-y\n";
  Write("poolside.lease", fresh);
  EXPECT_EQ(Run(takeOver, said), 1) << said;
  EXPECT_EQ(ReadAll(Lease()), fresh);

  // The desk asks; a script run answers OK unless told otherwise.
  Write("poolside.lease", stale);
  auto desk = Desk("end.script", "desk");
  EXPECT_EQ(desk->Wait(60), 0) << ReadAll(dir_ / "desk.err");
  const std::string out = ReadAll(dir_ / "desk.out");
  EXPECT_NE(out.find("引き継ぎますか"), std::string::npos) << out;
  EXPECT_NE(out.find("answer: OK"), std::string::npos) << out;
  EXPECT_FALSE(fs::exists(Lease()));
}

TEST_F(FolderEndToEnd, ARaceTimedWithAMirrorLeavesTheSameFilesThere) {
  const fs::path copy = dir_ / "copy";
  fs::create_directories(copy);
  auto desk = Desk("race.script", "desk", {"--mirror", copy.string()});
  ASSERT_TRUE(Until([&] {
    return ReadAll(dir_ / "desk.out").find("lblRace") != std::string::npos;
  })) << ReadAll(dir_ / "desk.err");
  ASSERT_NE(Lap(), "");
  ASSERT_TRUE(Until([&] { return ReadAll(copy / "lap" / "r0003") == Lap(); }))
      << ReadAll(dir_ / "desk.err");
  // The whole folder, capture journal included, once the desk is quiet.
  std::string said;
  EXPECT_TRUE(Until([&] { return Run({"--verify-mirror", copy.string()}, said) == 0; })) << said;
  EXPECT_NE(said.find("same:"), std::string::npos) << said;
  EXPECT_FALSE(fs::exists(copy / "poolside.lease"));
  // A copy changed behind the desk's back is written again while the desk
  // runs; once it has ended, the check tells.
  std::ofstream(copy / "Race.dat", std::ios::app) << "x";
  EXPECT_TRUE(Until([&] { return Run({"--verify-mirror", copy.string()}, said) == 0; })) << said;
  desk->Kill();
  std::ofstream(copy / "Race.dat", std::ios::app) << "x";
  EXPECT_EQ(Run({"--verify-mirror", copy.string()}, said), 1);
  EXPECT_NE(said.find("differs Race.dat"), std::string::npos) << said;
}

TEST_F(FolderEndToEnd, AMissingCopyHoldsUpNothingAndIsCaughtUpOnceThere) {
  const fs::path copy = dir_ / "share";  // not mounted yet
  auto desk = Desk("race.script", "desk", {"--mirror", copy.string()});
  ASSERT_TRUE(Until([&] {
    return ReadAll(dir_ / "desk.out").find("lblRace") != std::string::npos;
  })) << ReadAll(dir_ / "desk.err");
  EXPECT_NE(Lap(), "");  // the race went on
  ASSERT_TRUE(Until([&] {
    return ReadAll(dir_ / "desk.err").find("がありません") != std::string::npos;
  })) << ReadAll(dir_ / "desk.err");
  EXPECT_FALSE(fs::exists(copy));  // never made by the desk
  fs::create_directories(copy);
  ASSERT_TRUE(Until([&] {
    return ReadAll(dir_ / "desk.err").find("追いつきました") != std::string::npos;
  })) << ReadAll(dir_ / "desk.err");
  EXPECT_EQ(ReadAll(copy / "lap" / "r0003"), Lap());
}

}  // namespace
