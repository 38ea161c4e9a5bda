// Official times through the program: a race timed over the scripted port
// and the program killed (SIGKILL) after the finish; `poolside --backups`
// records the watches and the referee's decision, `--official` signs the
// race off; the files and the export follow, and a recovery from the
// capture gives the decided files again.
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
#include <vector>

namespace {

namespace fs = std::filesystem;
using e2e::Child;
using e2e::RaceText;
using e2e::ReadAll;

class OfficialEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("poolside-official-e2e-" + std::to_string(getpid()));
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
  fs::path Meet(const std::string& name) const { return meet_ / "meet" / name; }
  std::string Goal() const { return ReadAll(Meet("goal/g" + RaceText(race_))); }
  std::string Export() const { return ReadAll(Meet("export/r" + RaceText(race_) + ".json")); }

  fs::path dir_, meet_;
  const int race_ = 3;  // the first open race of the demo meet with two done
};

TEST_F(OfficialEndToEnd, DecisionSurvivesAKillAndARecoveryGivesTheDecidedFiles) {
  ASSERT_TRUE(e2e::RunDeskUntilShownThenKill(meet_, dir_, e2e::kTwoLanesTwoLengths));
  const std::string timed = Goal();
  ASSERT_NE(timed.find("10100"), std::string::npos) << timed;
  // The next program's capture file must sort after this one's: their names
  // hold the second they were begun in.
  ASSERT_TRUE(poolside::testing::WaitForTheNextSecond());

  // Lane 2 touched softly: the watches say 1:01.00, a tie with lane 1.
  std::string out;
  ASSERT_EQ(Tool({"--backups", "3", "--lane", "2", "--watch", "10100", "10101", "10100", "--use",
                  "backup", "--reason", "タッチが弱い", "--apply"},
                 out),
            0)
      << out;
  const std::string decided = Goal();
  EXPECT_NE(decided, timed);
  EXPECT_EQ(decided.substr(0, 24), " 1 , 10100 , 1 , 10100 ,") << decided;
  EXPECT_NE(Export().find("\"used\":\"backup\",\"reason\":\"タッチが弱い\""), std::string::npos)
      << Export();

  // The slip of the decision, read back from its PDF: each lane's figures.
  const fs::path slip = Meet("export/r" + RaceText(race_) + "-slip.pdf");
  EXPECT_NE(out.find(slip.string()), std::string::npos) << out;
  if (std::system("command -v pdftotext >/dev/null 2>&1") != 0) {
    std::cerr << "pdftotext is missing (scripts/setup.sh installs poppler-utils): the slip's text "
                 "is not checked\n";
  } else {
    ASSERT_EQ(std::system(("pdftotext -layout '" + slip.string() + "' '" +
                           (dir_ / "slip.txt").string() + "'")
                              .c_str()),
              0);
    const std::string text = ReadAll(dir_ / "slip.txt");
    // (The text comes back with some kanji as their radicals' code points.)
    for (const char* figure : {"時間調整票", "1:02.00", "1:01.00 1:01.01 1:01.00", "-1.00",
                               "backup", "タッチが弱い", "difference", "署名"}) {
      EXPECT_NE(text.find(figure), std::string::npos) << figure << "\n" << text;
    }
  }

  ASSERT_EQ(Tool({"--official", "3", "--apply"}, out), 0) << out;
  EXPECT_NE(Export().find("\"official\":true"), std::string::npos) << Export();

  // The files lost: the recovery from the capture takes the decision again.
  fs::remove(Meet("lap/r" + RaceText(race_)));
  fs::remove(Meet("goal/g" + RaceText(race_)));
  ASSERT_EQ(
      Tool({"--recover", Meet("capture").string(), "--take", "1", "--as", "3", "--apply"}, out), 0)
      << out;
  EXPECT_EQ(Goal(), decided);
}

}  // namespace
