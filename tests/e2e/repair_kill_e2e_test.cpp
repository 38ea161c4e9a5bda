// A touch repair is one step: `poolside --touches ... --apply` killed with
// SIGKILL at random moments, then the next start on the folder (every
// other trial) or the same command again completes it. Every trial ends
// with the lap and goal files repaired and the repair in the capture under
// one intent. POOLSIDE_KILL_TRIALS sets the number of trials (12 unless
// told); where the kills fell is printed.
#include <unistd.h>

#include <gtest/gtest.h>

#include "desk_run.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using e2e::Child;
using e2e::RaceText;
using e2e::ReadAll;

const std::vector<std::string> kRepair = {"--touches", "3", "--lane", "1",
                                          "--as-lap",  "2", "--apply"};

class RepairKill : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("poolside-repair-kill-" + std::to_string(getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    std::ofstream(dir_ / "end.script") << "end\n";
  }
  void TearDown() override {
    if (!HasFailure()) fs::remove_all(dir_);
  }
  // Race 3 timed (lanes 1 and 2 finish) and the program killed after it.
  void TimeRace(const fs::path& meet) {
    ASSERT_TRUE(e2e::MakeDemoMeet(meet));
    ASSERT_TRUE(e2e::RunDeskUntilShownThenKill(meet, dir_, e2e::kTwoLanesTwoLengths));
  }
  int Run(const fs::path& meet, const std::vector<std::string>& more, std::string& said) {
    return e2e::RunCommand(meet, dir_, more, said);
  }
  static std::string Lap(const fs::path& meet) {
    return ReadAll(meet / "meet" / "lap" / ("r" + RaceText(3)));
  }
  static std::string Goal(const fs::path& meet) {
    return ReadAll(meet / "meet" / "goal" / ("g" + RaceText(3)));
  }
  static bool Pending(const fs::path& meet) {
    return fs::exists(meet / "meet" / "touch_repair.pending");
  }
  // The intent ids of race 3's repair lines in the capture ("" for a line
  // without one).
  static std::vector<std::string> RepairIntents(const fs::path& meet) {
    std::vector<std::string> ids;
    for (const auto& e : fs::directory_iterator(meet / "meet" / "capture")) {
      std::ifstream in(e.path());
      for (std::string line; std::getline(in, line);) {
        if (line.find(" repair race=3 ") == std::string::npos) continue;
        const auto at = line.find(" intent=");
        std::string id = at == std::string::npos ? "" : line.substr(at + 8);
        id = id.substr(0, id.find(' '));
        if (!id.empty() && id.front() == '"') id = id.substr(1, id.size() - 2);
        ids.push_back(id);
      }
    }
    return ids;
  }

  // When the repair's intent is in the folder (polled every 0.1 ms, finer
  // than WaitFor: the moment measured places the kills; at most 10 s).
  static std::chrono::steady_clock::time_point IntentAppears(const fs::path& meet) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!Pending(meet) && std::chrono::steady_clock::now() < end) {
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    return std::chrono::steady_clock::now();
  }

  fs::path dir_;
};

TEST_F(RepairKill, AKilledRepairIsCompletedByTheNextStartOrTheSameCommand) {
  const fs::path base = dir_ / "base";
  TimeRace(base);
  if (HasFatalFailure()) return;
  const std::string lapBefore = Lap(base);
  const std::string goalBefore = Goal(base);
  // The repair uninterrupted: what every trial must end with, and how long
  // it takes (the kills fall within that time).
  const fs::path whole = dir_ / "whole";
  fs::copy(base, whole, fs::copy_options::recursive);
  std::string said;
  std::chrono::steady_clock::duration took{}, writing{};
  {
    std::vector<std::string> args = {POOLSIDE_BIN, "--drive", "c=" + whole.string()};
    args.insert(args.end(), kRepair.begin(), kRepair.end());
    const auto start = std::chrono::steady_clock::now();
    Child tool(args, whole / "prog", dir_ / "tout", dir_ / "terr");
    const auto intent = IntentAppears(whole);
    // How long the intent stays: measured, at the same fine grain.
    while (Pending(whole)) std::this_thread::sleep_for(std::chrono::microseconds(100));
    writing = (std::chrono::steady_clock::now() - intent) * 3 / 2;
    ASSERT_EQ(tool.Wait(60), 0) << ReadAll(dir_ / "terr");
    took = std::chrono::steady_clock::now() - start;
  }
  const std::string lapAfter = Lap(whole);
  const std::string goalAfter = Goal(whole);
  ASSERT_NE(lapAfter, lapBefore);
  ASSERT_NE(goalAfter, goalBefore);

  const char* wanted = std::getenv("POOLSIDE_KILL_TRIALS");
  const int trials = wanted ? std::atoi(wanted) : 12;
  std::mt19937 random(static_cast<unsigned>(getpid()));
  // A quarter of the kills fall anywhere in the run, the rest once the
  // intent is there (the start-up of the program takes most of the run).
  auto micros = [](auto d) { return std::chrono::duration_cast<std::chrono::microseconds>(d); };
  std::uniform_int_distribution<long long> anywhere(0, micros(took).count() * 11 / 10);
  std::uniform_int_distribution<long long> inWrites(0, micros(writing).count());
  std::map<std::string, int> fell;
  for (int trial = 0; trial < trials; ++trial) {
    const fs::path meet = dir_ / ("trial" + std::to_string(trial));
    fs::copy(base, meet, fs::copy_options::recursive);
    {
      std::vector<std::string> args = {POOLSIDE_BIN, "--drive", "c=" + meet.string()};
      args.insert(args.end(), kRepair.begin(), kRepair.end());
      Child tool(args, meet / "prog", dir_ / "kout", dir_ / "kerr");
      // The pause places the kill in the run: it is the case under test.
      if (trial % 4 == 3) {
        std::this_thread::sleep_for(std::chrono::microseconds(anywhere(random)));
      } else {
        IntentAppears(meet);
        std::this_thread::sleep_for(std::chrono::microseconds(inWrites(random)));
      }
      tool.Kill();
    }
    const bool lapDone = Lap(meet) == lapAfter;
    const bool goalDone = Goal(meet) == goalAfter;
    ASSERT_TRUE(lapDone || Lap(meet) == lapBefore) << trial;
    ASSERT_TRUE(goalDone || Goal(meet) == goalBefore) << trial;
    const bool pending = Pending(meet);
    const std::string where = !pending && !lapDone ? "before the intent"
                              : !pending           ? "after the intent was removed"
                              : !lapDone           ? "intent written, no file"
                              : !goalDone          ? "between the lap and the goal file"
                                                   : "files written, intent left";
    ++fell[where];
    ASSERT_FALSE(!pending && lapDone != goalDone) << trial << ": half a repair with no intent";
    if (trial % 2 == 0) {
      // The next start on the folder completes what was begun.
      EXPECT_EQ(
          Run(meet, {"-platform", "offscreen", "--script", (dir_ / "end.script").string()}, said),
          0)
          << said;
      if (pending) {
        EXPECT_NE(said.find("を完了しました"), std::string::npos) << trial << said;
      }
      if (!lapDone && !pending) {
        // Killed before anything was begun: the repair is still to be made.
        EXPECT_EQ(Run(meet, kRepair, said), 0) << trial << said;
      }
    } else if (pending || !lapDone) {
      // The same command again completes it, or makes it.
      EXPECT_EQ(Run(meet, kRepair, said), 0) << trial << said;
    }
    EXPECT_EQ(Lap(meet), lapAfter) << trial << " " << where;
    EXPECT_EQ(Goal(meet), goalAfter) << trial << " " << where;
    EXPECT_FALSE(Pending(meet)) << trial;
    const std::vector<std::string> ids = RepairIntents(meet);
    EXPECT_FALSE(ids.empty()) << trial << " " << where << ": the repair is not in the capture";
    EXPECT_EQ(std::set<std::string>(ids.begin(), ids.end()).size(), 1u) << trial << " " << where;
    if (!HasFailure()) fs::remove_all(meet);
  }
  std::string tally;
  for (const auto& [where, n] : fell) tally += "  " + where + ": " + std::to_string(n) + "\n";
  std::printf("%d kills during a repair of %lld ms (the intent there %lld us):\n%s", trials,
              static_cast<long long>(micros(took).count() / 1000),
              static_cast<long long>(micros(writing).count() * 2 / 3), tally.c_str());
}

}  // namespace
