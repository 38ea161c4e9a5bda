#pragma once
// The rig of the end-to-end race tests: a demo meet, the console simulator
// on a pseudo-terminal and the program receiving from it under a script.
#include <sys/types.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "desk_run.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace e2e {

namespace fs = std::filesystem;

// The first race from `from` on whose status character is "5" or below.
inline int OpenRaceFrom(const std::string& book, int from) {
  int r = from;
  while (r <= 1024 && static_cast<unsigned char>(book[r - 1]) > '5') ++r;
  return r;
}

class RaceEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(name.begin(), name.end(), '/', '-');  // parameterised tests
    dir_ = fs::temp_directory_path() / ("poolside-e2e-" + std::to_string(getpid()) + "-" + name);
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "expect");
    meet_ = dir_ / "demo";
  }
  void TearDown() override {
    if (!HasFailure()) fs::remove_all(dir_);
  }

  // What else the program is given: options, a descriptor limit, how long
  // it receives, and what to do while it runs (given its standard error
  // file).
  struct Run {
    std::vector<std::string> args;
    long descriptorLimit = 0;
    int waitMs = 5000;
    std::function<void(const fs::path& err)> during;
  };

  // Writes the demo meet with two races done, swims one race on the
  // simulator with `simArgs` while the program receives for `waitMs`, and
  // leaves the program's output in out_.
  void SwimOneRace(std::vector<std::string> simArgs, int waitMs = 5000) {
    Run run;
    run.waitMs = waitMs;
    SwimOneRace(std::move(simArgs), run);
  }
  void SwimOneRace(std::vector<std::string> simArgs, const Run& run) {
    ASSERT_TRUE(e2e::MakeDemoMeet(meet_));
    bookBefore_ = ReadAll(meet_ / "meet" / "Race.dat");
    ASSERT_EQ(bookBefore_.size(), 1024u);
    race_ = OpenRaceFrom(bookBefore_, 1);
    ASSERT_LE(race_, 1024);

    std::vector<std::string> args = {SIM_BIN,    "--wait-open",
                                     "--races",  "1",
                                     "--log",    (dir_ / "sent").string(),
                                     "--expect", (dir_ / "expect").string()};
    args.insert(args.end(), simArgs.begin(), simArgs.end());
    Child sim(args, dir_, dir_ / "sim.out", dir_ / "sim.err");
    const std::string pty = e2e::SimulatorPty(dir_ / "sim.out");
    ASSERT_EQ(pty.rfind("/dev/", 0), 0u) << "simulator: " << ReadAll(dir_ / "sim.err");

    std::ofstream(dir_ / "race.script") << "click frmRace.cmdZushin\n"
                                        << "wait " << run.waitMs << "\n"
                                        << "state\n"
                                           "end\n";
    std::vector<std::string> programArgs = {POOLSIDE_BIN,
                                            "-platform",
                                            "offscreen",
                                            "--drive",
                                            "c=" + meet_.string(),
                                            "--com",
                                            "1=" + pty,
                                            "--script",
                                            (dir_ / "race.script").string()};
    programArgs.insert(programArgs.end(), run.args.begin(), run.args.end());
    Child program(programArgs, meet_ / "prog", dir_ / "out", dir_ / "err", run.descriptorLimit);
    if (run.during) run.during(dir_ / "err");
    const int rc = program.Wait(60);
    out_ = ReadAll(dir_ / "out");
    ASSERT_EQ(rc, 0) << "stdout:\n" << out_ << "\nstderr:\n" << ReadAll(dir_ / "err");
    EXPECT_EQ(sim.Wait(10), 0) << ReadAll(dir_ / "sim.err");
    EXPECT_EQ(out_.find("message:"), std::string::npos) << out_;
    EXPECT_EQ(out_.find("error:"), std::string::npos) << out_;
  }

  std::string LapFile(int race) const {
    return ReadAll(meet_ / "meet" / "lap" / ("r" + RaceText(race)));
  }
  std::string GoalFile(int race) const {
    return ReadAll(meet_ / "meet" / "goal" / ("g" + RaceText(race)));
  }
  std::string Expected(const std::string& name) const { return ReadAll(dir_ / "expect" / name); }

  fs::path dir_, meet_;
  std::string bookBefore_, out_;
  int race_ = 0;
};

}  // namespace e2e
