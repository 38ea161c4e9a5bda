// Load, navigation, the competition search and what the screen shows.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "competition/kyogi_rig.h"
#include "format/labels.h"
#include "platform/errors.h"

namespace poolside {
namespace {

using testing::KyogiRig;

class KyogiWindowTest : public KyogiRig {};

TEST_F(KyogiWindowTest, LoadShowsTheFirstCompetitionAndWritesNothing) {
  CompetitionRecord first = Heat(12, 2, 4);
  first.StartTime = "141500";
  first.HojCode[3] = "A";
  first.HojCode[4] = " ";
  WriteMeet({first, Heat(13, 1, 1)});
  const std::string before = MeetBytes();
  window->Load();

  EXPECT_EQ(meet.CompetitionCount, 2);
  EXPECT_EQ(meet.CurrentCompetitionNo, 1);
  EXPECT_EQ(lblPNo.caption, "12");
  EXPECT_EQ(lblKumi.caption, "2");
  EXPECT_EQ(lblTKumi.caption, "4");
  EXPECT_EQ(lblZikan.caption, "14:15:00");
  EXPECT_EQ(lblSei.caption, SexLabel("1"));
  EXPECT_EQ(lblShumoku.caption, EventLabel(1));
  EXPECT_EQ(lblYoKetu.caption, RoundLabel("1"));
  // Each entry box holds what its Enter would store again: a record as its
  // number, never as a time text.
  EXPECT_EQ(kiro[0].text, "10234");
  EXPECT_EQ(jun[5].text, "6");
  EXPECT_EQ(mu[11].text, "111");
  EXPECT_EQ(nen[1].text, "201");
  EXPECT_EQ(biko[2].text, "302");
  EXPECT_EQ(no[9].text, "10");
  EXPECT_EQ(hoj[2].text, "2");
  EXPECT_EQ(hoj[3].text, "A");
  EXPECT_EQ(hoj[4].text, "");  // a blank code
  for (int r = 0; r < 12; ++r) {
    for (auto* boxes : {&namae, &kana, &ken, &sho, &tosi, &gaku, &qkiro, &qban}) {
      EXPECT_EQ((*boxes)[r].text, "");
    }
  }
  EXPECT_EQ(Difference(MeetBytes(), before), "");
  EXPECT_TRUE(messages.messages.empty());
}

TEST_F(KyogiWindowTest, LoadFailuresNameTheFile) {
  std::filesystem::remove(dir.File("ctl/dr_kyo.ctl"));
  try {
    window->Load();
    FAIL() << "no error for a missing control file";
  } catch (const RuntimeError& e) {
    EXPECT_NE(std::string(e.what()).find("dr_kyo.ctl"), std::string::npos) << e.what();
  }
  dir.Write("ctl/dr_kyo.ctl", "");
  try {
    window->Load();
    FAIL() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_NE(std::string(e.what()).find("dr_kyo.ctl"), std::string::npos) << e.what();
  }
  // A data folder that does not exist: the meet file cannot be created.
  dir.Write("ctl/dr_kyo.ctl", "meet\r\nc:\\nowhere\r\nx\r\n");
  try {
    window->Load();
    FAIL() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_NE(std::string(e.what()).find("taikai.dat"), std::string::npos) << e.what();
  }
}

TEST_F(KyogiWindowTest, NavigationStopsAtBothEndsWithItsMessages) {
  WriteMeetOf(25);
  window->Load();
  window->OnToiKeyDown(kKeyUp, 0);
  ASSERT_EQ(messages.messages.size(), 1u);
  EXPECT_EQ(messages.messages[0], "１より小さいレコードはありません。");
  EXPECT_EQ(meet.CurrentCompetitionNo, 1);

  for (int i = 0; i < 24; ++i) window->OnToiKeyDown(kKeyDown, 0);
  EXPECT_EQ(meet.CurrentCompetitionNo, 25);
  EXPECT_EQ(lblPNo.caption, "25");
  EXPECT_EQ(messages.messages.size(), 1u);
  window->OnToiKeyDown(kKeyDown, 0);
  ASSERT_EQ(messages.messages.size(), 2u);
  EXPECT_EQ(messages.messages[1], " 25より大きいデータはありません。");
  EXPECT_EQ(meet.CurrentCompetitionNo, 25);
  EXPECT_EQ(meet.CurrentHeat.ProgramNo, 25);

  window->OnToiKeyDown(kKeyUp, kCtrlMask | kShiftMask);  // not Shift alone: a step back
  EXPECT_EQ(meet.CurrentCompetitionNo, 24);
  EXPECT_EQ(lblPNo.caption, "24");
}

TEST_F(KyogiWindowTest, AnEmptyOrShortMeetReadsZeroRecordsPastTheEnd) {
  dir.Write("data/taikai.dat", std::string(10, '\x05'));  // 10 bytes: no header
  window->Load();
  EXPECT_EQ(meet.CompetitionCount, 0);
  EXPECT_EQ(meet.CurrentCompetitionNo, 1);
  EXPECT_EQ(lblPNo.caption, "0");
  EXPECT_EQ(kiro[0].text, "0");
  EXPECT_EQ(lblZikan.caption, "  :  :  ");
  window->NextCompetition();  // the end test is equality: 1 -> 2
  EXPECT_EQ(meet.CurrentCompetitionNo, 2);
  EXPECT_TRUE(messages.messages.empty());

  // A header that counts no competitions: Down steps on without a message.
  WriteMeet({}, 0);
  window->Load();
  EXPECT_EQ(meet.CompetitionCount, 0);
  EXPECT_EQ(kiro[0].text, "0");
  window->OnToiKeyDown(kKeyDown, 0);
  EXPECT_EQ(meet.CurrentCompetitionNo, 2);
  EXPECT_TRUE(messages.messages.empty());

  // A count that points past the last record.
  WriteMeet({Heat(7, 1, 1)}, 5);
  window->Load();
  for (int i = 0; i < 4; ++i) window->NextCompetition();
  EXPECT_EQ(meet.CurrentCompetitionNo, 5);
  EXPECT_EQ(lblPNo.caption, "0");
  EXPECT_EQ(no[0].text, "0");
  EXPECT_TRUE(messages.messages.empty());
  // The zero records past the end are program 0, heat 0: "0.0" finds one.
  Search("0.0");
  EXPECT_EQ(meet.CurrentCompetitionNo, 2);
  EXPECT_EQ(lblPNo.caption, "0");
}

TEST_F(KyogiWindowTest, StepsBeyondTheFilesReachAreRefusedWithoutMovingOn) {
  WriteMeetOf(1);
  window->Load();
  meet.CurrentCompetitionNo = 32757;
  EXPECT_THROW(window->NextCompetition(), OverflowError);
  EXPECT_EQ(meet.CurrentCompetitionNo, 32757);
}

// Competitions: 1 = 10.1, 2 = 12.1, 3 = 12.2, 4 = 12.3, 5 = 12.4, 6 = 0.3;
// the search starts from competition 2.
struct SearchCase {
  const char* text;
  int caret;  // -1: at the end
  int expected;
};

class KyogiSearchTest : public KyogiRig, public ::testing::WithParamInterface<SearchCase> {};

TEST_P(KyogiSearchTest, FindsTheFirstMatchAndClearsTheBox) {
  WriteMeet({Heat(10, 1, 1), Heat(12, 1, 4), Heat(12, 2, 4), Heat(12, 3, 4), Heat(12, 4, 4),
             Heat(0, 3, 3)});
  window->Load();
  window->NextCompetition();
  const std::string before = MeetBytes();
  Search(GetParam().text, GetParam().caret);
  EXPECT_EQ(meet.CurrentCompetitionNo, GetParam().expected);
  // CurrentHeat is the competition found (or the one before the search),
  // not the last one the search read.
  static constexpr int kProgram[] = {0, 10, 12, 12, 12, 12, 0};
  static constexpr int kHeat[] = {0, 1, 1, 2, 3, 4, 3};
  EXPECT_EQ(meet.CurrentHeat.ProgramNo, kProgram[GetParam().expected]);
  EXPECT_EQ(meet.CurrentHeat.HeatNo, kHeat[GetParam().expected]);
  EXPECT_EQ(lblKumi.caption, std::to_string(kHeat[GetParam().expected]));
  EXPECT_EQ(kiro[0].text, std::to_string(meet.CurrentHeat.Record[0]));  // the rows follow
  EXPECT_EQ(txtToi.text, "");
  EXPECT_EQ(Difference(MeetBytes(), before), "");
  EXPECT_TRUE(messages.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Texts, KyogiSearchTest,
    ::testing::Values(SearchCase{"12.3", -1, 4}, SearchCase{"12.9", -1, 5}, SearchCase{"12", -1, 2},
                      SearchCase{".3", -1, 6}, SearchCase{"12.3xyz", 4, 4},
                      SearchCase{"12.3xyz", 2, 2}, SearchCase{"12.3.4", -1, 4},
                      SearchCase{" 1 2 . 2.5", -1, 3}, SearchCase{"10.1", -1, 1},
                      SearchCase{"99.1", -1, 2}, SearchCase{"70000.1", -1, 2},
                      SearchCase{"12.-40000", -1, 2}, SearchCase{"", -1, 2},
                      SearchCase{"12.3", 0, 2}, SearchCase{"12.3xyz", 3, 2},  // "12.": heat 0
                      SearchCase{"1e300.1", -1, 2}));

TEST_F(KyogiWindowTest, AClampedHeatCarriesOnToLaterCompetitions) {
  // Heat 3 is beyond the first competition's heat count 2, so the search
  // looks for heat 2 from there on and never reaches 12.3.
  WriteMeet({Heat(12, 1, 2), Heat(12, 2, 2), Heat(12, 3, 3)});
  window->Load();
  Search("12.3");
  EXPECT_EQ(meet.CurrentCompetitionNo, 2);
}

TEST_F(KyogiWindowTest, AFailedReadDuringTheSearchKeepsTheCurrentCompetition) {
  WriteMeet({Heat(10, 1, 1), Heat(12, 1, 1), Heat(13, 1, 1)});
  window->Load();
  window->NextCompetition();
  {
    const OsCalls saved = Os();
    // The search reads competition 1, then the disk fails.
    static int reads;
    reads = 0;
    Os().pread = [](int fd, void* buf, size_t n, off_t at) -> ssize_t {
      if (++reads > 1) {
        errno = EIO;
        return -1;
      }
      return RealOs().pread(fd, buf, n, at);
    };
    Type(txtToi, "13.1");
    EXPECT_THROW(window->OnToiKeyDown(kKeyEnter, 0), IoError);
    Os() = saved;
  }
  EXPECT_EQ(meet.CurrentCompetitionNo, 2);
  EXPECT_EQ(meet.CurrentHeat.ProgramNo, 12);
  EXPECT_EQ(lblPNo.caption, "12");
  EXPECT_EQ(txtToi.text, "");
}

TEST_F(KyogiWindowTest, AFailedReadWhileSteppingKeepsNumberAndCompetitionTogether) {
  WriteMeetOf(3);
  window->Load();
  window->NextCompetition();
  const std::string before = MeetBytes();
  for (int key : {kKeyUp, kKeyDown}) {
    const OsCalls saved = Os();
    Os().pread = [](int, void*, size_t, off_t) -> ssize_t {
      errno = EIO;
      return -1;
    };
    EXPECT_THROW(window->OnToiKeyDown(key, 0), IoError);
    Os() = saved;
    EXPECT_EQ(meet.CurrentCompetitionNo, 2);
    EXPECT_EQ(meet.CurrentHeat.ProgramNo, 2);
  }
  // The next entry writes competition 2's own values back into its record.
  Type(jun[0], "9");
  window->OnEntryKeyDown(EntryColumn::Jun, 0, kKeyEnter, 0);
  CompetitionRecord expected = Heat(2, 1, 1);
  expected.Rank[0] = 9;
  EXPECT_EQ(Difference(MeetBytes(), WithRecord(before, 2, expected)), "");
}

TEST_F(KyogiWindowTest, ToiKeysMoveTheFocusAroundTheButtons) {
  WriteMeetOf(3);
  window->Load();
  window->OnToiKeyDown(kKeyLeft, 0);
  EXPECT_TRUE(cmdOhda.HasFocus());
  window->OnToiKeyDown(kKeyRight, 0);
  EXPECT_TRUE(cmdKeiji.HasFocus());
  window->OnToiKeyDown(kKeyRight, kShiftMask);
  EXPECT_TRUE(cmdKeiji.HasFocus());
  window->OnToiKeyDown(kKeyUp, kShiftMask);  // Shift alone: to the first row's number
  EXPECT_TRUE(no[0].HasFocus());
  EXPECT_EQ(meet.CurrentCompetitionNo, 1);
  EXPECT_TRUE(messages.messages.empty());
  window->OnToiKeyDown(kKeyDown, kAltMask);
  EXPECT_EQ(meet.CurrentCompetitionNo, 2);
  window->OnToiKeyDown('A', 0);  // other keys: nothing
  EXPECT_EQ(meet.CurrentCompetitionNo, 2);
  EXPECT_TRUE(no[0].HasFocus());
}

}  // namespace
}  // namespace poolside
