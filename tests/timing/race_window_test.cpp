#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "platform/errors.h"
#include "timing/race_rig.h"

namespace poolside::testing {
namespace {

TEST(RaceHeader, EntriesCountAndRowsTakeTheRaceColour) {
  RaceRig rig(30, {2, 3, 7});
  rig.WriteBook("1");
  rig.Show(1);
  EXPECT_EQ(rig.lblRace.caption, "1");
  EXPECT_EQ(rig.lblPNo.caption, "1");
  EXPECT_EQ(rig.lblKumi.caption, "1  (2 )");
  EXPECT_EQ(rig.lblNin.caption, "3");
  EXPECT_EQ(rig.txtKetugo.text, "1");
  EXPECT_EQ(rig.lblRace.back, kLightCyan);
  for (int lane = 1; lane <= 10; ++lane) {
    const bool entered = lane == 2 || lane == 3 || lane == 7;
    EXPECT_EQ(rig.txtJun[lane - 1].back, entered ? kLightCyan : kFaceColor) << lane;
    EXPECT_EQ(rig.txtKiro[lane - 1].back, entered ? kLightCyan : kFaceColor) << lane;
    EXPECT_EQ(rig.w->LaneTime(lane), 999999);
  }
}

TEST(RaceHeader, StatusCharacterColoursAndBox) {
  RaceRig rig(30, {1});
  rig.WriteBook(std::string("6") + '\0' + " 5");
  rig.Show(1);
  EXPECT_EQ(rig.lblRace.back, kLightRed);
  EXPECT_EQ(rig.txtJun[0].back, kLightRed);
  EXPECT_EQ(rig.txtKetugo.text, "6");
  rig.Show(2);  // NUL: empty box
  EXPECT_EQ(rig.txtKetugo.text, "");
  EXPECT_EQ(rig.lblRace.back, kLightRed);
  rig.Show(3);  // a blank is open but no combined count
  EXPECT_EQ(rig.lblRace.back, kLightRed);
  rig.Show(4);
  EXPECT_EQ(rig.lblRace.back, kLightCyan);
  // Putting races on screen never changed the book.
  EXPECT_EQ(rig.Book().substr(0, 4), std::string("6") + '\0' + " 5");
}

TEST(RaceHeader, RaceZeroShowsAZeroRecordAndWritesNothingOutsideTheBook) {
  RaceRig rig(30, {1, 2});
  rig.WriteBook("1");
  rig.Show(0);
  EXPECT_EQ(rig.lblRace.caption, "0");
  EXPECT_EQ(rig.lblNin.caption, "");
  EXPECT_EQ(rig.txtKetugo.text, "");
  EXPECT_EQ(rig.lblRace.back, kLightRed);
  EXPECT_EQ(rig.Book().substr(0, 2), std::string("1") + '\0');
}

TEST(RaceHeader, LoadReadsTheControlFileAndPicksTheFirstOpenRace) {
  RaceRig rig(30, {1});
  rig.WriteBook("66617");
  rig.tmp.MakeDir("work");
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(rig.tmp.File("work"));
  rig.txtSingo[4].text = "A";
  rig.w->Load();
  std::filesystem::current_path(cwd);
  EXPECT_EQ(rig.w->Book().RaceNo, 4);
  EXPECT_EQ(rig.lblRace.caption, "4");
  EXPECT_EQ(rig.w->LaneMap(), "1234A67890");
  EXPECT_EQ(rig.w->SpareLaneMap(), "1234567890");
  EXPECT_EQ(rig.lblVersion.caption, "Ver 2.17\r2007/06/16\rhttps://poolside.example.org/");
  EXPECT_EQ(rig.txtKiro[0].tip, race_texts::kTimeTip);
  EXPECT_FALSE(rig.w->Receiving());
}

TEST(RaceHeader, LoadMidRaceRestoresTheLanesItsLapFileKept) {
  RaceRig rig;
  rig.WriteBook("66");
  rig.tmp.Write("data/lap/r0003", " 2 ,   28.10,L, 2 ,   58.40,G, 5 ,   30.02,L,");
  rig.tmp.MakeDir("work");
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(rig.tmp.File("work"));
  rig.w->Load();
  std::filesystem::current_path(cwd);
  EXPECT_EQ(rig.w->Book().RaceNo, 3);
  EXPECT_EQ(rig.w->RestoredAtLoad(), 3);
  EXPECT_EQ(rig.w->LapCount(2), 2);
  EXPECT_EQ(rig.w->LaneTime(2), 5840);
  EXPECT_EQ(rig.txtKiro[1].text, "   58.40");
  EXPECT_EQ(rig.w->LapCount(5), 1);
  EXPECT_EQ(rig.w->GoalSeen(), "1");
  EXPECT_FALSE(rig.w->Receiving());
  EXPECT_EQ(rig.Lap(3), " 2 ,   28.10,L, 2 ,   58.40,G, 5 ,   30.02,L,");
}

TEST(RaceHeader, LoadWithoutControlFileFails) {
  RaceRig rig;
  rig.tmp.MakeDir("elsewhere/work");
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(rig.tmp.File("elsewhere/work"));
  EXPECT_THROW(rig.w->Load(), RuntimeError);
  std::filesystem::current_path(cwd);
}

TEST(LaneBoxes, FirstCharacterBecomesTheIdentifier) {
  RaceRig rig;
  rig.txtSingo[4].Type("27");
  EXPECT_EQ(rig.txtSingo[4].text, "2");
  EXPECT_EQ(rig.w->LaneMap(), "1234267890");
  rig.txtSingo[4].Type("");
  EXPECT_EQ(rig.w->LaneMap(), "1234267890");
  rig.txtTSingo[0].Type("Z");
  EXPECT_EQ(rig.w->SpareLaneMap(), "Z234567890");
  EXPECT_EQ(rig.w->LaneMap(), "1234267890");
  // A half-width katakana is one byte of the code page; a kanji is two.
  rig.txtSingo[9].Type("ｱ");
  EXPECT_EQ(rig.w->LaneMap(), "123426789\xb1");
  rig.txtSingo[8].Type("漢");
  EXPECT_EQ(rig.txtSingo[8].text, "漢");
  EXPECT_EQ(rig.w->LaneMap(), "123426789\xb1");
}

class PortControl : public ::testing::Test {
 protected:
  void SetUp() override {
    rig.WriteBook("1111");
    rig.Show(1);
  }
  void ExpectStopped() {
    EXPECT_FALSE(rig.w->Receiving());
    EXPECT_EQ(rig.cmdZushin.caption, race_texts::kStart);
    for (bool on : {rig.cmdShoki.enabled, rig.cmdKakutei.enabled, rig.txtBiko.enabled,
                    rig.txtPort.enabled, rig.txtKetugo.enabled}) {
      EXPECT_TRUE(on);
    }
    EXPECT_FALSE(rig.w->LapFileOpen());
    EXPECT_FALSE(rig.port.IsOpen());
  }
  RaceRig rig;
};

TEST_F(PortControl, StartConfiguresInOrderAndLocksTheRace) {
  rig.txtPort.text = "3";
  rig.Start();
  EXPECT_EQ(rig.cmdZushin.caption, race_texts::kStop);
  EXPECT_EQ(rig.port.calls,
            (std::vector<std::string>{"port 3", "settings 9600,e,7,2", "buffer 1024", "inputlen 16",
                                      "xonxoff", "threshold 15", "open"}));
  for (bool on : {rig.cmdShoki.enabled, rig.cmdKakutei.enabled, rig.txtBiko.enabled,
                  rig.txtPort.enabled, rig.txtKetugo.enabled}) {
    EXPECT_FALSE(on);
  }
  EXPECT_TRUE(rig.w->LapFileOpen());
  EXPECT_TRUE(rig.tmp.Exists("data/lap/r0001"));

  rig.port.calls.clear();
  rig.port.Feed("waiting");
  rig.Start();  // stop
  ExpectStopped();
  EXPECT_EQ(rig.port.calls, (std::vector<std::string>{"close", "discard"}));
  EXPECT_EQ(rig.port.Waiting(), "");
}

TEST_F(PortControl, RestartKeepsTheRaceUnlessTheOperatorStartsItOver) {
  std::vector<std::pair<int, int>> kept;
  std::vector<std::pair<int, int>> emptied;
  rig.w->onLapFileKept = [&](int race, int records) { kept.push_back({race, records}); };
  rig.w->onLapFileStartedOver = [&](int race, int records) { emptied.push_back({race, records}); };
  rig.Start();  // the first start finds no lap file: no question
  EXPECT_TRUE(rig.messages.questions.empty());
  rig.Deliver(ResultLine('3', '1', " 1:02.34", 'L'));
  rig.Deliver(ResultLine('4', '2', " 1:03.00", 'G'));
  rig.Start();  // stop
  rig.Start();  // keep and continue: the default
  ASSERT_EQ(rig.messages.questions.size(), 1u);
  EXPECT_NE(rig.messages.questions[0].find("レース 1 "), std::string::npos);
  EXPECT_NE(rig.messages.questions[0].find("2 件"), std::string::npos);
  EXPECT_TRUE(rig.w->Receiving());
  rig.Deliver(ResultLine('4', '2', " 1:03.00", 'G'));  // repeated: filtered
  rig.Deliver(ResultLine('5', '3', " 1:04.00", 'G'));
  EXPECT_EQ(rig.Lap(1), " 3 , 1:02.34,L, 4 , 1:03.00,G, 5 , 1:04.00,G,");
  EXPECT_EQ(rig.w->LapCount(3), 1);
  EXPECT_EQ(kept, (std::vector<std::pair<int, int>>{{1, 2}}));

  // Cancel leaves reception off and the file as it was.
  rig.Start();
  rig.messages.choices = {2};
  rig.Start();
  EXPECT_FALSE(rig.w->Receiving());
  EXPECT_EQ(rig.port.opens, 2);
  EXPECT_EQ(rig.Lap(1), " 3 , 1:02.34,L, 4 , 1:03.00,G, 5 , 1:04.00,G,");

  // Start over empties the file and the lanes.
  rig.messages.choices = {1};
  rig.Start();
  EXPECT_TRUE(rig.w->Receiving());
  EXPECT_EQ(rig.Lap(1), "");
  EXPECT_EQ(rig.w->LaneTime(4), 999999);
  EXPECT_EQ(rig.txtKiro[3].text, "");
  EXPECT_EQ(emptied, (std::vector<std::pair<int, int>>{{1, 3}}));
}

TEST_F(PortControl, KeptRaceRedrawnOrReloadedIsRestoredFromItsLapFileAndFinishesOnEveryTouch) {
  rig.Start();
  rig.Deliver(ResultLine('3', '1', "   31.06", 'L'));
  rig.Deliver(ResultLine('3', '1', " 1:02.34", 'G'));
  rig.Deliver(ResultLine('4', '2', " 1:03.00", 'G'));
  rig.Start();  // stop
  // A recovery applied to another race draws the race on screen again,
  // which clears the lanes; the start that keeps the file restores them.
  RaceFinished recovered;
  recovered.race = 19;
  rig.w->ShowRecoveredRace(recovered);
  EXPECT_EQ(rig.w->LaneTime(3), 999999);
  rig.Start();
  EXPECT_EQ(rig.w->LapCount(3), 2);
  EXPECT_EQ(rig.txtKiro[2].text, " 1:02.34");
  EXPECT_EQ(rig.txtKiro[3].back, kLightRed);
  rig.Deliver(ClockLine("    0.00"));
  // Lane 3 first (1:02.34), lane 4 second (1:03.00).
  EXPECT_NE(rig.Goal(1).find(" 1 , 10234 , 2 , 10300 ,"), std::string::npos) << rig.Goal(1);
  EXPECT_EQ(rig.Lap(1), " 3 ,   31.06,L, 3 , 1:02.34,G, 4 , 1:03.00,G,");
}

TEST_F(PortControl, PortNumberIsRounded) {
  rig.txtPort.text = " 2.5abc";
  rig.Start();
  EXPECT_EQ(rig.port.PortNumber(), 2);
  rig.Start();
  rig.txtPort.text = "3.5";
  rig.Start();
  EXPECT_EQ(rig.port.PortNumber(), 4);
}

TEST_F(PortControl, InvalidPortNumberGoesBackToStopped) {
  for (const char* text : {"abc", "0", "-2", "99999", ""}) {
    rig.messages.messages.clear();
    rig.txtPort.text = text;
    rig.Start();
    ExpectStopped();
    ASSERT_EQ(rig.messages.messages.size(), 1u) << text;
    EXPECT_NE(rig.messages.messages[0].find(std::string("\"") + text + "\""), std::string::npos);
    EXPECT_EQ(rig.port.opens, 0);
  }
}

TEST_F(PortControl, PortThatCannotBeOpenedGoesBackToStopped) {
  rig.txtPort.text = "7";
  rig.port.failOpen = true;
  rig.Start();
  ExpectStopped();
  ASSERT_EQ(rig.messages.messages.size(), 1u);
  EXPECT_NE(rig.messages.messages[0].find("COM7"), std::string::npos);
  rig.port.failOpen = false;
  rig.Start();
  EXPECT_TRUE(rig.w->Receiving());
}

TEST_F(PortControl, AStartThatFailsLeavesTheRaceLapFileAsItWas) {
  rig.tmp.Write("data/lap/r0001", " 3 , 1:02.34,L,");
  rig.port.failOpen = true;
  rig.Start();
  rig.txtPort.text = "0";
  rig.Start();
  ExpectStopped();
  EXPECT_EQ(rig.messages.messages.size(), 2u);
  EXPECT_EQ(rig.Lap(1), " 3 , 1:02.34,L,");
  EXPECT_FALSE(rig.w->LapFileOpen());
  // A start that succeeds keeps the race's touches and appends.
  rig.txtPort.text = "1";
  rig.port.failOpen = false;
  rig.Start();
  EXPECT_TRUE(rig.w->LapFileOpen());
  EXPECT_EQ(rig.Lap(1), " 3 , 1:02.34,L,");
  EXPECT_EQ(rig.w->LaneTime(3), 10234);
}

TEST_F(PortControl, VanishedPortWarnsStaysReceivingAndReopens) {
  rig.Start();
  rig.Deliver(ResultLine('3', '1', " 1:02.34", 'L'));
  rig.port.Vanish();
  rig.port.failOpen = true;
  rig.port.onError("COM1 (/dev/ttyUSB0): device removed");
  ASSERT_EQ(rig.messages.warnings.size(), 1u);
  EXPECT_NE(rig.messages.warnings[0].find("COM1"), std::string::npos);
  EXPECT_TRUE(rig.messages.messages.empty());
  EXPECT_TRUE(rig.w->Receiving());
  EXPECT_TRUE(rig.w->LapFileOpen());
  ASSERT_EQ(rig.host.delayed.size(), 1u);
  EXPECT_EQ(rig.host.delayed[0].first, 1000);
  // A second error while a reopen is pending warns no more.
  rig.port.onError("COM1 (/dev/ttyUSB0): device removed");
  EXPECT_EQ(rig.messages.warnings.size(), 1u);
  EXPECT_EQ(rig.host.delayed.size(), 1u);

  rig.host.RunDelayed();  // still missing: tries again later
  EXPECT_FALSE(rig.port.IsOpen());
  ASSERT_EQ(rig.host.delayed.size(), 1u);
  rig.port.failOpen = false;
  rig.host.RunDelayed();
  EXPECT_TRUE(rig.port.IsOpen());
  EXPECT_TRUE(rig.host.delayed.empty());
  // The reconnection is told in lblLink and the journal, not in a box.
  EXPECT_EQ(rig.messages.warnings.size(), 1u);

  // Gone again before a single block came: still the same outage.
  rig.port.Vanish();
  rig.port.onError("COM1 (/dev/ttyUSB0): device removed");
  EXPECT_EQ(rig.messages.warnings.size(), 1u);
  rig.host.RunDelayed();
  EXPECT_TRUE(rig.port.IsOpen());

  // The laps logged before the loss are kept and logging goes on.
  rig.Deliver(ResultLine('4', '1', " 1:03.00", 'L'));
  EXPECT_EQ(rig.Lap(1), " 3 , 1:02.34,L, 4 , 1:03.00,L,");
  // Data came: a later loss is a new outage with a box of its own.
  rig.port.Vanish();
  rig.port.onError("COM1 (/dev/ttyUSB0): device removed");
  EXPECT_EQ(rig.messages.warnings.size(), 2u);
  EXPECT_TRUE(rig.messages.messages.empty());
}

TEST_F(PortControl, ReopenAfterStopDoesNothing) {
  rig.Start();
  rig.port.Vanish();
  rig.port.onError("COM1: gone");
  rig.Start();  // stop
  const int opens = rig.port.opens;
  rig.host.RunDelayed();
  EXPECT_EQ(rig.port.opens, opens);
  EXPECT_FALSE(rig.port.IsOpen());
  EXPECT_TRUE(rig.host.delayed.empty());
}

TEST_F(PortControl, FailedReopenInTheResyncRetriesLikeAVanishedPort) {
  rig.Start();
  rig.port.failOpen = true;
  rig.Deliver("garbage block!!!");
  EXPECT_TRUE(rig.w->Receiving());
  EXPECT_EQ(rig.messages.warnings.size(), 1u);
  EXPECT_TRUE(rig.messages.errors.empty());
  EXPECT_EQ(rig.host.delayed.size(), 1u);
  rig.port.failOpen = false;
  rig.host.RunDelayed();
  EXPECT_TRUE(rig.port.IsOpen());
}

TEST_F(PortControl, UnloadClosesEverythingAndEndsTheProgram) {
  rig.Start();
  rig.w->Unload();
  EXPECT_FALSE(rig.w->LapFileOpen());
  EXPECT_FALSE(rig.port.IsOpen());
  EXPECT_TRUE(rig.host.ended);
  EXPECT_EQ(rig.host.endStatus, 0);
}

class ManualEntry : public ::testing::Test {
 protected:
  void SetUp() override {
    rig.WriteBook("1");
    rig.Show(1);
  }
  // Types `text` into lane's box, puts the caret, presses Enter.
  void Enter(int lane, const std::string& text, int caret = -1) {
    FakeTextBox& box = rig.txtKiro[lane - 1];
    box.Type(text);
    if (caret >= 0) box.caret = caret;
    rig.w->OnTimeBoxKeyDown(lane, kKeyEnter);
  }
  RaceRig rig;
};

TEST_F(ManualEntry, StoresTimesAndCodes) {
  struct Case {
    const char* typed;
    std::int32_t stored;
    const char* shown;
  };
  const Case cases[] = {
      {"10234", 10234, " 1:02.34"},
      {"3", 700003, "折返"},
      {"1", 700001, "ｽﾀｰﾄ"},
      {"7", 700007, "途中"},
      {"8", 888888, "棄権"},
      {"9", 999999, "99:99.99"},
      {"0", 0, ""},
      {"1:0234", 700001, "ｽﾀｰﾄ"},
      {"5999", 5999, "   59.99"},
      {"12.5", 12, "     .12"},
      {"13.5", 14, "     .14"},
      {"abc", 0, ""},
  };
  for (const Case& c : cases) {
    Enter(4, c.typed);
    EXPECT_EQ(rig.w->LaneTime(4), c.stored) << c.typed;
    EXPECT_EQ(rig.txtKiro[3].text, c.shown) << c.typed;
    EXPECT_TRUE(rig.txtKiro[4].HasFocus()) << c.typed;
  }
  EXPECT_EQ(rig.w->LapCount(4), 0);
  EXPECT_EQ(rig.txtJun[3].text, "");
}

TEST_F(ManualEntry, OnlyTheTextLeftOfTheCaretCounts) {
  Enter(2, "10234", 2);
  EXPECT_EQ(rig.w->LaneTime(2), 10);
}

TEST_F(ManualEntry, TooLongNegativeAndOversizedEntriesAreRejected) {
  for (const char* typed : {"1234567", "-5", "-0.5", "9E99", "1E10"}) {
    rig.TypeTime(6, 5999);
    Enter(6, typed);
    EXPECT_EQ(rig.w->LaneTime(6), 5999) << typed;
    EXPECT_EQ(rig.txtKiro[5].text, "") << typed;
  }
}

TEST_F(ManualEntry, ArrowsMoveBetweenLanesAndEnterInAnEmptyBoxDoesNothing) {
  ClearFocus();
  rig.w->OnTimeBoxKeyDown(1, kKeyUp);
  EXPECT_EQ(FocusedControl(), nullptr);
  rig.w->OnTimeBoxKeyDown(10, kKeyDown);
  EXPECT_EQ(FocusedControl(), nullptr);
  rig.w->OnTimeBoxKeyDown(5, kKeyUp);
  EXPECT_TRUE(rig.txtKiro[3].HasFocus());
  rig.w->OnTimeBoxKeyDown(5, kKeyDown);
  EXPECT_TRUE(rig.txtKiro[5].HasFocus());
  ClearFocus();
  Enter(10, "10234");
  EXPECT_EQ(rig.w->LaneTime(10), 10234);
  EXPECT_EQ(FocusedControl(), nullptr);
  rig.TypeTime(3, 5999);
  ClearFocus();
  Enter(3, "");
  EXPECT_EQ(rig.w->LaneTime(3), 5999);
  EXPECT_EQ(FocusedControl(), nullptr);
}

TEST_F(ManualEntry, FullWidthInputReadsAsItsHalfWidthTwin) {
  struct Case {
    const char* typed;
    std::int32_t stored;
  };
  const Case cases[] = {
      {"１０２３４", 10234}, {"　５９９９", 5999},     {"１２．５", 12},        {"３", 700003},
      {"８", 888888},        {"１：０２３４", 700001}, {"＋１０２３４", 10234}, {"１Ｅ３", 1000},
      {"＆Ｈ１０", 16},      {"1０2３4", 10234},
  };
  for (const Case& c : cases) {
    Enter(4, c.typed);
    EXPECT_EQ(rig.w->LaneTime(4), c.stored) << c.typed;
  }
  // A full-width minus is a minus: rejected like "-5".
  rig.TypeTime(4, 5999);
  Enter(4, "－５");
  EXPECT_EQ(rig.w->LaneTime(4), 5999);
  // The caret counts characters, full-width or not.
  Enter(2, "１０２３４", 2);
  EXPECT_EQ(rig.w->LaneTime(2), 10);
}

TEST_F(ManualEntry, ARaceChangeWithUnfinishedTypedEntriesAsksNamingTheLanes) {
  // Nothing typed: no question.
  rig.w->OnRaceSelectKeyDown(kKeyDown);
  EXPECT_TRUE(rig.messages.questions.empty());
  EXPECT_EQ(rig.w->Book().RaceNo, 2);

  Enter(3, "10234");
  Enter(5, "3");
  Enter(6, "9");  // no time: what the cleared lane holds anyway
  EXPECT_EQ(rig.w->UnfinishedTypedLanes(), (std::vector<int>{3, 5}));
  rig.messages.answers = {false};
  rig.w->OnRaceSelectKeyDown(kKeyDown);
  ASSERT_EQ(rig.messages.questions.size(), 1u);
  EXPECT_NE(rig.messages.questions[0].find("レース 2 の 3・5 コース"), std::string::npos)
      << rig.messages.questions[0];
  EXPECT_EQ(rig.w->Book().RaceNo, 2);
  EXPECT_EQ(rig.w->LaneTime(3), 10234);
  EXPECT_EQ(rig.txtKiro[4].text, "折返");

  // Typing in the selection box, or Enter without a point, puts no race on
  // screen: no question.
  rig.w->OnRaceSelectKeyDown('1');
  rig.txtBiko.Type("7");
  rig.w->OnRaceSelectKeyDown(kKeyEnter);
  EXPECT_EQ(rig.messages.questions.size(), 1u);

  rig.messages.answers = {false};
  rig.txtBiko.Type("7.1");
  rig.w->OnRaceSelectKeyDown(kKeyEnter);
  EXPECT_EQ(rig.messages.questions.size(), 2u);
  EXPECT_EQ(rig.w->Book().RaceNo, 2);
  EXPECT_EQ(rig.w->LaneTime(5), 700003);

  // OK goes on as without the question.
  rig.w->OnRaceSelectKeyDown(kKeyUp);
  EXPECT_EQ(rig.messages.questions.size(), 3u);
  EXPECT_EQ(rig.w->Book().RaceNo, 1);
  EXPECT_EQ(rig.w->LaneTime(3), 999999);
  EXPECT_TRUE(rig.w->UnfinishedTypedLanes().empty());
}

TEST_F(ManualEntry, AFinishedOrOverwrittenEntryIsNotAskedAbout) {
  rig.Start();
  Enter(3, "10234");
  // The console's result for lane 3 replaces the typed value.
  rig.Deliver(ResultLine('3', '1', " 1:05.00", 'G'));
  EXPECT_TRUE(rig.w->UnfinishedTypedLanes().empty());
  Enter(4, "10500");
  EXPECT_EQ(rig.w->UnfinishedTypedLanes(), std::vector<int>{4});
  rig.Deliver(ClockLine("    0.00"));  // the finish writes it to the goal file
  EXPECT_EQ(rig.w->Book().RaceNo, 2);
  EXPECT_TRUE(rig.w->UnfinishedTypedLanes().empty());
  EXPECT_TRUE(rig.messages.questions.empty());
}

}  // namespace
}  // namespace poolside::testing
