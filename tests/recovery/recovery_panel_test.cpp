// The recovery dialog's logic: nothing is applied while receiving or when
// the operator declines; a capture that cannot be read says why.
#include "recovery/recovery_panel.h"

#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "capture/capture_journal.h"
#include "recovery/race_retiming.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace poolside {
namespace {

using poolside::testing::FakeMessages;
using poolside::testing::TempDir;

TEST(RecoveryPanel, AppliesNothingWhileReceivingOrWhenDeclined) {
  TempDir dir;
  {
    CaptureJournal journal({"v", {}});
    ASSERT_TRUE(journal.Open(dir.File("capture")));
    RaceShown shown;
    shown.race = 4;
    journal.OnRaceEvent(shown);
  }
  PathMapper paths;
  FakeMessages messages;
  RecoveryPanel panel(paths, {dir.File("capture")}, messages);
  bool applied = false;
  panel.onApplied = [&](const RaceFinished&) { applied = true; };
  ASSERT_TRUE(panel.Refresh());
  ASSERT_EQ(panel.Lines().size(), 1u);
  EXPECT_EQ(panel.Lines()[0].rfind("1 race=4 ", 0), 0u);

  EXPECT_FALSE(panel.Apply(1, 4, /*receiving=*/true));
  ASSERT_EQ(messages.messages.size(), 1u);
  EXPECT_TRUE(messages.questions.empty());

  messages.answers.push_back(false);
  EXPECT_FALSE(panel.Apply(1, 4, false));
  EXPECT_EQ(messages.questions.size(), 1u);
  EXPECT_FALSE(applied);
  EXPECT_FALSE(panel.Apply(2, 4, false));  // no such captured race
  EXPECT_EQ(panel.Preview(0, 4), "レースを選んでください");
}

// Ctrl+R opens on the race finished last, not on the race just put on
// screen; a stretch without a touch cannot be applied.
TEST(RecoveryPanel, OpensOnTheLatestFinishedRaceAndOnlyATouchedStretchApplies) {
  TempDir dir;
  {
    CaptureJournal journal({"v", {}});
    ASSERT_TRUE(journal.Open(dir.File("capture")));
    RaceShown shown;
    shown.race = 4;
    journal.OnRaceEvent(shown);
    journal.OnRaceEvent(LaneTouched{3, 1, "   30.00", 3000, 1, 50, false});
    journal.OnRaceEvent(LaneTouched{3, 1, " 1:01.00", 10100, 2, 100, true});
    RaceFinished finished;
    finished.race = 4;
    journal.OnRaceEvent(finished);
    shown.race = 5;
    journal.OnRaceEvent(shown);
    journal.OnRaceEvent(LaneTouched{2, 1, "   31.00", 3100, 1, 50, false});
    shown.race = 6;  // on screen, not swum
    journal.OnRaceEvent(shown);
  }
  PathMapper paths;
  FakeMessages messages;
  RecoveryPanel panel(paths, {dir.File("capture")}, messages);
  ASSERT_TRUE(panel.Refresh());
  ASSERT_EQ(panel.Races().size(), 3u);
  EXPECT_EQ(panel.SuggestedIndex(), 1);
  EXPECT_TRUE(panel.HasTouches(1));
  EXPECT_TRUE(panel.HasTouches(2));  // unfinished, but touched
  EXPECT_FALSE(panel.HasTouches(3));
  EXPECT_FALSE(panel.HasTouches(4));
  // With no finish yet, the latest touched stretch.
  {
    CaptureJournal journal({"v", {}});
    ASSERT_TRUE(journal.Open(dir.File("unfinished")));
    RaceShown shown;
    shown.race = 5;
    journal.OnRaceEvent(shown);
    journal.OnRaceEvent(LaneTouched{2, 1, "   31.00", 3100, 1, 50, false});
    shown.race = 6;
    journal.OnRaceEvent(shown);
  }
  RecoveryPanel unfinished(paths, {dir.File("unfinished")}, messages);
  ASSERT_TRUE(unfinished.Refresh());
  EXPECT_EQ(unfinished.SuggestedIndex(), 1);
}

TEST(RecoveryPanel, TheRacesToExportAreTheRaceThenThoseTheRetimingFinished) {
  Retiming retiming;
  retiming.race = 5;
  EXPECT_EQ(FinishedRaces(retiming), std::vector<int>({5}));  // already "6" before
  // Race 5 finished, races 6 and 8 copied as its combined targets; race 7
  // changed to something else is not finished.
  retiming.statuses = {{5, '0', '6'}, {6, '0', '6'}, {7, '0', '2'}, {8, '\0', '6'}};
  EXPECT_EQ(FinishedRaces(retiming), std::vector<int>({5, 6, 8}));
}

TEST(RecoveryPanel, ABadCaptureIsNamedInTheProblem) {
  TempDir dir;
  dir.MakeDir("capture");
  dir.Write("capture/x.cap", "poolside-capture 1\nnot a line\n");
  PathMapper paths;
  FakeMessages messages;
  RecoveryPanel panel(paths, {dir.File("capture")}, messages);
  EXPECT_FALSE(panel.Refresh());
  EXPECT_NE(panel.Problem().find("x.cap の 2 行目"), std::string::npos) << panel.Problem();
  EXPECT_TRUE(panel.Lines().empty());
}

TEST(RecoveryPanel, EmptyCaptureFilesAreNamedAndTheRaceStillListed) {
  TempDir dir;
  {
    CaptureJournal journal({"v", {}});
    ASSERT_TRUE(journal.Open(dir.File("capture")));
    RaceShown shown;
    shown.race = 4;
    journal.OnRaceEvent(shown);
  }
  dir.Write("capture/20990101-000000.cap", "");  // killed as it was begun
  PathMapper paths;
  FakeMessages messages;
  RecoveryPanel panel(paths, {dir.File("capture")}, messages);
  ASSERT_TRUE(panel.Refresh()) << panel.Problem();
  EXPECT_EQ(panel.Lines().size(), 1u);
  EXPECT_NE(panel.Problem().find("20990101-000000.cap は空か書きかけです"), std::string::npos)
      << panel.Problem();
}

}  // namespace
}  // namespace poolside
