#include <gtest/gtest.h>

#include "meet_fixture.h"
#include "platform/errors.h"

namespace poolside {
namespace {

using testing::MeetFixture;

// Bytes 0..249 of a record whose numbers are arbitrary and whose text fields
// hold whole Shift-JIS characters (kana, digits, a blank, a zero byte).
Bytes ArbitraryRecord() {
  Bytes b(kMeetRecordLength);
  for (std::size_t i = 0; i < b.size(); ++i) b[i] = static_cast<std::uint8_t>(i * 37 + 11);
  PutRaw(b, 6, "\xb1");                 // SexCode: half-width ｱ
  PutRaw(b, 13, std::string(1, '\0'));  // RoundCode: a zero byte
  PutRaw(b, 14,
         "\x83\x41\x83\x43"
         "12");  // StartTime: アイ12
  std::string hoj =
      "1 \xb6\xb7"
      "0";  // HojCode: twelve one-byte codes
  hoj += '\0';
  hoj += "A9 ~\\Z";
  PutRaw(b, 238, hoj);
  return b;
}

TEST_F(MeetFixture, AMissingOrShortMeetFileWarnsOnceAndStillLoads) {
  meet.LoadMeetHeader();  // created empty
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find(dir.File("taikai.dat")), std::string::npos) << warnings[0];
  EXPECT_NE(warnings[0].find("空の大会ファイル"), std::string::npos) << warnings[0];
  meet.LoadMeetHeader();  // now it exists and is empty: nothing more to say
  EXPECT_EQ(warnings.size(), 1u);

  // A count of 3 needs records 1..13; 12 whole records hold 2 competitions.
  WriteRecords("taikai.dat", kMeetRecordLength, {Header(kMeetRecordLength, 3)});
  dir.Write("taikai.dat", dir.Read("taikai.dat") + std::string(11 * kMeetRecordLength + 100, 'x'));
  meet.LoadMeetHeader();
  EXPECT_EQ(meet.CompetitionCount, 3);
  ASSERT_EQ(warnings.size(), 2u);
  EXPECT_NE(warnings[1].find("競技数 3 より短く、2 競技分"), std::string::npos) << warnings[1];
  meet.LoadMeetHeader();
  EXPECT_EQ(warnings.size(), 2u);

  // Exactly long enough: no warning.
  dir.Write("taikai.dat", dir.Read("taikai.dat").substr(0, 12 * kMeetRecordLength) +
                              std::string(kMeetRecordLength, 'y'));
  meet.LoadMeetHeader();
  EXPECT_EQ(warnings.size(), 2u);
}

TEST_F(MeetFixture, HeaderCountComesFromTheFirstTwoBytes) {
  meet.LoadMeetHeader();
  EXPECT_EQ(meet.CompetitionCount, 0);
  EXPECT_TRUE(dir.Exists("taikai.dat"));  // created empty
  EXPECT_EQ(dir.Read("taikai.dat").size(), 0u);

  dir.Write("taikai.dat", std::string("\x05\x00", 2) + std::string(8, 'x'));  // 10 bytes
  meet.LoadMeetHeader();
  EXPECT_EQ(meet.CompetitionCount, 0);

  for (std::int16_t count : {std::int16_t{30}, std::int16_t{-3}, std::int16_t{32767}}) {
    WriteRecords("taikai.dat", kMeetRecordLength, {Header(kMeetRecordLength, count)});
    meet.LoadMeetHeader();
    EXPECT_EQ(meet.CompetitionCount, count);
  }
  // Eleven bytes are enough to read the count from.
  dir.Write("taikai.dat", std::string("\x07\x00", 2) + std::string(9, 'x'));
  meet.LoadMeetHeader();
  EXPECT_EQ(meet.CompetitionCount, 7);
  EXPECT_TRUE(meet.MeetFileOpen());
  meet.CloseMeetFile();
  EXPECT_FALSE(meet.MeetFileOpen());
}

TEST_F(MeetFixture, FileNamesMatchWithoutRegardToCase) {
  WriteRecords("Taikai.dat", kMeetRecordLength, {Header(kMeetRecordLength, 4)});
  meet.LoadMeetHeader();
  EXPECT_EQ(meet.CompetitionCount, 4);
  EXPECT_FALSE(dir.HasEntry("taikai.dat"));
}

TEST_F(MeetFixture, AMissingDataFolderFailsNamingTheMeetFile) {
  meet.DataFolder = dir.Path() + "\\gone\\";
  try {
    meet.LoadMeetHeader();
    FAIL() << "no error for a missing data folder";
  } catch (const IoError& e) {
    EXPECT_NE(std::string(e.what()).find("taikai.dat"), std::string::npos) << e.what();
  }
  EXPECT_THROW(meet.LoadRaceHeat(1), IoError);
}

TEST_F(MeetFixture, LoadThenSaveKeepsTheRecordAndZeroesItsLastSixBytes) {
  const Bytes original = ArbitraryRecord();
  WriteRecords(
      "taikai.dat", kMeetRecordLength,
      {Header(kMeetRecordLength, 2), {}, {}, {}, {}, {}, {}, {}, {}, {}, Bytes{}, original});
  meet.LoadMeetHeader();
  meet.LoadCurrentHeat(2);
  EXPECT_EQ(meet.CurrentHeat.SexCode, "ｱ");
  EXPECT_EQ(meet.CurrentHeat.RoundCode, std::string(1, '\0'));
  EXPECT_EQ(meet.CurrentHeat.StartTime, "アイ:12:");
  meet.CurrentHeat.StartTime = "アイ:12:";  // as shown
  meet.SaveCurrentHeat(2);
  const std::string file = dir.Read("taikai.dat");
  ASSERT_EQ(file.size(), 12 * kMeetRecordLength);
  const std::string stored = file.substr(11 * kMeetRecordLength);
  EXPECT_EQ(stored.substr(0, 250), std::string(original.begin(), original.begin() + 250));
  EXPECT_EQ(stored.substr(250), std::string(6, '\0'));
  // Record 11 (competition 1) and the header are untouched.
  EXPECT_EQ(file.substr(10 * kMeetRecordLength, kMeetRecordLength), std::string(256, '\0'));
  EXPECT_EQ(file.substr(0, 2), std::string("\x02\x00", 2));
}

TEST_F(MeetFixture, FieldsSitAtTheirOffsetsWithoutPadding) {
  CompetitionRecord h;
  h.ProgramNo = 0x0102;
  h.HeatNo = 3;
  h.HeatCount = 4;
  h.SexCode = "2";
  h.ClassLow = 11;
  h.ClassHigh = 16;
  h.EventCode = 29;
  h.RoundCode = "1";
  h.HeatExtra = -2;
  for (int r = 0; r < kRows; ++r) {
    h.EntryNo[r] = static_cast<std::int16_t>(100 + r);
    h.Record[r] = 10234 + r;
    h.AltRecord[r] = -r;
    h.Rank[r] = static_cast<std::int16_t>(r + 1);
    h.MuCode[r] = 1;
    h.NenCode[r] = 2;
    h.RemarkCode[r] = 3;
  }
  h.HojCode[11] = "K";
  const Bytes b = EncodeCompetitionRecord(h, "093000");
  ASSERT_EQ(b.size(), kMeetRecordLength);
  EXPECT_EQ(GetInt16(b, 0), 0x0102);
  EXPECT_EQ(b[6], '2');
  EXPECT_EQ(GetInt16(b, 7), 11);
  EXPECT_EQ(GetInt16(b, 9), 16);
  EXPECT_EQ(GetInt16(b, 11), 29);
  EXPECT_EQ(b[13], '1');
  EXPECT_EQ(GetRaw(b, 14, 6), "093000");
  EXPECT_EQ(GetInt16(b, 20), -2);
  EXPECT_EQ(GetInt16(b, 22 + 2 * 11), 111);
  EXPECT_EQ(GetInt32(b, 46), 10234);
  EXPECT_EQ(GetInt32(b, 46 + 4 * 11), 10245);
  EXPECT_EQ(GetInt32(b, 94 + 4 * 11), -11);
  EXPECT_EQ(GetInt16(b, 142 + 2 * 11), 12);
  EXPECT_EQ(GetInt16(b, 166), 1);
  EXPECT_EQ(GetInt16(b, 190), 2);
  EXPECT_EQ(GetInt16(b, 214 + 22), 3);
  EXPECT_EQ(GetRaw(b, 238, 12), std::string(11, ' ') + "K");  // empty codes are blanks
  EXPECT_EQ(GetRaw(b, 250, 6), std::string(6, '\0'));
  const CompetitionRecord back = DecodeCompetitionRecord(b);
  EXPECT_EQ(back.Record, h.Record);
  EXPECT_EQ(back.AltRecord, h.AltRecord);
  EXPECT_EQ(back.HojCode[11], "K");
  EXPECT_EQ(back.HojCode[0], " ");
  EXPECT_EQ(back.StartTime, "093000");
}

TEST_F(MeetFixture, TextFieldsAreCutAtAWholeCharacter) {
  CompetitionRecord h;
  h.SexCode = "男";  // two bytes do not fit one
  h.RoundCode = "ｱ";
  const Bytes b = EncodeCompetitionRecord(h, "予選予選");
  EXPECT_EQ(b[6], ' ');
  EXPECT_EQ(b[13], 0xB1);
  EXPECT_EQ(GetRaw(b, 14, 6), "\x97\x5c\x91\x49\x97\x5c");
  EXPECT_EQ(b[20], 0);  // nothing spilled into HeatExtra
}

TEST_F(MeetFixture, StartTimeGainsAndLosesItsColons) {
  CompetitionRecord h;
  const Bytes rec = EncodeCompetitionRecord(h, "123456");
  const Bytes blank = EncodeCompetitionRecord(h, "");
  WriteRecords("taikai.dat", kMeetRecordLength,
               {Header(kMeetRecordLength, 2), {}, {}, {}, {}, {}, {}, {}, {}, {}, rec, blank});
  meet.LoadMeetHeader();
  meet.LoadCurrentHeat(1);
  EXPECT_EQ(meet.CurrentHeat.StartTime, "12:34:56");
  meet.LoadCurrentHeat(2);
  EXPECT_EQ(meet.CurrentHeat.StartTime, "  :  :  ");
  meet.LoadRaceHeat(1);
  EXPECT_EQ(meet.RaceHeat.StartTime, "123456");

  meet.CurrentHeat.StartTime = "12-34-56";
  meet.SaveCurrentHeat(2);
  meet.LoadRaceHeat(2);
  EXPECT_EQ(meet.RaceHeat.StartTime, "123456");
  meet.CurrentHeat.StartTime = "9:3";  // too short: what is there is kept, padded
  meet.SaveCurrentHeat(2);
  meet.LoadRaceHeat(2);
  EXPECT_EQ(meet.RaceHeat.StartTime, "9:    ");
}

TEST_F(MeetFixture, RecordNumbersBeyondSixteenBitsAreRefusedBeforeAnyIo) {
  EXPECT_THROW(meet.LoadRaceHeat(32758), OverflowError);
  EXPECT_FALSE(dir.Exists("taikai.dat"));  // nothing was opened
  meet.LoadMeetHeader();
  EXPECT_THROW(meet.LoadCurrentHeat(32758), OverflowError);
  EXPECT_THROW(meet.SaveCurrentHeat(40000), OverflowError);
  EXPECT_THROW(meet.LoadCurrentHeat(-11), OverflowError);
  EXPECT_EQ(dir.Read("taikai.dat").size(), 0u);
  // The last record number still works and reads as zeros past the end.
  meet.LoadCurrentHeat(32757);
  EXPECT_EQ(meet.CurrentHeat.ProgramNo, 0);
  EXPECT_EQ(meet.CurrentHeat.SexCode, std::string(1, '\0'));
}

TEST_F(MeetFixture, CountsThatPointPastTheEndReadZeroRecords) {
  CompetitionRecord h;
  h.ProgramNo = 9;
  WriteRecords("taikai.dat", kMeetRecordLength,
               {Header(kMeetRecordLength, 50),
                {},
                {},
                {},
                {},
                {},
                {},
                {},
                {},
                {},
                EncodeCompetitionRecord(h, "100000")});
  meet.LoadMeetHeader();
  EXPECT_EQ(meet.CompetitionCount, 50);
  meet.LoadRaceHeat(1);
  EXPECT_EQ(meet.RaceHeat.ProgramNo, 9);
  meet.LoadRaceHeat(50);
  EXPECT_EQ(meet.RaceHeat.ProgramNo, 0);
  EXPECT_EQ(meet.RaceHeat.EntryNo, (std::array<std::int16_t, kRows>{}));
  // A file cut inside a record reads the rest as zeros.
  std::string cut = dir.Read("taikai.dat").substr(0, 10 * kMeetRecordLength + 3);
  dir.Write("taikai.dat", cut);
  meet.LoadRaceHeat(1);
  EXPECT_EQ(meet.RaceHeat.ProgramNo, 9);
  EXPECT_EQ(meet.RaceHeat.HeatNo, 0);
}

TEST_F(MeetFixture, InvalidShiftJisInTextFieldsNeverCrashes) {
  Bytes bad(kMeetRecordLength, 0);
  PutRaw(bad, 6, "\x81");  // a lead byte alone
  PutRaw(bad, 13, "\xff");
  PutRaw(bad, 14, "\x81\x20\xfd\xfe\x82\x00");  // broken pairs and a cut one
  for (std::size_t i = 238; i < 250; ++i) bad[i] = static_cast<std::uint8_t>(0x80 + i);
  WriteRecords("taikai.dat", kMeetRecordLength,
               {Header(kMeetRecordLength, 1), {}, {}, {}, {}, {}, {}, {}, {}, {}, bad});
  meet.LoadMeetHeader();
  meet.LoadCurrentHeat(1);
  meet.SaveCurrentHeat(1);
  const std::string stored = dir.Read("taikai.dat").substr(10 * kMeetRecordLength);
  ASSERT_EQ(stored.size(), kMeetRecordLength);
  // Whatever replaced the bad bytes stays inside each field.
  EXPECT_EQ(stored.substr(0, 6), std::string(6, '\0'));
  EXPECT_EQ(stored.substr(20, 218), std::string(218, '\0'));
  EXPECT_EQ(stored.substr(250), std::string(6, '\0'));
}

TEST_F(MeetFixture, TheMeetFileMustBeOpenForTheCompetitionScreen) {
  meet.LoadMeetHeader();
  meet.CloseMeetFile();
  try {
    meet.LoadCurrentHeat(1);
    FAIL() << "no error with the meet file closed";
  } catch (const IoError& e) {
    EXPECT_NE(std::string(e.what()).find("taikai.dat"), std::string::npos) << e.what();
  }
  EXPECT_THROW(meet.SaveCurrentHeat(1), IoError);
  // The timing window's own read opens its own handle.
  meet.LoadRaceHeat(1);
  EXPECT_FALSE(meet.MeetFileOpen());
}

TEST_F(MeetFixture, CloseAllClosesBothFiles) {
  meet.LoadMeetHeader();
  meet.LoadPageHeader();
  meet.CloseAll();
  EXPECT_FALSE(meet.MeetFileOpen());
  EXPECT_THROW(meet.FindCompetitionPage(1), IoError);
}

}  // namespace
}  // namespace poolside
