#include "racebook/navigation.h"

#include <gtest/gtest.h>

#include "platform/errors.h"
#include "racebook/fake_race_screen.h"

namespace poolside {
namespace {

using testing::FakeRaceScreen;

class NavigationTest : public ::testing::Test {
 protected:
  // Races 1..19 are program 1..19 (one heat each), program 12 is swum in
  // three heats as races 20 to 22, race 23 repeats program 12 heat 2.
  void WriteProgramTwelveMeet() {
    std::vector<std::tuple<int, int, int>> races;
    for (int p = 1; p <= 19; ++p) races.emplace_back(p == 12 ? 99 : p, 1, 1);
    for (int h = 1; h <= 3; ++h) races.emplace_back(12, h, 3);
    races.emplace_back(12, 2, 3);
    s.WriteMeet(races);
  }
  void Enter(const std::string& text) {
    s.biko.text = text;
    s.biko.caret = static_cast<int>(Utf8Length(text));
    SelectRace(s);
  }

  FakeRaceScreen s;
};

TEST_F(NavigationTest, PrevRaceStopsAtOneWithItsMessage) {
  s.meet.CompetitionCount = 30;
  s.book.RaceNo = 5;
  PrevRace(s);
  EXPECT_EQ(s.book.RaceNo, 4);
  EXPECT_TRUE(s.messages.messages.empty());
  EXPECT_EQ(s.headers, 1);

  s.book.RaceNo = 1;
  PrevRace(s);
  EXPECT_EQ(s.book.RaceNo, 1);
  ASSERT_EQ(s.messages.messages.size(), 1u);
  EXPECT_EQ(s.messages.messages[0], "１より小さいレコードはありません。");
  EXPECT_EQ(s.headers, 2);  // the unchanged race is redrawn
}

TEST_F(NavigationTest, NextRaceStopsOnlyAtTheCountItself) {
  s.meet.CompetitionCount = 120;
  s.book.RaceNo = 120;
  NextRace(s);
  EXPECT_EQ(s.book.RaceNo, 120);
  ASSERT_EQ(s.messages.messages.size(), 1u);
  EXPECT_EQ(s.messages.messages[0], " 120より大きいデータはありません。");
  EXPECT_EQ(s.headers, 1);

  // Beyond the count the test for equality never stops it.
  s.book.RaceNo = 121;
  NextRace(s);
  EXPECT_EQ(s.book.RaceNo, 122);
  EXPECT_EQ(s.messages.messages.size(), 1u);
}

TEST_F(NavigationTest, SteppingPastTheBookShowsAnEmptyStatusAndWritesNothingOutsideIt) {
  s.meet.CompetitionCount = 2000;
  s.WriteBook(std::string(kBookLength, '6'));
  s.book.RaceNo = 1024;
  s.ShowRaceHeader();
  EXPECT_EQ(s.ketugo.text, "6");
  NextRace(s);
  EXPECT_EQ(s.book.RaceNo, 1025);
  EXPECT_EQ(s.ketugo.text, "");
  EXPECT_EQ(s.book.RaceStat, "");
  EXPECT_EQ(s.BookFile(), std::string(kBookLength, '6'));
  // Stepping back into the book shows the stored character again.
  PrevRace(s);
  EXPECT_EQ(s.ketugo.text, "6");
  EXPECT_EQ(s.BookFile(), std::string(kBookLength, '6'));
}

TEST_F(NavigationTest, RaceNumberNeverLeavesItsSixteenBitRange) {
  s.meet.CompetitionCount = 10;
  s.book.RaceNo = 32767;
  EXPECT_THROW(NextRace(s), OverflowError);
  EXPECT_EQ(s.book.RaceNo, 32767);
  s.book.RaceNo = -32768;
  EXPECT_THROW(PrevRace(s), OverflowError);
  EXPECT_EQ(s.book.RaceNo, -32768);
}

TEST_F(NavigationTest, SelectRaceByProgramAndHeat) {
  WriteProgramTwelveMeet();
  s.book.RaceNo = 1;
  Enter("12.2");
  EXPECT_EQ(s.book.RaceNo, 21);
  EXPECT_EQ(s.biko.text, "");
  EXPECT_EQ(s.headers, 1);
  EXPECT_EQ(s.meet.RaceHeat.HeatNo, 2);

  Enter("12.9");  // heat lowered to the heat count, 3
  EXPECT_EQ(s.book.RaceNo, 22);
  Enter(" 7 . 1 ");  // blanks around the numbers
  EXPECT_EQ(s.book.RaceNo, 7);
  Enter("12.1.5");  // the heat is 1.5, rounded half to even: 2
  EXPECT_EQ(s.book.RaceNo, 21);
}

TEST_F(NavigationTest, EntriesThatMatchNothingOnlyRedrawTheRace) {
  WriteProgramTwelveMeet();
  s.book.RaceNo = 3;
  for (const char* entry : {"12.", "12.0", "12.-1", "55.1", ".1", "abc.def"}) {
    const int before = s.headers;
    Enter(entry);
    EXPECT_EQ(s.book.RaceNo, 3) << entry;
    EXPECT_EQ(s.headers, before + 1) << entry;
    EXPECT_EQ(s.biko.text, "") << entry;
  }
  EXPECT_TRUE(s.messages.messages.empty());
}

TEST_F(NavigationTest, EntriesWithoutAPointOrOutOfRangeAreDropped) {
  WriteProgramTwelveMeet();
  s.book.RaceNo = 3;
  for (const char* entry : {"12", "", "40000.1", "12.99999", "-1e10.1", "12.1e300"}) {
    Enter(entry);
    EXPECT_EQ(s.book.RaceNo, 3) << entry;
    EXPECT_EQ(s.biko.text, "") << entry;
  }
  EXPECT_EQ(s.headers, 0);
}

TEST_F(NavigationTest, TheTextAfterTheCaretIsIgnored) {
  WriteProgramTwelveMeet();
  s.book.RaceNo = 3;
  s.biko.text = "5.1";
  s.biko.caret = 2;  // in front of the 1
  SelectRace(s);
  EXPECT_EQ(s.book.RaceNo, 3);
  EXPECT_EQ(s.headers, 1);

  s.biko.text = "12.2xyz.9";
  s.biko.caret = 4;
  SelectRace(s);
  EXPECT_EQ(s.book.RaceNo, 21);

  s.biko.text = "１２.2";  // the caret counts characters, not bytes
  s.biko.caret = 1;
  SelectRace(s);
  EXPECT_EQ(s.book.RaceNo, 21);
  EXPECT_EQ(s.biko.text, "");
}

TEST_F(NavigationTest, TheFirstMatchWinsAndALoweredHeatStaysLowered) {
  WriteProgramTwelveMeet();
  Enter("12.2");
  EXPECT_EQ(s.book.RaceNo, 21);  // not 23, which repeats program 12 heat 2

  // Program 3: a first competition with two heats, then one that says five.
  s.WriteMeet({{3, 1, 2}, {3, 5, 5}, {4, 1, 1}});
  s.book.RaceNo = 3;
  Enter("3.5");  // lowered to 2 by the first, then never equal to 5
  EXPECT_EQ(s.book.RaceNo, 3);
}

TEST_F(NavigationTest, KeysOfTheSelectionBox) {
  s.meet.CompetitionCount = 10;
  s.book.RaceNo = 5;
  OnRaceSelectKeyDown(s, kKeyUp);
  EXPECT_EQ(s.book.RaceNo, 4);
  OnRaceSelectKeyDown(s, kKeyDown);
  OnRaceSelectKeyDown(s, kKeyDown);
  EXPECT_EQ(s.book.RaceNo, 6);
  s.biko.text = "1";
  OnRaceSelectKeyDown(s, kKeyLeft);
  OnRaceSelectKeyDown(s, 'A');
  EXPECT_EQ(s.biko.text, "1");
  EXPECT_EQ(s.headers, 3);
  OnRaceSelectKeyDown(s, kKeyEnter);
  EXPECT_EQ(s.biko.text, "");
  EXPECT_EQ(s.book.RaceNo, 6);
}

TEST_F(NavigationTest, ARaceShownByNumberIsDrawnAndAnImpossibleOneChangesNothing) {
  s.meet.CompetitionCount = 30;
  s.book.RaceNo = 5;
  EXPECT_TRUE(ShowRaceNumber(s, 12));
  EXPECT_EQ(s.book.RaceNo, 12);
  EXPECT_EQ(s.headers, 1);
  // Beyond the meet's count is allowed, as the arrows keep going there.
  EXPECT_TRUE(ShowRaceNumber(s, 40));
  EXPECT_EQ(s.book.RaceNo, 40);
  EXPECT_FALSE(ShowRaceNumber(s, 0));
  EXPECT_FALSE(ShowRaceNumber(s, 40000));
  EXPECT_EQ(s.book.RaceNo, 40);
  EXPECT_EQ(s.headers, 2);
}

}  // namespace
}  // namespace poolside
