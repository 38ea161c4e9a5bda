#include "racebook/status_entry.h"

#include <gtest/gtest.h>

#include "racebook/fake_race_screen.h"
#include "racebook/navigation.h"

namespace poolside {
namespace {

using testing::FakeRaceScreen;

class StatusEntryTest : public ::testing::Test {
 protected:
  StatusEntryTest() {
    s.meet.CompetitionCount = 10;
    s.WriteBook("1111111111");
    s.book.RaceNo = 3;
    s.ShowRaceHeader();
    s.headers = 0;
  }
  std::string BookWith(int race, char c) const {
    std::string b = std::string("1111111111");
    b.resize(kBookLength, '\0');
    b[static_cast<std::size_t>(race - 1)] = c;
    return b;
  }
  std::string Untouched() const { return BookWith(1, '1'); }

  FakeRaceScreen s;
};

TEST_F(StatusEntryTest, ATypedCharacterIsStoredSavedAndShown) {
  ASSERT_EQ(s.ketugo.text, "1");
  s.ketugo.Type("7");
  EXPECT_EQ(s.BookFile(), BookWith(3, '7'));
  EXPECT_EQ(s.book.RaceStat, "7");
  EXPECT_EQ(s.ketugo.text, "7");
  EXPECT_EQ(s.headers, 1);
  EXPECT_TRUE(IsRaceDone(s.book.RaceStat));
}

TEST_F(StatusEntryTest, OnlyTheFirstCharacterCountsAndTheBoxReturnsToIt) {
  s.ketugo.Type("15");
  EXPECT_EQ(s.BookFile(), Untouched());
  EXPECT_EQ(s.ketugo.text, "1");
  s.ketugo.Type("59");
  EXPECT_EQ(s.BookFile(), BookWith(3, '5'));
  EXPECT_EQ(s.ketugo.text, "5");
}

TEST_F(StatusEntryTest, AnEmptiedBoxGetsTheStoredCharacterBack) {
  s.ketugo.Type("");
  EXPECT_EQ(s.BookFile(), Untouched());
  EXPECT_EQ(s.ketugo.text, "1");
}

TEST_F(StatusEntryTest, ARaceWithoutACharacterShowsAnEmptyBox) {
  s.book.RaceNo = 20;  // NUL in the book
  s.ShowRaceHeader();
  EXPECT_EQ(s.ketugo.text, "");
  s.ketugo.Type("2");
  EXPECT_EQ(s.BookFile()[19], '2');
  EXPECT_EQ(s.ketugo.text, "2");
}

TEST_F(StatusEntryTest, FullWidthDigitsAndLettersAreTakenAsTheirHalfWidthTwins) {
  const std::pair<const char*, char> cases[] = {{"７", '7'}, {"０", '0'}, {"Ａ", 'A'},
                                                {"Ｚ", 'Z'}, {"ａ", 'a'}, {"ｚ", 'z'}};
  for (const auto& [typed, stored] : cases) {
    s.ketugo.Type(typed);
    EXPECT_EQ(s.BookFile(), BookWith(3, stored)) << typed;
    EXPECT_EQ(s.ketugo.text, std::string(1, stored)) << typed;
  }
}

TEST_F(StatusEntryTest, CharactersOfMoreThanOneByteAreRefused) {
  for (const char* typed : {"あ", "漢", "１２", "－", "\xF0\x9F\x98\x80"}) {
    s.ketugo.Type(typed);
    EXPECT_EQ(s.BookFile(), Untouched()) << typed;
    EXPECT_EQ(s.ketugo.text, "1") << typed;
  }
  // A half-width katakana and a question mark are single bytes of the code
  // page and are stored.
  s.ketugo.Type("ｱ");
  EXPECT_EQ(s.BookFile(), BookWith(3, '\xB1'));
  EXPECT_EQ(s.ketugo.text, "ｱ");
  s.ketugo.Type("?");
  EXPECT_EQ(s.BookFile(), BookWith(3, '?'));
}

TEST_F(StatusEntryTest, OutsideTheBookNothingIsWrittenAndTheBoxEndsEmpty) {
  s.book.RaceNo = 1025;
  s.ShowRaceHeader();
  EXPECT_EQ(s.ketugo.text, "");
  s.ketugo.Type("7");
  EXPECT_EQ(s.BookFile(), Untouched());
  EXPECT_EQ(s.ketugo.text, "");
  s.book.RaceNo = 0;
  s.ketugo.Type("7");
  EXPECT_EQ(s.BookFile(), Untouched());
  EXPECT_EQ(s.ketugo.text, "");
}

TEST_F(StatusEntryTest, ARaceChangeRedrawsOnceMoreButLeavesTheBookAlone) {
  s.WriteBook("1161");
  s.book.RaceNo = 2;
  s.ShowRaceHeader();
  s.headers = 0;
  NextRace(s);  // "1" -> "6" in the box: its change handling runs once
  EXPECT_EQ(s.book.RaceNo, 3);
  EXPECT_EQ(s.ketugo.text, "6");
  EXPECT_EQ(s.headers, 2);
  std::string expected = "1161";
  expected.resize(kBookLength, '\0');
  EXPECT_EQ(s.BookFile(), expected);
}

TEST_F(StatusEntryTest, ConfirmFinishesTheRace) {
  OnConfirmClick(s);
  EXPECT_EQ(s.finishes, 1);
  EXPECT_EQ(s.BookFile(), Untouched());
}

}  // namespace
}  // namespace poolside
