#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "competition/kyogi_window.h"
#include "meetdata/competition_record.h"
#include "platform/bytes.h"
#include "platform/cp932.h"
#include "platform/errors.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace poolside {
namespace {

using testing::FakeButton;
using testing::FakeLabel;
using testing::FakeMessages;
using testing::FakeTextBox;
using testing::FocusedControl;
using testing::TempDir;

class RecordingHost : public KyogiHost {
 public:
  void ShowTimingWindow() override { calls.push_back("timing"); }
  void ShowSubWindow(const std::string& name, bool modal) override {
    calls.push_back(name + (modal ? " modal" : " modeless"));
  }
  void ShowProgramPrint(std::optional<int> page) override {
    calls.push_back("print " + (page ? std::to_string(*page) : std::string("-")));
  }
  void PrintRanking(const std::string& t, const std::vector<RankingLine>& l) override {
    title = t;
    lines = l;
    calls.push_back("ranking");
  }
  void EndProgram(int status) override { calls.push_back("end " + std::to_string(status)); }
  std::vector<std::string> calls;
  std::string title;
  std::vector<RankingLine> lines;
};

using Boxes = std::array<FakeTextBox, 12>;

int Int16At(const std::string& f, std::size_t at) {
  return static_cast<std::int16_t>(static_cast<unsigned char>(f[at]) |
                                   (static_cast<unsigned char>(f[at + 1]) << 8));
}

// A little-endian 16-bit value as two bytes.
std::string Le16(int v) {
  return {static_cast<char>(v & 0xff), static_cast<char>((v >> 8) & 0xff)};
}

// A competition: program p, heat h of `count` heats, row values derived from
// p and h so every competition differs.
CompetitionRecord Heat(int p, int h, int count) {
  CompetitionRecord c;
  c.ProgramNo = static_cast<std::int16_t>(p);
  c.HeatNo = static_cast<std::int16_t>(h);
  c.HeatCount = static_cast<std::int16_t>(count);
  c.SexCode = "1";
  c.RoundCode = "1";
  c.EventCode = 1;
  for (int r = 0; r < kRows; ++r) {
    c.EntryNo[r] = static_cast<std::int16_t>(r % 6 + 1);  // within the count
    c.Record[r] = 10000 + p * 100 + h * 10 + r;
    c.Rank[r] = static_cast<std::int16_t>(r % 3);
    c.MuCode[r] = static_cast<std::int16_t>(r);
    c.NenCode[r] = static_cast<std::int16_t>(2);
    c.RemarkCode[r] = static_cast<std::int16_t>(r * 2);
    c.HojCode[r] = r % 2 ? "3" : " ";
  }
  return c;
}

class KyogiScreenTest : public ::testing::Test {
 protected:
  KyogiScreenTest() : meet(paths), window(Controls(), meet, messages, host, paths) {
    paths.MapDrive('c', dir.Path());
    paths.MapDrive('a', dir.File("a"));
    dir.MakeDir("ctl");
    dir.MakeDir("data");
    dir.MakeDir("a");
    dir.Write("ctl/dr_kyo.ctl", "\"title\",\"c:\\data\\\",\"x\"\r\n");
  }

  KyogiControls Controls() {
    KyogiControls c;
    c.lblPNo = &lblPNo;
    c.lblSei = &lblSei;
    c.lblShubetu = &lblShubetu;
    c.lblShumoku = &lblShumoku;
    c.lblYoKetu = &lblYoKetu;
    c.lblKumi = &lblKumi;
    c.lblTKumi = &lblTKumi;
    c.lblZikan = &lblZikan;
    for (int r = 0; r < kRows; ++r) {
      c.txtNamae[r] = &txtNamae[r];
      c.txtQkiro[r] = &txtQkiro[r];
      c.txtJun[r] = &txtJun[r];
      c.txtKiro[r] = &txtKiro[r];
      c.txtMu[r] = &txtMu[r];
      c.txtNen[r] = &txtNen[r];
      c.txtHoj[r] = &txtHoj[r];
      c.txtBiko[r] = &txtBiko[r];
      c.txtNo[r] = &txtNo[r];
    }
    c.txtToi = &txtToi;
    c.cmdKeiji = &cmdKeiji;
    c.cmdOhda = &cmdOhda;
    return c;
  }

  // Writes taikai.dat: the header with `count` and the given competitions.
  void WriteMeet(int count, const std::vector<CompetitionRecord>& heats) {
    std::string file = Le16(count) + std::string(kMeetRecordLength - 2, '\0');
    file += std::string(9 * kMeetRecordLength, '\0');
    for (const auto& h : heats) {
      const Bytes r = EncodeCompetitionRecord(h, "093000");
      file.append(reinterpret_cast<const char*>(r.data()), r.size());
    }
    dir.Write("data/taikai.dat", file);
  }
  std::string MeetFile() const { return dir.Read("data/taikai.dat"); }
  std::string CompetitionBytes(int n) const {
    return MeetFile().substr(static_cast<std::size_t>(n + 9) * kMeetRecordLength,
                             kMeetRecordLength);
  }

  // A meet of programs 1..3: program 1 one heat, 2 with four heats, 3 one.
  void StandardMeet() {
    WriteMeet(6, {Heat(1, 1, 1), Heat(2, 1, 4), Heat(2, 2, 4), Heat(2, 3, 4), Heat(2, 4, 4),
                  Heat(3, 1, 1)});
    window.Load();
  }

  void Type(FakeTextBox& box, const std::string& text, int caret) {
    box.text = text;
    box.caret = caret;
  }
  void Search(const std::string& text) {
    Type(txtToi, text, static_cast<int>(Utf8Length(text)));
    window.OnToiKeyDown(kKeyEnter, 0);
  }

  TempDir dir;
  PathMapper paths;
  MeetData meet;
  FakeMessages messages;
  RecordingHost host;
  FakeLabel lblPNo, lblSei, lblShubetu, lblShumoku, lblYoKetu, lblKumi, lblTKumi, lblZikan;
  Boxes txtNamae, txtQkiro, txtJun, txtKiro, txtMu, txtNen, txtHoj, txtBiko, txtNo;
  FakeTextBox txtToi;
  FakeButton cmdKeiji, cmdOhda;
  KyogiWindow window;
};

// --- load and display

TEST_F(KyogiScreenTest, LoadShowsTheFirstCompetitionAsItsEntriesWouldStoreIt) {
  StandardMeet();
  EXPECT_EQ(meet.CompetitionCount, 6);
  EXPECT_EQ(meet.CurrentCompetitionNo, 1);
  EXPECT_EQ(lblPNo.caption, "1");
  EXPECT_EQ(lblKumi.caption, "1");
  EXPECT_EQ(lblTKumi.caption, "1");
  EXPECT_EQ(lblZikan.caption, "09:30:00");
  EXPECT_EQ(txtKiro[3].text, "10113");  // the plain number, not a time text
  EXPECT_EQ(txtNo[11].text, "6");
  EXPECT_EQ(txtJun[2].text, "2");
  EXPECT_EQ(txtBiko[4].text, "8");
  EXPECT_EQ(txtHoj[1].text, "3");
  EXPECT_EQ(txtHoj[0].text, "");  // a blank code shows empty
  EXPECT_EQ(txtNamae[0].text, "");
  EXPECT_EQ(txtQkiro[0].text, "");
}

TEST_F(KyogiScreenTest, EnterOnEveryUntouchedBoxRewritesTheSameBytes) {
  StandardMeet();
  const std::string before = MeetFile();
  for (int r = 0; r < kRows; ++r) {
    for (auto* boxes : {&txtJun, &txtKiro, &txtMu, &txtNen, &txtHoj, &txtBiko, &txtNo}) {
      (*boxes)[r].caret = static_cast<int>(Utf8Length((*boxes)[r].text));
    }
    for (EntryColumn c : {EntryColumn::Jun, EntryColumn::Kiro, EntryColumn::Mu, EntryColumn::Nen,
                          EntryColumn::Hoj, EntryColumn::Biko, EntryColumn::No}) {
      window.CommitRowEntry(c, r);
    }
  }
  const std::string after = MeetFile();
  ASSERT_EQ(after.size(), before.size());
  for (std::size_t i = 0; i < after.size(); ++i) {
    ASSERT_EQ(after[i], before[i]) << "byte " << i;
  }
}

TEST_F(KyogiScreenTest, LoadFailsWithoutControlFile) {
  std::filesystem::remove(dir.File("ctl/dr_kyo.ctl"));
  try {
    window.Load();
    FAIL();
  } catch (const RuntimeError& e) {
    EXPECT_NE(std::string(e.what()).find("dr_kyo.ctl"), std::string::npos) << e.what();
  }
}

TEST_F(KyogiScreenTest, LoadOfAnEmptyMeetReadsZeroRecords) {
  WriteMeet(0, {});
  window.Load();
  EXPECT_EQ(meet.CompetitionCount, 0);
  EXPECT_EQ(meet.CurrentCompetitionNo, 1);
  EXPECT_EQ(lblPNo.caption, "0");
  EXPECT_EQ(txtKiro[0].text, "0");
  // Down steps on past the end without a message; no crash.
  window.OnToiKeyDown(kKeyDown, 0);
  EXPECT_EQ(meet.CurrentCompetitionNo, 2);
  EXPECT_TRUE(messages.messages.empty());
}

// --- navigation

TEST_F(KyogiScreenTest, StepsStopAtBothEndsWithTheirMessages) {
  StandardMeet();
  window.OnToiKeyDown(kKeyUp, 0);
  ASSERT_EQ(messages.messages.size(), 1u);
  EXPECT_EQ(messages.messages[0], "１より小さいレコードはありません。");
  EXPECT_EQ(meet.CurrentCompetitionNo, 1);
  for (int i = 0; i < 5; ++i) window.OnToiKeyDown(kKeyDown, 0);
  EXPECT_EQ(meet.CurrentCompetitionNo, 6);
  EXPECT_EQ(lblPNo.caption, "3");
  window.OnToiKeyDown(kKeyDown, 0);
  ASSERT_EQ(messages.messages.size(), 2u);
  EXPECT_EQ(messages.messages[1], " 6より大きいデータはありません。");
  EXPECT_EQ(meet.CurrentCompetitionNo, 6);
  window.OnToiKeyDown(kKeyUp, kCtrlMask | kShiftMask);  // not Shift alone: a step
  EXPECT_EQ(meet.CurrentCompetitionNo, 5);
  EXPECT_EQ(lblKumi.caption, "4");
}

TEST_F(KyogiScreenTest, ToiAndButtonKeysMoveTheFocusRing) {
  StandardMeet();
  window.OnToiKeyDown(kKeyLeft, 0);
  EXPECT_EQ(FocusedControl(), &cmdOhda);
  window.OnToiKeyDown(kKeyRight, 0);
  EXPECT_EQ(FocusedControl(), &cmdKeiji);
  window.OnToiKeyDown(kKeyUp, kShiftMask);
  EXPECT_EQ(FocusedControl(), &txtNo[0]);
  EXPECT_EQ(meet.CurrentCompetitionNo, 1);
  EXPECT_TRUE(messages.messages.empty());
  window.OnKeijiKeyDown(kKeyRight);
  EXPECT_EQ(FocusedControl(), &cmdOhda);
  window.OnOhdaKeyDown(kKeyRight);
  EXPECT_EQ(FocusedControl(), &txtToi);
  window.OnOhdaKeyDown(kKeyLeft);
  EXPECT_EQ(FocusedControl(), &cmdKeiji);
  window.OnKeijiKeyDown(kKeyLeft);
  EXPECT_EQ(FocusedControl(), &txtToi);
}

// --- search

TEST_F(KyogiScreenTest, SearchFindsProgramAndHeatAndClampsTheHeat) {
  StandardMeet();
  Search("2.3");
  EXPECT_EQ(meet.CurrentCompetitionNo, 4);
  EXPECT_EQ(txtToi.text, "");
  EXPECT_EQ(lblKumi.caption, "3");
  EXPECT_EQ(txtKiro[0].text, std::to_string(10000 + 230));
  Search("2.9");  // beyond the last heat: the last heat
  EXPECT_EQ(meet.CurrentCompetitionNo, 5);
  Search("3.1.4");  // the heat text "1.4" rounds to 1
  EXPECT_EQ(meet.CurrentCompetitionNo, 6);
  Search("2.2.5");  // 2.5 rounds to the even 2
  EXPECT_EQ(meet.CurrentCompetitionNo, 3);
}

TEST_F(KyogiScreenTest, SearchWithoutMatchOrPointKeepsTheCompetition) {
  StandardMeet();
  Search("2.2");
  ASSERT_EQ(meet.CurrentCompetitionNo, 3);
  Search("9.1");  // no such program
  EXPECT_EQ(meet.CurrentCompetitionNo, 3);
  EXPECT_EQ(meet.CurrentHeat.HeatNo, 2);  // reloaded, not the last one read
  EXPECT_EQ(lblKumi.caption, "2");
  EXPECT_EQ(txtToi.text, "");
  Search("1");  // no point: no search
  EXPECT_EQ(meet.CurrentCompetitionNo, 3);
  EXPECT_EQ(txtToi.text, "");
  Type(txtToi, "1.1xyz", 2);  // caret after "1.": heat 0 of program 1
  window.FindCompetition();
  EXPECT_EQ(meet.CurrentCompetitionNo, 3);
  Type(txtToi, "1.1xyz", 1);  // caret after "1": no point
  window.FindCompetition();
  EXPECT_EQ(meet.CurrentCompetitionNo, 3);
  Type(txtToi, "1.1xyz", 3);
  window.FindCompetition();
  EXPECT_EQ(meet.CurrentCompetitionNo, 1);
}

TEST_F(KyogiScreenTest, SearchRefusesNumbersBeyondSixteenBits) {
  StandardMeet();
  const std::string before = MeetFile();
  Search("2.99999");
  EXPECT_EQ(meet.CurrentCompetitionNo, 1);
  EXPECT_EQ(txtToi.text, "");
  Search("1e300.1");
  EXPECT_EQ(meet.CurrentCompetitionNo, 1);
  EXPECT_TRUE(messages.messages.empty());
  EXPECT_TRUE(MeetFile() == before);
}

TEST_F(KyogiScreenTest, SearchInAShortFileReadsZeroRecordsPastTheEnd) {
  // The header claims 6 competitions, the file holds 2.
  WriteMeet(6, {Heat(1, 1, 1), Heat(2, 1, 1)});
  window.Load();
  Search("0.0");  // the zero records past the end are program 0, heat 0
  EXPECT_EQ(meet.CurrentCompetitionNo, 3);
  EXPECT_EQ(lblPNo.caption, "0");
}

// --- row entry

TEST_F(KyogiScreenTest, EnterStoresTheNormalisedValueAndWritesTheRecord) {
  StandardMeet();
  Type(txtJun[2], "15abc", 5);
  window.OnEntryKeyDown(EntryColumn::Jun, 2, kKeyEnter, 0);
  EXPECT_EQ(txtJun[2].text, "15");
  EXPECT_EQ(txtJun[2].caret, 0);
  EXPECT_EQ(meet.CurrentHeat.Rank[2], 15);
  EXPECT_EQ(Int16At(CompetitionBytes(1), 142 + 2 * 2), 15);

  Type(txtKiro[0], "12345678", 8);
  window.CommitRowEntry(EntryColumn::Kiro, 0);
  EXPECT_EQ(meet.CurrentHeat.Record[0], 12345678);

  Type(txtMu[1], "1234", 2);  // what follows the caret is dropped
  window.CommitRowEntry(EntryColumn::Mu, 1);
  EXPECT_EQ(txtMu[1].text, "12");
  EXPECT_EQ(meet.CurrentHeat.MuCode[1], 12);

  Type(txtNen[3], "2.5", 3);
  window.CommitRowEntry(EntryColumn::Nen, 3);
  EXPECT_EQ(txtNen[3].text, "2.5");
  EXPECT_EQ(meet.CurrentHeat.NenCode[3], 2);

  Type(txtHoj[4], "12", 2);
  window.CommitRowEntry(EntryColumn::Hoj, 4);
  EXPECT_EQ(txtHoj[4].text, "12");
  EXPECT_EQ(meet.CurrentHeat.HojCode[4], "1");
  Type(txtHoj[5], "xyz", 3);
  window.CommitRowEntry(EntryColumn::Hoj, 5);
  EXPECT_EQ(txtHoj[5].text, "0");
  EXPECT_EQ(meet.CurrentHeat.HojCode[5], "0");

  // The file holds exactly the in-memory competition; the next is untouched.
  const Bytes expected = EncodeCompetitionRecord(meet.CurrentHeat, "093000");
  EXPECT_TRUE(CompetitionBytes(1) == std::string(expected.begin(), expected.end()));
  const Bytes next = EncodeCompetitionRecord(Heat(2, 1, 4), "093000");
  EXPECT_TRUE(CompetitionBytes(2) == std::string(next.begin(), next.end()));
}

TEST_F(KyogiScreenTest, EntryNumberAboveTheCountStoresZero) {
  StandardMeet();  // 6 competitions
  Type(txtNo[0], "30", 2);
  window.CommitRowEntry(EntryColumn::No, 0);
  EXPECT_EQ(txtNo[0].text, "30");
  EXPECT_EQ(meet.CurrentHeat.EntryNo[0], 0);
  Type(txtNo[1], "6", 1);
  window.CommitRowEntry(EntryColumn::No, 1);
  EXPECT_EQ(meet.CurrentHeat.EntryNo[1], 6);
  Type(txtNo[2], "6.4", 3);  // the unrounded value is compared
  window.CommitRowEntry(EntryColumn::No, 2);
  EXPECT_EQ(meet.CurrentHeat.EntryNo[2], 0);
  Type(txtNo[3], "-99999", 6);  // below the count, beyond 16 bits: refused
  window.CommitRowEntry(EntryColumn::No, 3);
  EXPECT_EQ(meet.CurrentHeat.EntryNo[3], 4);
  EXPECT_EQ(txtNo[3].text, "4");
}

TEST_F(KyogiScreenTest, ValuesBeyondTheFieldAreRefusedAndTheStoredValueShown) {
  StandardMeet();
  const std::string before = MeetFile();
  Type(txtJun[0], "40000", 5);
  window.CommitRowEntry(EntryColumn::Jun, 0);
  EXPECT_EQ(txtJun[0].text, "0");
  EXPECT_EQ(meet.CurrentHeat.Rank[0], 0);
  Type(txtKiro[1], "3000000000", 10);
  window.CommitRowEntry(EntryColumn::Kiro, 1);
  EXPECT_EQ(txtKiro[1].text, "10111");
  Type(txtBiko[1], "1e400", 5);
  window.CommitRowEntry(EntryColumn::Biko, 1);
  EXPECT_EQ(txtBiko[1].text, "2");
  EXPECT_TRUE(MeetFile() == before);
  EXPECT_TRUE(messages.messages.empty());
}

TEST_F(KyogiScreenTest, EnterAtTheStartGoesToToiAndASecondEnterToo) {
  StandardMeet();
  const std::string before = MeetFile();
  Type(txtJun[0], "", 0);
  window.CommitRowEntry(EntryColumn::Jun, 0);
  EXPECT_EQ(FocusedControl(), &txtToi);
  EXPECT_TRUE(MeetFile() == before);
  txtJun[0].SetFocus();
  Type(txtJun[0], "7", 1);
  window.CommitRowEntry(EntryColumn::Jun, 0);
  EXPECT_EQ(FocusedControl(), &txtJun[0]);
  EXPECT_FALSE(MeetFile() == before);
  window.CommitRowEntry(EntryColumn::Jun, 0);
  EXPECT_EQ(FocusedControl(), &txtToi);
  EXPECT_EQ(txtJun[0].text, "7");
}

TEST_F(KyogiScreenTest, ArrowsMoveWithinColumnsAndAcrossTheRow) {
  StandardMeet();
  txtJun[0].SetFocus();
  window.OnEntryKeyDown(EntryColumn::Jun, 0, kKeyUp, 0);
  EXPECT_EQ(FocusedControl(), &txtJun[0]);
  window.OnEntryKeyDown(EntryColumn::Jun, 0, kKeyLeft, 0);
  EXPECT_EQ(FocusedControl(), &txtJun[0]);
  window.OnEntryKeyDown(EntryColumn::Jun, 0, kKeyDown, 0);
  EXPECT_EQ(FocusedControl(), &txtJun[1]);
  const EntryColumn order[] = {EntryColumn::Jun, EntryColumn::Kiro, EntryColumn::Mu,
                               EntryColumn::Nen, EntryColumn::Hoj,  EntryColumn::Biko,
                               EntryColumn::No};
  Boxes* boxes[] = {&txtJun, &txtKiro, &txtMu, &txtNen, &txtHoj, &txtBiko, &txtNo};
  for (int i = 0; i + 1 < 7; ++i) {
    window.OnEntryKeyDown(order[i], 5, kKeyRight, 0);
    EXPECT_EQ(FocusedControl(), &(*boxes[i + 1])[5]) << i;
    window.OnEntryKeyDown(order[i + 1], 5, kKeyLeft, 0);
    EXPECT_EQ(FocusedControl(), &(*boxes[i])[5]) << i;
  }
  txtNo[11].SetFocus();
  window.OnEntryKeyDown(EntryColumn::No, 11, kKeyRight, 0);
  window.OnEntryKeyDown(EntryColumn::No, 11, kKeyDown, 0);
  EXPECT_EQ(FocusedControl(), &txtNo[11]);
  window.OnEntryKeyDown(EntryColumn::No, 11, kKeyUp, 0);
  EXPECT_EQ(FocusedControl(), &txtNo[10]);
}

TEST_F(KyogiScreenTest, EntryWithTheMeetFileClosedFailsAndKeepsTheStoredValue) {
  StandardMeet();
  meet.CloseMeetFile();
  Type(txtJun[0], "3", 1);
  EXPECT_THROW(window.CommitRowEntry(EntryColumn::Jun, 0), RuntimeError);
  EXPECT_EQ(meet.CurrentHeat.Rank[0], 0);
  EXPECT_EQ(txtJun[0].text, "0");
}

// --- buttons and menus

TEST_F(KyogiScreenTest, ButtonsOpenTheirWindowsOncePerAction) {
  StandardMeet();
  window.OnKeijiClick();
  EXPECT_EQ(FocusedControl(), &txtToi);
  cmdKeiji.SetFocus();
  window.OnKeijiKeyDown(kKeyEnter);
  EXPECT_EQ(FocusedControl(), &txtToi);
  window.OnOhdaClick();
  cmdOhda.SetFocus();
  window.OnOhdaKeyDown(kKeyEnter);
  EXPECT_EQ(FocusedControl(), &txtToi);
  window.OnKeijiKeyDown('A');
  window.OnOhdaKeyDown('A');
  EXPECT_EQ(host.calls,
            (std::vector<std::string>{"timing", "timing", "frmOhda modal", "frmOhda modal"}));
}

TEST_F(KyogiScreenTest, MenusOpenTheirWindowsAndTheEndClosesFiles) {
  StandardMeet();
  for (const char* m : {"mKijun", "mProjun", "mKiroku", "mVwPage"}) window.OnMenu(m);
  window.OnMenu("mOwari");
  EXPECT_EQ(host.calls,
            (std::vector<std::string>{"frmKijun modeless", "frmProjun modeless",
                                      "frmKiroku modeless", "frmVwPage modeless", "end 0"}));
  EXPECT_FALSE(meet.MeetFileOpen());
}

TEST_F(KyogiScreenTest, ProgramPrintOpensOnTheLastPageListingTheCompetition) {
  StandardMeet();
  // Without a page file: the window opens with its page boxes as they were.
  window.OnMenu("mLpPage");
  // hpro.dat: record 1 the page count, pages from record 11, competitions in
  // elements 1..8.
  auto page = [](std::vector<int> comps) {
    std::string r = Le16(static_cast<int>(comps.size()));
    for (int c : comps) r += Le16(c);
    return r + std::string(128 - r.size(), '\0');
  };
  std::string file = Le16(4) + std::string(126, '\0') + std::string(9 * 128, '\0');
  file += page({1, 2}) + page({5, 3}) + page({9, 8, 7, 6, 5, 4, 3, 3}) + page({4});
  dir.Write("data/hpro.dat", file);
  Search("2.2");  // competition 3: pages 2 and 3 list it
  window.OnMenu("mLpPage");
  Search("1.1");  // competition 1: page 1 only
  window.OnMenu("mLpPage");
  EXPECT_EQ(host.calls, (std::vector<std::string>{"print -", "print 3", "print 1"}));
  EXPECT_TRUE(dir.Read("data/hpro.dat") == file);
}

TEST_F(KyogiScreenTest, RankingPrintListsRankedRowsFirst) {
  CompetitionRecord h = Heat(4, 2, 3);
  for (int r = 0; r < kRows; ++r) {
    h.EntryNo[r] = 0;
    h.Record[r] = 0;
    h.Rank[r] = 0;
  }
  h.EntryNo[0] = 5;  // lane 1, no rank
  h.Record[0] = 3000;
  h.EntryNo[3] = 7;  // lane 4, rank 2
  h.Record[3] = 10234;
  h.Rank[3] = 2;
  h.EntryNo[6] = 9;  // lane 7, rank 1
  h.Record[6] = 2345;
  h.Rank[6] = 1;
  WriteMeet(1, {h});
  window.Load();
  window.OnMenu("mLpRank");
  ASSERT_EQ(host.lines.size(), 3u);
  EXPECT_EQ(host.lines[0].lane, 7);
  EXPECT_EQ(host.lines[0].time, "   23.45");
  EXPECT_EQ(host.lines[1].lane, 4);
  EXPECT_EQ(host.lines[1].entryNo, 7);
  EXPECT_EQ(host.lines[1].time, " 1:02.34");
  EXPECT_EQ(host.lines[2].lane, 1);
  EXPECT_EQ(host.lines[2].rank, 0);
  EXPECT_NE(host.title.find("4"), std::string::npos);
  EXPECT_NE(host.title.find("2組"), std::string::npos);
}

TEST_F(KyogiScreenTest, FailedImportsShowOneMessageEachAndKeepTheFiles) {
  StandardMeet();
  const std::string before = MeetFile();
  dir.Write("data/Projun.dat", "old");
  for (const char* m : {"mWKyogi", "mWProjun", "mWShikaku", "mWHpro", "mWRel"}) window.OnMenu(m);
  ASSERT_EQ(messages.messages.size(), 5u);
  EXPECT_NE(messages.messages[0].find("qkyogi.txt"), std::string::npos) << messages.messages[0];
  EXPECT_NE(messages.messages[1].find("qpro.txt"), std::string::npos) << messages.messages[1];
  EXPECT_TRUE(MeetFile() == before);
  EXPECT_EQ(dir.Read("data/Projun.dat"), "old");
}

TEST_F(KyogiScreenTest, AdjustmentErrorsBecomeAMessage) {
  StandardMeet();
  dir.MakeDir("data/Shikaku.dat");  // a folder where the file should be
  window.OnAdjustClick();
  ASSERT_EQ(messages.messages.size(), 1u);
  EXPECT_NE(messages.messages[0].find("Shikaku.dat"), std::string::npos) << messages.messages[0];
}

// One imported competition: program p, heat 1 of 1, every row value v.
std::string ImportLine(int p, int v) {
  std::string line = std::to_string(p) + ",1,1,\"1\",0,0,1,\"1\",\"100000\"";
  for (int r = 0; r < kRows; ++r) {
    for (int f = 0; f < 7; ++f) line += "," + std::to_string(v);
    line += ",\"B\"";
  }
  return line + ",0,\"x\",\"y\"\r\n";
}

TEST_F(KyogiScreenTest, AnEntryAfterTheMeetImportWritesIntoTheNewFile) {
  StandardMeet();
  Search("2.2");
  ASSERT_EQ(meet.CurrentCompetitionNo, 3);
  dir.Write("a/qkyogi.txt",
            ImportLine(7, 1) + ImportLine(8, 2) + ImportLine(9, 3) + ImportLine(10, 4));
  window.OnMenu("mWKyogi");
  ASSERT_TRUE(messages.messages.empty()) << messages.messages[0];
  EXPECT_EQ(meet.CompetitionCount, 4);
  EXPECT_EQ(lblPNo.caption, "9");
  EXPECT_EQ(txtKiro[0].text, "3");
  const std::string imported = MeetFile();

  Type(txtJun[4], "5", 1);
  window.CommitRowEntry(EntryColumn::Jun, 4);
  std::string expected = imported;
  const std::size_t at = 12 * kMeetRecordLength + 142 + 2 * 4;
  expected[at] = 5;
  expected[at + 1] = 0;
  EXPECT_TRUE(MeetFile() == expected);
}

}  // namespace
}  // namespace poolside
