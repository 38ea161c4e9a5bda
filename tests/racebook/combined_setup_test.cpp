#include "racebook/combined_setup.h"

#include <gtest/gtest.h>

#include "platform/bytes.h"
#include "platform/errors.h"
#include "racebook/fake_race_screen.h"

namespace poolside {
namespace {

using testing::FakeRaceScreen;

struct Entry {
  int no = 1;
  int heats = 1;
  int firstRace = 1;
  int combined = 0;
};

class CombinedSetupTest : public ::testing::Test {
 protected:
  CombinedSetupTest() { s.meet.CompetitionCount = 100; }

  // A program order file with `count` in its header (the entries' count
  // unless told otherwise) and the given entries from record 11.
  void WriteOrder(const std::vector<Entry>& entries, std::optional<int> count = std::nullopt) {
    std::string file(10 * kProjunRecordLength, '\0');
    const int n = count.value_or(static_cast<int>(entries.size()));
    file[0] = static_cast<char>(n & 0xFF);
    file[1] = static_cast<char>((n >> 8) & 0xFF);
    for (const Entry& e : entries) {
      Bytes b(kProjunRecordLength, 0);
      PutInt16(b, 0, static_cast<std::int16_t>(e.no));
      PutInt16(b, 2, static_cast<std::int16_t>(e.heats));
      PutInt16(b, 24, static_cast<std::int16_t>(e.firstRace));
      PutInt16(b, 30, static_cast<std::int16_t>(e.combined));
      b[4] = 'x';  // carried fields are not interpreted
      file.append(b.begin(), b.end());
    }
    s.dir.Write("projun.dat", file);
  }
  // The book file as expected: NUL except for the given characters.
  static std::string Expected(const std::vector<std::pair<int, char>>& set,
                              std::string base = std::string()) {
    base.resize(kBookLength, '\0');
    for (const auto& [race, c] : set) base[static_cast<std::size_t>(race - 1)] = c;
    return base;
  }

  FakeRaceScreen s;
};

TEST_F(CombinedSetupTest, FirstHeatsAndGroupCounts) {
  // A: 3 heats (1-3), alone; B: 2 heats (4-5) combined with C: 1 heat (6).
  WriteOrder({{1, 3, 1, 0}, {2, 2, 4, 1}, {3, 1, 6, 0}});
  SetupCombinedRaces(s);
  ASSERT_EQ(s.messages.questions.size(), 1u);
  EXPECT_EQ(s.messages.questions[0], "データを初期化(結合レースのセット)します。");
  EXPECT_EQ(s.BookFile(), Expected({{1, '1'}, {3, '1'}, {4, '1'}, {5, '2'}, {6, '1'}}));
  EXPECT_EQ(s.book.RaceBook, s.BookFile());
  EXPECT_TRUE(s.messages.messages.empty());
  EXPECT_EQ(s.headers, 0);  // the header is not redrawn
}

TEST_F(CombinedSetupTest, MoreThanFiveRacesAreCutToFiveWithAMessage) {
  std::vector<Entry> seven;
  for (int r = 10; r <= 16; ++r) seven.push_back({1, 1, r, r < 16 ? 1 : 0});
  WriteOrder(seven);
  SetupCombinedRaces(s);
  ASSERT_EQ(s.messages.messages.size(), 1u);
  EXPECT_EQ(s.messages.messages[0],
            "レースＮｏ．10は、５レースを超えています。\r"
            "7レースを５レースにセットします。\r"
            "（自動入力時の運用に注意してください。）");
  EXPECT_EQ(
      s.BookFile(),
      Expected({{10, '5'}, {11, '1'}, {12, '1'}, {13, '1'}, {14, '1'}, {15, '1'}, {16, '1'}}));
}

TEST_F(CombinedSetupTest, FinishedFirstHeatsReopenAndOtherHeatsKeepTheirCharacter) {
  s.book.RaceBook = Expected({{1, '6'}, {2, '6'}, {3, '8'}});
  WriteOrder({{1, 3, 1, 0}, {0, 1, 3, 0}});  // the unused entry does nothing
  SetupCombinedRaces(s);
  EXPECT_EQ(s.BookFile(), Expected({{1, '1'}, {2, '6'}, {3, '1'}}));
}

TEST_F(CombinedSetupTest, TheBookInMemoryIsWhatGetsSaved) {
  s.WriteBook("777");                      // the file says otherwise
  s.book.RaceBook = Expected({{2, '4'}});  // last loaded copy
  WriteOrder({{1, 1, 1, 0}});
  SetupCombinedRaces(s);
  EXPECT_EQ(s.BookFile(), Expected({{1, '1'}, {2, '4'}}));
}

TEST_F(CombinedSetupTest, CancelWritesNothing) {
  s.WriteBook("6");
  WriteOrder({{1, 1, 1, 0}});
  s.messages.answers.push_back(false);
  s.book.RaceBook = Expected({{1, '6'}});
  SetupCombinedRaces(s);
  EXPECT_EQ(s.BookFile(), Expected({{1, '6'}}));
  EXPECT_EQ(s.book.RaceBook, Expected({{1, '6'}}));
}

TEST_F(CombinedSetupTest, AnEmptyOrMissingOrderFileRewritesTheBookUnchanged) {
  s.book.RaceBook = Expected({{5, '3'}});
  SetupCombinedRaces(s);  // missing: created empty
  EXPECT_TRUE(s.dir.Exists("projun.dat"));
  EXPECT_EQ(s.BookFile(), Expected({{5, '3'}}));

  // Ten bytes or less: no entries, even with a count in them.
  s.dir.Write("projun.dat", std::string("\x05\x00\x01\x00\x00\x00\x00\x00\x00\x00", 10));
  SetupCombinedRaces(s);
  EXPECT_EQ(s.BookFile(), Expected({{5, '3'}}));
}

TEST_F(CombinedSetupTest, BadCountsAndHeatCountsNeitherCrashNorWriteOutsideTheBook) {
  // A count past the end of the file reads zero entries (PjNo 0, skipped).
  WriteOrder({{1, 2, 1, 0}}, 500);
  SetupCombinedRaces(s);
  EXPECT_EQ(s.BookFile(), Expected({{1, '1'}, {2, '1'}}));

  WriteOrder({{1, 2, 1, 0}}, -3);  // a negative count gives no entries
  s.book.RaceBook = Expected({});
  SetupCombinedRaces(s);
  EXPECT_EQ(s.BookFile(), Expected({}));

  // Heat counts 0 and negative put the group race in front of the first
  // heat; race 0 and below have no position.
  WriteOrder({{1, 0, 5, 0}, {1, -2, 8, 0}, {1, -5, 3, 0}});
  SetupCombinedRaces(s);
  EXPECT_EQ(s.BookFile(), Expected({{3, '1'}, {4, '1'}, {5, '1'}, {8, '1'}}));
  EXPECT_EQ(s.BookFile().size(), kBookLength);
}

TEST_F(CombinedSetupTest, PositionsOutsideTheBookAreSkippedAndTheRestGoesOn) {
  WriteOrder({{1, 1, 1030, 0}, {1, 2, 1023, 0}, {1, 1, 20, 0}, {1, 1, -4, 0}});
  SetupCombinedRaces(s);
  // 1023 opens a group whose race, 1024, is the last position.
  EXPECT_EQ(s.BookFile(), Expected({{1023, '1'}, {1024, '1'}, {20, '1'}}));
  EXPECT_EQ(s.BookFile().size(), kBookLength);

  WriteOrder({{1, 3, 1023, 0}, {1, 1, 7, 0}});  // group race 1025 is skipped
  s.book.RaceBook = Expected({});
  SetupCombinedRaces(s);
  EXPECT_EQ(s.BookFile(), Expected({{1023, '1'}, {7, '1'}}));
}

TEST_F(CombinedSetupTest, AGroupThatNeverClosesKeepsItsOnes) {
  WriteOrder({{1, 1, 1, 0}, {1, 2, 2, 1}, {1, 1, 4, 1}});
  SetupCombinedRaces(s);
  EXPECT_EQ(s.BookFile(), Expected({{1, '1'}, {2, '1'}, {4, '1'}}));
  EXPECT_TRUE(s.messages.messages.empty());
}

TEST_F(CombinedSetupTest, AnOrderFileThatCannotBeOpenedLeavesTheBookAsItWas) {
  s.WriteBook("6");
  s.book.RaceBook = Expected({{1, '6'}});
  s.dir.MakeDir("projun.dat");  // a folder in its place
  try {
    SetupCombinedRaces(s);
    FAIL() << "no error";
  } catch (const IoError& e) {
    EXPECT_NE(std::string(e.what()).find("projun.dat"), std::string::npos) << e.what();
  }
  EXPECT_EQ(s.BookFile(), Expected({{1, '6'}}));
  EXPECT_EQ(s.book.RaceBook, Expected({{1, '6'}}));
}

}  // namespace
}  // namespace poolside
