// Touch repair through the program: a race timed over the scripted port,
// the program killed, then `poolside --touches` lists, previews and applies
// repairs; the files, the export and a recovery from the capture follow.
#include <unistd.h>

#include <gtest/gtest.h>

#include "desk_run.h"
#include "support/wait_for.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using e2e::Child;
using e2e::RaceText;
using e2e::ReadAll;

// The twenty items of a goal file, blanks trimmed.
std::vector<std::string> GoalItems(const std::string& goal) {
  std::vector<std::string> items;
  std::istringstream in(goal);
  for (std::string item; std::getline(in, item, ',');) {
    item.erase(0, item.find_first_not_of(' '));
    item.erase(item.find_last_not_of(' ') + 1);
    items.push_back(item);
  }
  return items;
}

class RepairEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("poolside-repair-e2e-" + std::to_string(getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    meet_ = dir_ / "demo";
    ASSERT_TRUE(e2e::MakeDemoMeet(meet_));
  }
  void TearDown() override {
    if (!HasFailure()) fs::remove_all(dir_);
  }

  int Tool(const std::vector<std::string>& more, std::string& out) {
    return e2e::RunCommand(meet_, dir_, more, out);
  }
  std::string Lap() const { return ReadAll(meet_ / "meet" / "lap" / ("r" + RaceText(race_))); }
  std::string Goal() const { return ReadAll(meet_ / "meet" / "goal" / ("g" + RaceText(race_))); }

  fs::path dir_, meet_;
  const int race_ = 3;  // the first open race of the demo meet with two done
};

TEST_F(RepairEndToEnd, RepairsAreListedPreviewedAppliedExportedAndRecovered) {
  // Lanes 1 and 2 swim two lengths; the program is killed after the finish.
  ASSERT_TRUE(e2e::RunDeskUntilShownThenKill(meet_, dir_, e2e::kTwoLanesTwoLengths));
  const std::string lap = Lap();
  ASSERT_EQ(lap, " 1 ,   30.00,L, 2 ,   31.00,L, 1 , 1:01.00,G, 2 , 1:02.00,G,");
  const std::string goal = Goal();
  ASSERT_EQ(GoalItems(goal)[2], "2");
  // The next program's capture file must sort after this one's: their names
  // hold the second they were begun in.
  ASSERT_TRUE(poolside::testing::WaitForTheNextSecond());

  std::string out;
  ASSERT_EQ(Tool({"--touches", "3"}, out), 0) << out;
  EXPECT_NE(out.find("lane 2\n  1 31.00 L 31.00\n  2 1:02.00 G 31.00\n"), std::string::npos) << out;

  // Lane 1's finish was a lap: a preview writes nothing.
  ASSERT_EQ(Tool({"--touches", "3", "--lane", "1", "--as-lap", "2"}, out), 0) << out;
  EXPECT_NE(out.find("(preview"), std::string::npos) << out;
  EXPECT_EQ(Lap(), lap);
  EXPECT_EQ(Goal(), goal);
  ASSERT_EQ(Tool({"--touches", "3", "--lane", "1", "--as-lap", "2", "--apply"}, out), 0) << out;
  EXPECT_NE(out.find("written"), std::string::npos) << out;
  EXPECT_EQ(Lap(), " 1 ,   30.00,L, 2 ,   31.00,L, 1 , 1:01.00,L, 2 , 1:02.00,G,");
  std::vector<std::string> items = GoalItems(Goal());
  EXPECT_EQ(items[0], "0");
  EXPECT_EQ(items[1], "888888");
  EXPECT_EQ(items[2], "1");
  EXPECT_EQ(items[3], "10200");
  const std::string json = ReadAll(meet_ / "meet" / "export" / ("r" + RaceText(race_) + ".json"));
  EXPECT_NE(json.find("{\"lane\":1,"), std::string::npos) << json;
  EXPECT_NE(json.find("\"status\":\"no_finish\""), std::string::npos) << json;

  // Its real finish was missed: inserted with its time.
  ASSERT_EQ(
      Tool({"--touches", "3", "--lane", "1", "--insert-after", "2", "1:31.50", "--as-finish", "3"},
           out),
      2)
      << out;
  ASSERT_EQ(
      Tool({"--touches", "3", "--lane", "1", "--insert-after", "2", "1:31.50", "--apply"}, out), 0)
      << out;
  ASSERT_EQ(Tool({"--touches", "3", "--lane", "1", "--as-finish", "3", "--apply"}, out), 0) << out;
  const std::string repairedLap = Lap();
  const std::string repairedGoal = Goal();
  EXPECT_EQ(repairedLap,
            " 1 ,   30.00,L, 2 ,   31.00,L, 1 , 1:01.00,L, 1 , 1:31.50,G, 2 , 1:02.00,G,");
  items = GoalItems(repairedGoal);
  EXPECT_EQ(items[0], "2");
  EXPECT_EQ(items[1], "13150");

  // The files lost: a recovery from the capture gives the repaired ones.
  fs::remove(meet_ / "meet" / "lap" / ("r" + RaceText(race_)));
  fs::remove(meet_ / "meet" / "goal" / ("g" + RaceText(race_)));
  // A run killed as it began its capture left it empty or half-written.
  std::ofstream(meet_ / "meet" / "capture" / "20991231-235958.cap");
  std::ofstream(meet_ / "meet" / "capture" / "20991231-235959.cap") << "poolside-cap";
  ASSERT_EQ(Tool({"--recover", (meet_ / "meet" / "capture").string(), "--take", "1", "--as", "3",
                  "--apply"},
                 out),
            0)
      << out;
  EXPECT_NE(out.find("20991231-235958.cap は空か書きかけです"), std::string::npos) << out;
  EXPECT_NE(out.find("20991231-235959.cap は空か書きかけです"), std::string::npos) << out;
  EXPECT_EQ(Lap(), repairedLap);
  EXPECT_EQ(Goal(), repairedGoal);

  // Wrong requests: a message, nothing written.
  EXPECT_EQ(Tool({"--touches", "3", "--lane", "2", "--drop", "9", "--apply"}, out), 1);
  EXPECT_NE(out.find("2 コースにタッチ 9 はありません"), std::string::npos) << out;
  EXPECT_EQ(Tool({"--touches", "3", "--drop", "1"}, out), 2);
  EXPECT_EQ(Tool({"--touches", "3000"}, out), 2);
  EXPECT_EQ(Tool({"--touches", "9"}, out), 1);
  EXPECT_NE(out.find("r0009"), std::string::npos) << out;
  EXPECT_EQ(Lap(), repairedLap);
  EXPECT_EQ(Goal(), repairedGoal);
}

}  // namespace
