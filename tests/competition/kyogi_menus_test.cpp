// The timing and order buttons, the menus, the program print entry, the
// ranking print, the imports and the record adjustment.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "competition/kyogi_rig.h"
#include "format/time_text.h"
#include "platform/cp932.h"

namespace poolside {
namespace {

using testing::KyogiRig;

class KyogiMenusTest : public KyogiRig {
 protected:
  void SetUp() override {
    WriteMeetOf(8);
    window->Load();
  }
  // The program page file: pages listing the given competitions.
  void WritePages(const std::vector<std::vector<int>>& pages, int count = -1) {
    std::string file(10 * 128, '\0');
    const int n = count < 0 ? static_cast<int>(pages.size()) : count;
    file[0] = static_cast<char>(n & 0xff);
    file[1] = static_cast<char>((n >> 8) & 0xff);
    for (const auto& page : pages) {
      std::string record(128, '\0');
      for (std::size_t e = 0; e < page.size(); ++e) {
        record[2 + 2 * e] = static_cast<char>(page[e]);
      }
      file += record;
    }
    dir.Write("data/hpro.dat", file);
  }
  // One competition of the meet's text copy: 108 items.
  static std::string MeetText(int program, int heat, int record0) {
    std::string t = std::to_string(program) + "," + std::to_string(heat) + ",2,\"1\",1,2,3,\"2\"," +
                    "\"101500\"";
    for (int r = 0; r < 12; ++r) {
      t += ",0," + std::to_string(record0 + r) + "," + std::to_string(r + 1) + ",0,0,0,0,\"" +
           std::to_string(r % 10) + "\"";
    }
    return t + ",0,\"name\",\"club\"\r\n";
  }
};

TEST_F(KyogiMenusTest, ButtonsOpenTheirWindowsOnceAndRingTheFocus) {
  window->OnKeijiClick();
  EXPECT_TRUE(txtToi.HasFocus());
  window->OnKeijiKeyDown(kKeyEnter);
  EXPECT_TRUE(txtToi.HasFocus());
  EXPECT_EQ(host.calls, (std::vector<std::string>{"timing", "timing"}));
  window->OnKeijiKeyDown(kKeyRight);
  EXPECT_TRUE(cmdOhda.HasFocus());
  window->OnKeijiKeyDown(kKeyLeft);
  EXPECT_TRUE(txtToi.HasFocus());

  cmdKeiji.SetFocus();
  window->OnOhdaClick();  // the click leaves the focus alone
  EXPECT_TRUE(cmdKeiji.HasFocus());
  window->OnOhdaKeyDown(kKeyEnter);
  EXPECT_TRUE(txtToi.HasFocus());
  window->OnOhdaKeyDown(kKeyLeft);
  EXPECT_TRUE(cmdKeiji.HasFocus());
  window->OnOhdaKeyDown(kKeyRight);
  EXPECT_TRUE(txtToi.HasFocus());
  window->OnOhdaKeyDown(kKeyUp);
  window->OnKeijiKeyDown(kKeyDown);
  window->OnOhdaKeyDown('A');  // other keys: nothing
  window->OnKeijiKeyDown('A');
  EXPECT_TRUE(txtToi.HasFocus());
  EXPECT_EQ(host.calls,
            (std::vector<std::string>{"timing", "timing", "frmOhda modal", "frmOhda modal"}));
}

TEST_F(KyogiMenusTest, MenusOpenModelessWindowsAndTheEndClosesTheFiles) {
  for (const char* menu : {"mKijun", "mProjun", "mKiroku", "mVwPage"}) window->OnMenu(menu);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"frmKijun modeless", "frmProjun modeless",
                                                  "frmKiroku modeless", "frmVwPage modeless"}));
  ASSERT_TRUE(meet.MeetFileOpen());
  window->OnMenu("mOwari");
  EXPECT_FALSE(meet.MeetFileOpen());
  EXPECT_EQ(host.calls.back(), "end 0");
  EXPECT_TRUE(messages.messages.empty());
}

TEST_F(KyogiMenusTest, ProgramPrintOpensOnTheLastPageListingTheCompetition) {
  for (int i = 0; i < 6; ++i) window->NextCompetition();
  ASSERT_EQ(meet.CurrentCompetitionNo, 7);
  WritePages({{1, 2}, {3, 4, 5}, {0, 0, 0, 0, 0, 0, 0, 7}, {6, 7}, {8}});
  const std::string pages = dir.Read("data/hpro.dat");
  window->OnMenu("mLpPage");
  EXPECT_EQ(host.calls.back(), "program 4");
  EXPECT_EQ(dir.Read("data/hpro.dat"), pages);  // read, never written

  WritePages({});  // no page: the window opens with its boxes as they were
  window->OnMenu("mLpPage");
  EXPECT_EQ(host.calls.back(), "program none");

  WritePages({{7}}, 30000);  // a count far beyond the file: zero pages past its end
  window->OnMenu("mLpPage");
  EXPECT_EQ(host.calls.back(), "program 1");
  EXPECT_TRUE(messages.messages.empty());
}

TEST_F(KyogiMenusTest, AnUnreadablePageFileIsOneMessageAndNoWindow) {
  dir.MakeDir("data/hpro.dat");
  window->OnMenu("mLpPage");
  ASSERT_EQ(messages.messages.size(), 1u);
  EXPECT_NE(messages.messages[0].find("hpro.dat"), std::string::npos) << messages.messages[0];
  EXPECT_TRUE(host.calls.empty());
}

TEST_F(KyogiMenusTest, RankingPrintListsTheRankedRowsFirst) {
  CompetitionRecord heat = Heat(5, 2, 3);
  for (int r = 0; r < 12; ++r) {
    heat.EntryNo[r] = 0;
    heat.Record[r] = 0;
    heat.Rank[r] = 0;
  }
  heat.EntryNo[0] = 4;  // entered, no rank yet
  heat.EntryNo[2] = 9;
  heat.Record[2] = 10234;
  heat.Rank[2] = 2;
  heat.EntryNo[5] = 3;
  heat.Record[5] = 5999;
  heat.Rank[5] = 1;
  heat.Record[11] = 888888;  // a reserve with only a status
  WriteMeet({heat});
  window->Load();
  window->OnMenu("mLpRank");

  ASSERT_EQ(host.calls, (std::vector<std::string>{"ranking"}));
  ASSERT_EQ(host.lines.size(), 4u);
  EXPECT_EQ(host.lines[0].rank, 1);
  EXPECT_EQ(host.lines[0].lane, 6);
  EXPECT_EQ(host.lines[0].entryNo, 3);
  EXPECT_EQ(host.lines[0].time, TimeText(5999));
  EXPECT_EQ(host.lines[1].lane, 3);
  EXPECT_EQ(host.lines[1].time, " 1:02.34");
  EXPECT_EQ(host.lines[2].lane, 1);  // unranked rows after, in lane order
  EXPECT_EQ(host.lines[2].rank, 0);
  EXPECT_EQ(host.lines[3].lane, 12);
  EXPECT_EQ(host.lines[3].time, TimeText(888888));
  EXPECT_NE(host.title.find("5"), std::string::npos) << host.title;
  EXPECT_NE(host.title.find("2組"), std::string::npos) << host.title;
}

TEST_F(KyogiMenusTest, AnEntryAfterTheMeetImportWritesIntoTheNewFile) {
  window->NextCompetition();  // competition 2 of the old meet
  std::string text;
  for (int p = 1; p <= 3; ++p) text += MeetText(40 + p, p, 30000 + 100 * p);
  dir.Write("a/qkyogi.txt", Utf8ToCp932(text));
  window->OnMenu("mWKyogi");
  ASSERT_TRUE(messages.messages.empty()) << messages.messages[0];

  // The screen shows the imported competition 2 ...
  EXPECT_EQ(meet.CompetitionCount, 3);
  EXPECT_EQ(meet.CurrentCompetitionNo, 2);
  EXPECT_EQ(lblPNo.caption, "42");
  EXPECT_EQ(kiro[0].text, "30200");
  EXPECT_EQ(lblZikan.caption, "10:15:00");
  const std::string imported = MeetBytes();

  // ... and an entry changes exactly one field of it in the new file.
  Type(kiro[4], "12345");
  Enter(EntryColumn::Kiro, 4);
  std::string expected = imported;
  const std::size_t at = 11 * kMeetRecordLength + 46 + 4 * 4;  // Record(4) of competition 2
  const std::string value("\x39\x30\x00\x00", 4);              // 12345
  expected.replace(at, 4, value);
  EXPECT_EQ(Difference(MeetBytes(), expected), "");

  // The new count holds for navigation too.
  window->NextCompetition();
  window->NextCompetition();
  EXPECT_EQ(messages.messages.back(), " 3より大きいデータはありません。");
}

TEST_F(KyogiMenusTest, AFailedImportIsOneMessageAndTheScreenKeepsItsFile) {
  window->NextCompetition();
  const std::string before = MeetBytes();
  // A competition cut short: the import refuses the whole text.
  dir.Write("a/qkyogi.txt", "1,1,1,\"1\",1,2,3\r\n");
  window->OnMenu("mWKyogi");
  ASSERT_EQ(messages.messages.size(), 1u);
  EXPECT_NE(messages.messages[0].find("qkyogi.txt"), std::string::npos) << messages.messages[0];
  EXPECT_EQ(Difference(MeetBytes(), before), "");
  Type(jun[0], "7");
  Enter(EntryColumn::Jun, 0);
  CompetitionRecord expected = Heat(2, 1, 1);
  expected.Rank[0] = 7;
  EXPECT_EQ(Difference(MeetBytes(), WithRecord(before, 2, expected)), "");
}

TEST_F(KyogiMenusTest, EveryImportNamesItsMissingTextAndLeavesItsDataFile) {
  struct Entry {
    const char* menu;
    const char* text;
    const char* data;
  };
  for (const Entry& e :
       {Entry{"mWKyogi", "qkyogi.txt", "taikai.dat"}, Entry{"mWProjun", "qpro.txt", "Projun.dat"},
        Entry{"mWShikaku", "Qsik.txt", "Shikaku.dat"}, Entry{"mWHpro", "qhpro.txt", "Hpro.dat"},
        Entry{"mWRel", "qrlay.txt", "Relay.dat"}}) {
    const std::string data = std::string("data/") + e.data;
    const bool existed = dir.Exists(data);
    const std::string before = dir.Read(data);
    messages.messages.clear();
    window->OnMenu(e.menu);
    ASSERT_EQ(messages.messages.size(), 1u) << e.menu;
    EXPECT_NE(messages.messages[0].find(e.text), std::string::npos) << messages.messages[0];
    EXPECT_EQ(dir.Exists(data), existed) << e.menu;
    EXPECT_EQ(dir.Read(data), before) << e.menu;
  }
}

TEST_F(KyogiMenusTest, AnImportReadsDriveAAndWritesTheDataFolderSilently) {
  dir.Write("a/qhpro.txt", "\"p\",1,2\n");
  window->OnMenu("mWHpro");
  EXPECT_TRUE(messages.messages.empty()) << messages.messages[0];
  const std::string pages = dir.Read("data/Hpro.dat");
  ASSERT_EQ(pages.size(), 11u * 128);
  EXPECT_EQ(pages[0], 1);  // one page, listing competitions 1 and 2
  window->OnMenu("mLpPage");
  EXPECT_EQ(host.calls.back(), "program 1");
}

TEST_F(KyogiMenusTest, TheRecordAdjustmentReportsItsFailureAsAMessage) {
  dir.Write("data/Shikaku.dat", std::string(300 * 384, '\0'));
  window->OnAdjustClick();
  EXPECT_TRUE(messages.messages.empty()) << messages.messages[0];
  EXPECT_GE(dir.Read("data/Shikaku.dat").size(), 463u * 384);

  std::remove(dir.File("data/Shikaku.dat").c_str());
  dir.MakeDir("data/Shikaku.dat");  // a folder where the file should be
  window->OnAdjustClick();
  ASSERT_EQ(messages.messages.size(), 1u);
  EXPECT_NE(messages.messages[0].find("Shikaku.dat"), std::string::npos) << messages.messages[0];
}

}  // namespace
}  // namespace poolside
