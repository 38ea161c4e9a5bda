// Row entry: the normalised text, the value per column, the immediate write
// of the whole competition, refused values and the arrow keys.
#include <gtest/gtest.h>

#include <string>

#include "competition/kyogi_rig.h"
#include "platform/errors.h"

namespace poolside {
namespace {

using testing::FakeTextBox;
using testing::FullDisk;
using testing::KyogiRig;

class KyogiRowEntryTest : public KyogiRig {
 protected:
  // A meet of 25 competitions, the screen on competition 2.
  void SetUp() override {
    WriteMeetOf(25);
    window->Load();
    window->NextCompetition();
    stored = meet.CurrentHeat;
    before = MeetBytes();
  }
  CompetitionRecord stored;
  std::string before;
};

struct EntryCase {
  EntryColumn column;
  const char* typed;
  int caret;  // -1: at the end
  const char* shown;
  int value;  // for HojCode: the character code
};

class KyogiEntryValueTest : public KyogiRowEntryTest,
                            public ::testing::WithParamInterface<EntryCase> {};

TEST_P(KyogiEntryValueTest, EnterStoresTheValueAndRewritesTheCompetition) {
  const EntryCase& e = GetParam();
  const int row = 3;
  FakeTextBox& box = Box(e.column, row);
  Type(box, e.typed, e.caret);
  Enter(e.column, row);

  EXPECT_EQ(box.text, e.shown);
  EXPECT_EQ(box.caret, 0);
  EXPECT_TRUE(box.HasFocus() || testing::FocusedControl() == nullptr);
  CompetitionRecord expected = stored;
  switch (e.column) {
    case EntryColumn::Jun:
      expected.Rank[row] = static_cast<std::int16_t>(e.value);
      break;
    case EntryColumn::Kiro:
      expected.Record[row] = e.value;
      break;
    case EntryColumn::Mu:
      expected.MuCode[row] = static_cast<std::int16_t>(e.value);
      break;
    case EntryColumn::Nen:
      expected.NenCode[row] = static_cast<std::int16_t>(e.value);
      break;
    case EntryColumn::Hoj:
      expected.HojCode[row] = std::string(1, static_cast<char>(e.value));
      break;
    case EntryColumn::Biko:
      expected.RemarkCode[row] = static_cast<std::int16_t>(e.value);
      break;
    case EntryColumn::No:
      expected.EntryNo[row] = static_cast<std::int16_t>(e.value);
      break;
  }
  // Only competition 2's record changes, and it holds every other field as
  // it was.
  EXPECT_EQ(Difference(MeetBytes(), WithRecord(before, 2, expected)), "");
}

INSTANTIATE_TEST_SUITE_P(
    Conversions, KyogiEntryValueTest,
    ::testing::Values(EntryCase{EntryColumn::Jun, "15abc", -1, "15", 15},
                      EntryCase{EntryColumn::Jun, "1234", 2, "12", 12},
                      EntryCase{EntryColumn::Jun, "2.5", -1, "2.5", 2},
                      EntryCase{EntryColumn::Jun, "3.5", -1, "3.5", 4},
                      EntryCase{EntryColumn::Kiro, "12345678", -1, "12345678", 12345678},
                      EntryCase{EntryColumn::Kiro, "-2147483648", -1, "-2147483648", INT32_MIN},
                      EntryCase{EntryColumn::Mu, " - 7", -1, "-7", -7},
                      EntryCase{EntryColumn::Nen, "0012", -1, "12", 12},
                      EntryCase{EntryColumn::Biko, "&H10", -1, "16", 16},
                      EntryCase{EntryColumn::Biko, "32767", -1, "32767", 32767},
                      EntryCase{EntryColumn::Hoj, "12", -1, "12", '1'},
                      EntryCase{EntryColumn::Hoj, "xyz", -1, "0", '0'},
                      EntryCase{EntryColumn::No, "25", -1, "25", 25},
                      EntryCase{EntryColumn::No, "30", -1, "30", 0},
                      EntryCase{EntryColumn::No, "25.4", -1, "25.4", 0},
                      EntryCase{EntryColumn::No, "1e16", -1, "1E+16", 0}));

TEST_F(KyogiRowEntryTest, EnterAtTheStartGoesToToiAndStoresNothing) {
  FakeTextBox& box = Box(EntryColumn::Jun, 0);
  Type(box, "", -1);  // an empty box
  Enter(EntryColumn::Jun, 0);
  EXPECT_TRUE(txtToi.HasFocus());
  Type(box, "9", 0);  // the caret before the text
  Enter(EntryColumn::Jun, 0);
  EXPECT_EQ(box.text, "9");
  EXPECT_EQ(meet.CurrentHeat.Rank[0], stored.Rank[0]);
  EXPECT_EQ(Difference(MeetBytes(), before), "");

  // Enter twice: the first stores, the second goes to txtToi.
  box.SetFocus();
  Type(box, "9", 1);
  Enter(EntryColumn::Jun, 0);
  EXPECT_TRUE(box.HasFocus());
  EXPECT_EQ(meet.CurrentHeat.Rank[0], 9);
  Enter(EntryColumn::Jun, 0);
  EXPECT_TRUE(txtToi.HasFocus());
}

TEST_F(KyogiRowEntryTest, EnterOnUntouchedBoxesRewritesTheSameBytes) {
  // Every stored value of the rig's competitions fits its field and the
  // entry numbers (1..12) lie within the count of 25.
  for (EntryColumn column : {EntryColumn::Jun, EntryColumn::Kiro, EntryColumn::Mu, EntryColumn::Nen,
                             EntryColumn::Hoj, EntryColumn::Biko, EntryColumn::No}) {
    for (int row = 0; row < 12; ++row) {
      FakeTextBox& box = Box(column, row);
      box.caret = static_cast<int>(box.text.size());
      Enter(column, row);
    }
  }
  EXPECT_EQ(Difference(MeetBytes(), before), "");
}

TEST_F(KyogiRowEntryTest, AValueBeyondItsFieldIsRefused) {
  for (auto [column, typed] : {std::pair{EntryColumn::Jun, "40000"},
                               {EntryColumn::Mu, "-32769"},
                               {EntryColumn::Kiro, "3000000000"},
                               {EntryColumn::No, "-40000"},
                               {EntryColumn::Biko, "1E+300"},
                               {EntryColumn::Biko, "1e400"}}) {
    FakeTextBox& box = Box(column, 5);
    const std::string shown = box.text;
    Type(box, typed);
    Enter(column, 5);
    EXPECT_EQ(box.text, shown) << typed;  // the stored value again
    EXPECT_EQ(box.caret, 0);
  }
  EXPECT_EQ(meet.CurrentHeat.Rank[5], stored.Rank[5]);
  EXPECT_EQ(meet.CurrentHeat.MuCode[5], stored.MuCode[5]);
  EXPECT_EQ(meet.CurrentHeat.Record[5], stored.Record[5]);
  EXPECT_EQ(meet.CurrentHeat.EntryNo[5], stored.EntryNo[5]);
  EXPECT_EQ(Difference(MeetBytes(), before), "");
  EXPECT_TRUE(messages.messages.empty());
}

TEST_F(KyogiRowEntryTest, AFailedWriteKeepsTheStoredValueEverywhere) {
  FakeTextBox& box = Box(EntryColumn::Kiro, 1);
  Type(box, "5555");
  {
    FullDisk full;
    try {
      Enter(EntryColumn::Kiro, 1);
      FAIL() << "no error";
    } catch (const IoError& e) {
      EXPECT_NE(std::string(e.what()).find("taikai.dat"), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(meet.CurrentHeat.Record[1], stored.Record[1]);
  EXPECT_EQ(box.text, std::to_string(stored.Record[1]));
  EXPECT_EQ(Difference(MeetBytes(), before), "");
  // The next entry writes normally.
  Type(box, "5555");
  Enter(EntryColumn::Kiro, 1);
  CompetitionRecord expected = stored;
  expected.Record[1] = 5555;
  EXPECT_EQ(Difference(MeetBytes(), WithRecord(before, 2, expected)), "");

  // With the meet file closed the entry fails the same way.
  meet.CloseMeetFile();
  FakeTextBox& rank = Box(EntryColumn::Jun, 0);
  Type(rank, "3");
  EXPECT_THROW(Enter(EntryColumn::Jun, 0), RuntimeError);
  EXPECT_EQ(meet.CurrentHeat.Rank[0], stored.Rank[0]);
  EXPECT_EQ(rank.text, std::to_string(stored.Rank[0]));
}

TEST_F(KyogiRowEntryTest, ArrowsMoveWithinTheColumnAndAcrossTheRow) {
  auto key = [&](EntryColumn column, int row, int code) {
    Box(column, row).SetFocus();
    window->OnEntryKeyDown(column, row, code, kShiftMask);
  };
  key(EntryColumn::Kiro, 3, kKeyDown);
  EXPECT_TRUE(kiro[4].HasFocus());
  // Without a shift key the arrows move the same way.
  jun[0].SetFocus();
  window->OnEntryKeyDown(EntryColumn::Jun, 0, kKeyUp, 0);
  EXPECT_TRUE(jun[0].HasFocus());
  window->OnEntryKeyDown(EntryColumn::Jun, 0, kKeyLeft, 0);
  EXPECT_TRUE(jun[0].HasFocus());
  window->OnEntryKeyDown(EntryColumn::Jun, 0, kKeyDown, 0);
  EXPECT_TRUE(jun[1].HasFocus());
  no[11].SetFocus();
  window->OnEntryKeyDown(EntryColumn::No, 11, kKeyRight, 0);
  window->OnEntryKeyDown(EntryColumn::No, 11, kKeyDown, 0);
  EXPECT_TRUE(no[11].HasFocus());
  window->OnEntryKeyDown(EntryColumn::No, 11, kKeyUp, 0);
  EXPECT_TRUE(no[10].HasFocus());
  key(EntryColumn::Kiro, 3, kKeyUp);
  EXPECT_TRUE(kiro[2].HasFocus());
  key(EntryColumn::Mu, 0, kKeyUp);
  EXPECT_TRUE(mu[0].HasFocus());
  key(EntryColumn::Mu, 11, kKeyDown);
  EXPECT_TRUE(mu[11].HasFocus());
  key(EntryColumn::Jun, 6, kKeyLeft);
  EXPECT_TRUE(jun[6].HasFocus());
  key(EntryColumn::No, 6, kKeyRight);
  EXPECT_TRUE(no[6].HasFocus());
  const EntryColumn order[] = {EntryColumn::Jun, EntryColumn::Kiro, EntryColumn::Mu,
                               EntryColumn::Nen, EntryColumn::Hoj,  EntryColumn::Biko,
                               EntryColumn::No};
  for (int i = 0; i + 1 < 7; ++i) {
    key(order[i], 7, kKeyRight);
    EXPECT_TRUE(Box(order[i + 1], 7).HasFocus()) << i;
    key(order[i + 1], 7, kKeyLeft);
    EXPECT_TRUE(Box(order[i], 7).HasFocus()) << i;
  }
  EXPECT_EQ(Difference(MeetBytes(), before), "");
}

}  // namespace
}  // namespace poolside
