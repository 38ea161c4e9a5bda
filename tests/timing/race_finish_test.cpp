#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "platform/os_calls.h"

#include "timing/race_rig.h"

namespace poolside::testing {
namespace {

class Finish : public ::testing::Test {
 protected:
  void Times(const std::vector<std::int32_t>& times) {
    for (int lane = 1; lane <= 10; ++lane) {
      rig.TypeTime(lane, lane <= static_cast<int>(times.size()) ? times[lane - 1] : 999999);
    }
  }
  RaceRig rig;
};

TEST_F(Finish, RanksTiesAndStatusValuesInTheGoalFile) {
  rig.WriteBook("1111");
  rig.Show(1);
  Times({5999, 10234, 5999});
  rig.w->FinishRace();
  EXPECT_EQ(rig.Goal(1), GoalText({{1, 5999},
                                   {3, 10234},
                                   {1, 5999},
                                   {0, 888888},
                                   {0, 888888},
                                   {0, 888888},
                                   {0, 888888},
                                   {0, 888888},
                                   {0, 888888},
                                   {0, 888888}}));

  rig.Show(1);
  Times({5000, 5100, 5100, 5200, 700003, 0, 888888, 666666, 666667, 777778});
  rig.w->FinishRace();
  // A lane whose time is 0 keeps rank 0 but still takes the first place.
  EXPECT_EQ(rig.Goal(1), GoalText({{2, 5000},
                                   {3, 5100},
                                   {3, 5100},
                                   {5, 5200},
                                   {0, 700003},
                                   {0, 0},
                                   {0, 888888},
                                   {6, 666666},
                                   {0, 666667},
                                   {0, 888888}}));

  rig.Show(1);
  Times({6000, 5000, 5000, 7000});
  rig.w->FinishRace();
  EXPECT_EQ(rig.Goal(1).substr(0, 44), GoalText({{3, 6000}, {1, 5000}, {1, 5000}, {4, 7000}}));
}

// Keeps the RaceFinished events of a feed.
struct FinishedEvents : RaceListener {
  std::vector<RaceFinished> seen;
  void OnRaceEvent(const RaceEvent& e) override {
    if (const auto* f = std::get_if<RaceFinished>(&e)) seen.push_back(*f);
  }
};

TEST_F(Finish, ALaneThatEndsOnALapIsNotRankedOnItButFlagged) {
  FinishedEvents events;
  rig.w->Feed().Attach(events);
  rig.WriteBook("1111");
  rig.Show(1);
  rig.Start();
  rig.Deliver(ResultLine('1', '1', "   30.00", 'L'));
  rig.Deliver(ResultLine('2', '2', "   31.00", 'L'));  // never finishes
  rig.Deliver(ResultLine('3', '3', "   32.00", 'L'));  // its finish is typed
  rig.Deliver(ResultLine('4', '4', "   33.00", 'L'));
  rig.Deliver(ResultLine('4', '4', " 1:04.00", 'L'));  // two laps, no finish
  rig.Deliver(ResultLine('1', '1', " 1:05.00", 'G'));
  rig.TypeTime(3, 5000);
  rig.TypeTime(5, 8);
  EXPECT_TRUE(rig.messages.warnings.empty());
  rig.Deliver(ClockLine("    0.00"));

  // Lanes 2 and 4 are written as lanes without a time, not ranked 2nd and 3rd.
  EXPECT_EQ(rig.Goal(1), GoalText({{2, 10500},
                                   {0, 888888},
                                   {1, 5000},
                                   {0, 888888},
                                   {0, 888888},
                                   {0, 888888},
                                   {0, 888888},
                                   {0, 888888},
                                   {0, 888888},
                                   {0, 888888}}));
  ASSERT_EQ(rig.messages.warnings.size(), 1u);
  EXPECT_NE(rig.messages.warnings[0].find("レース 1: 2・4 コースはゴールが検出されませんでした"),
            std::string::npos)
      << rig.messages.warnings[0];
  ASSERT_EQ(events.seen.size(), 1u);
  const RaceFinished& f = events.seen[0];
  const std::array<bool, 10> noFinish{false, true, false, true};
  const std::array<bool, 10> withdrawn{false, false, false, false, true};
  EXPECT_EQ(f.noFinish, noFinish);
  EXPECT_EQ(f.withdrawn, withdrawn);
  // The lap file keeps every touch as the console sent it.
  EXPECT_EQ(rig.Lap(1).size(), 6u * 15u);

  // A race where every lane finished gives no notice.
  rig.Deliver(ResultLine('1', '1', "   59.00", 'G'));
  rig.Deliver(ClockLine("    0.00"));
  EXPECT_EQ(rig.messages.warnings.size(), 1u);
  EXPECT_EQ(rig.Goal(2).substr(0, 11), " 1 , 5900 ,");
}

TEST_F(Finish, MarksTheRaceDoneAndMovesToTheNextOpenRace) {
  rig.WriteBook(
      "1678\x39"
      "1");
  rig.Show(1);
  rig.w->openLap();
  rig.w->FinishRace();
  std::string expected(1024, '\0');
  expected.replace(0, 6,
                   "6678\x39"
                   "1");
  EXPECT_EQ(rig.Book(), expected);
  EXPECT_EQ(rig.w->Book().RaceNo, 6);
  EXPECT_EQ(rig.lblRace.caption, "6");
  EXPECT_EQ(rig.lblRace.back, kLightCyan);
  EXPECT_TRUE(rig.w->LapFileOpen());
  EXPECT_TRUE(rig.tmp.Exists("data/lap/r0006"));
}

TEST_F(Finish, CombinedRaceCopiesGoalAndLapToTheFollowingRaces) {
  rig.WriteBook("3111111");
  rig.Show(1);
  rig.Start();
  rig.Deliver(ResultLine('3', '1', " 1:02.34", 'L'));
  rig.Deliver(ResultLine('3', '1', " 2:05.00", 'G'));
  rig.Deliver(ClockLine("    0.00"));
  const std::string goal = rig.Goal(1);
  EXPECT_EQ(goal.substr(0, 16), " 0 , 888888 , 0 ");
  // The copies are the comma-separated fields without their blanks.
  std::string goalCopy;
  for (int lane = 1; lane <= 10; ++lane) goalCopy += lane == 3 ? "1,20500," : "0,888888,";
  EXPECT_EQ(rig.Goal(2), goalCopy);
  EXPECT_EQ(rig.Goal(3), goalCopy);
  EXPECT_FALSE(rig.HasGoal(4));
  EXPECT_EQ(rig.Lap(1), " 3 , 1:02.34,L, 3 , 2:05.00,G,");
  EXPECT_EQ(rig.Lap(2), "3,1:02.34,L,3,2:05.00,G,");
  EXPECT_EQ(rig.Lap(3), "3,1:02.34,L,3,2:05.00,G,");
  EXPECT_EQ(rig.Book().substr(0, 5), "66611");
  EXPECT_EQ(rig.Book().size(), 1024u);
  EXPECT_EQ(rig.w->Book().RaceNo, 4);
}

TEST_F(Finish, BeyondTheBookTheGoalIsWrittenAndNoPositionTouched) {
  rig.WriteBook(std::string(1024, '6'));
  rig.Show(1025);
  EXPECT_EQ(rig.txtKetugo.text, "");
  EXPECT_EQ(rig.lblRace.back, kLightRed);
  EXPECT_EQ(rig.lblPNo.caption, "0");
  EXPECT_EQ(rig.lblNin.caption, "");
  rig.TypeTime(1, 5999);
  rig.w->FinishRace();
  EXPECT_EQ(rig.Goal(1025).substr(0, 16), " 1 , 5999 , 0 , ");
  EXPECT_EQ(rig.Book(), std::string(1024, '6'));
  EXPECT_EQ(rig.w->Book().RaceNo, 1026);
  EXPECT_TRUE(rig.tmp.Exists("data/lap/r1026"));
}

TEST_F(Finish, AdvanceRunsPastTheLastRaceWhenAllAreDone) {
  std::string book(1024, '6');
  book[1021] = '1';  // race 1022
  rig.WriteBook(book);
  rig.Show(1022);
  rig.w->FinishRace();
  EXPECT_EQ(rig.w->Book().RaceNo, 1025);
  EXPECT_EQ(rig.w->Book().RaceStat, "");
  EXPECT_EQ(rig.lblRace.back, kLightRed);
}

TEST_F(Finish, CombinedCopiesStopAtTheLastRaceOfTheBook) {
  std::string book(1024, '6');
  book[1022] = '5';  // race 1023, combined with four more
  rig.WriteBook(book);
  rig.Show(1023);
  rig.w->openLap();
  rig.w->FinishRace();
  EXPECT_TRUE(rig.HasGoal(1024));
  EXPECT_FALSE(rig.HasGoal(1025));
  EXPECT_FALSE(rig.tmp.Exists("data/lap/r1026"));
  EXPECT_EQ(rig.Book(), std::string(1024, '6'));
  EXPECT_EQ(rig.w->Book().RaceNo, 1025);
}

TEST_F(Finish, MissingGoalFolderLeavesTheRaceCurrentAndReportsAfterTheNotification) {
  rig.WriteBook("1111");
  rig.Show(1);
  rig.Start();
  std::filesystem::remove_all(rig.tmp.File("data/goal"));
  rig.Deliver(ResultLine('3', '1', " 1:02.34", 'G'));
  rig.Deliver(ClockLine("    0.00"));
  EXPECT_TRUE(rig.messages.messages.empty());
  EXPECT_EQ(rig.w->Book().RaceNo, 1);
  EXPECT_EQ(rig.Book()[0], '1');
  EXPECT_TRUE(rig.w->LapFileOpen());
  EXPECT_TRUE(rig.w->Receiving());
  EXPECT_EQ(rig.w->GoalSeen(), "0");  // the repeated zero clock does not retry
  rig.host.RunPosted();
  ASSERT_EQ(rig.messages.messages.size(), 1u);
  EXPECT_NE(rig.messages.messages[0].find("g0001"), std::string::npos);

  // Mended: the confirm path finishes it.
  rig.tmp.MakeDir("data/goal");
  rig.w->FinishRace();
  EXPECT_TRUE(rig.HasGoal(1));
  EXPECT_EQ(rig.Book()[0], '6');
  EXPECT_EQ(rig.w->Book().RaceNo, 2);
  // The lap record logged before the failure is still there.
  EXPECT_EQ(rig.Lap(1), " 3 , 1:02.34,G,");
}

TEST_F(Finish, MissingLapFolderGivesOneMessageAndReceptionGoesOn) {
  rig.WriteBook("1111");
  rig.Show(1);
  std::filesystem::remove_all(rig.tmp.File("data/lap"));
  rig.Start();
  ASSERT_EQ(rig.messages.messages.size(), 1u);
  EXPECT_NE(rig.messages.messages[0].find("r0001"), std::string::npos);
  EXPECT_TRUE(rig.w->Receiving());
  EXPECT_FALSE(rig.w->LapFileOpen());
  rig.Deliver(ResultLine('3', '1', " 1:02.34", 'L'));
  rig.Deliver(ResultLine('4', '1', " 1:02.34", 'G'));
  rig.host.RunPosted();
  EXPECT_EQ(rig.messages.messages.size(), 1u);
  EXPECT_EQ(rig.w->LapCount(3), 1);
  EXPECT_FALSE(rig.tmp.Exists("data/lap"));
}

TEST_F(Finish, FullDiskWhileLoggingGivesOneMessageAfterTheNotification) {
  rig.WriteBook("1111");
  rig.Show(1);
  rig.Start();
  rig.Deliver(ResultLine('3', '1', " 1:02.34", 'L'));
  Os().write = [](int, const void*, size_t) -> ssize_t {
    errno = ENOSPC;
    return -1;
  };
  rig.Deliver(ResultLine('4', '1', " 1:03.00", 'L'));
  rig.Deliver(ResultLine('5', '1', " 1:04.00", 'L'));
  Os().write = RealOs().write;
  EXPECT_TRUE(rig.messages.messages.empty());
  rig.host.RunPosted();
  ASSERT_EQ(rig.messages.messages.size(), 1u);
  EXPECT_NE(rig.messages.messages[0].find("r0001"), std::string::npos);
  EXPECT_FALSE(rig.w->LapFileOpen());
  EXPECT_EQ(rig.w->LapCount(5), 1);
  EXPECT_EQ(rig.Lap(1), " 3 , 1:02.34,L,");
}

// Refuses to put a new book in place, as a read-only data folder does to
// the rename (the goal folder stays writable).
int RefuseBookRename(const char* from, const char* to) {
  const std::string target(to);
  if (target.size() >= 8 && target.compare(target.size() - 8, 8, "Race.dat") == 0) {
    errno = EACCES;
    return -1;
  }
  return RealOs().rename(from, to);
}

TEST_F(Finish, ABookThatCannotBeSavedSaysTheRaceIsNotDoneAndConfirmFinishesItLater) {
  rig.WriteBook("1111");
  rig.Show(1);
  rig.Start();
  rig.Deliver(ResultLine('3', '1', " 1:02.34", 'G'));
  Os().rename = RefuseBookRename;
  rig.Deliver(ClockLine("    0.00"));
  Os().rename = RealOs().rename;
  rig.host.RunPosted();
  ASSERT_EQ(rig.messages.messages.size(), 1u);
  const std::string& text = rig.messages.messages[0];
  EXPECT_NE(text.find("Race.dat"), std::string::npos) << text;
  EXPECT_NE(text.find("g0001"), std::string::npos) << text;
  EXPECT_NE(text.find("終了済みになっていません"), std::string::npos) << text;
  EXPECT_NE(text.find("確定"), std::string::npos) << text;
  EXPECT_TRUE(rig.messages.errors.empty());
  EXPECT_TRUE(rig.HasGoal(1));
  EXPECT_EQ(rig.Book()[0], '1');
  EXPECT_EQ(rig.w->BookState().RaceBook[0], '1');
  EXPECT_EQ(rig.w->Book().RaceNo, 1);
  EXPECT_TRUE(rig.w->LapFileOpen());

  // Once the folder takes the book again, the confirm button finishes it.
  rig.w->OnStartStopClick();
  rig.w->OnKakuteiClick();
  EXPECT_EQ(rig.Book()[0], '6');
  EXPECT_EQ(rig.w->Book().RaceNo, 2);
  EXPECT_EQ(rig.Lap(1), " 3 , 1:02.34,G,");
}

}  // namespace
}  // namespace poolside::testing
