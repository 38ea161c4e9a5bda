#include <gtest/gtest.h>

#include <map>

#include "meet_fixture.h"

namespace poolside {
namespace {

using testing::MeetFixture;

// A complete settings file, one item per line, with some items replaced.
std::string SettingsFile(const std::map<int, std::string>& items, int count = 76) {
  std::string text;
  for (int i = 1; i <= count; ++i) {
    std::string item = std::to_string(i);
    if (i == 9 || i == 72) item = "0";
    if (i == 12) item = "1";
    if (i == 74 || i == 75) item = "YES";
    auto it = items.find(i);
    if (it != items.end()) item = it->second;
    text += item + "\r\n";
  }
  return text;
}

TEST(MetresPerLap, TheFourCombinationsAndNothingElse) {
  EXPECT_EQ(MetresPerLap("0", "0"), 50);
  EXPECT_EQ(MetresPerLap("0", "1"), 100);
  EXPECT_EQ(MetresPerLap("1", "0"), 25);
  EXPECT_EQ(MetresPerLap("1", "1"), 50);
  EXPECT_EQ(MetresPerLap("", "0"), 0);
  EXPECT_EQ(MetresPerLap("1", "2"), 0);
  EXPECT_EQ(MetresPerLap(" 1", "0"), 0);
  EXPECT_EQ(MetresPerLap("1.0", "0"), 0);
}

TEST_F(MeetFixture, ACompleteSettingsFileIsStoredItemByItem) {
  dir.Write("kijun.dat", SettingsFile({{1, "\x91\xe5\x89\xef"},
                                       {6, "2.5"},
                                       {7, "-3.5"},
                                       {9, "1"},
                                       {12, "2"},
                                       {14, "40.5"},
                                       {30, "32767"},
                                       {70, "-32768"},
                                       {72, "0"},
                                       {74, ""},
                                       {75, "\xb1\xb2"}}));
  meet.LoadMeetSettings();
  const MeetSettings& s = meet.Settings;
  EXPECT_EQ(s.Item1, "大会");
  EXPECT_EQ(s.Items3to5[2], "5");
  EXPECT_EQ(s.Items6to7[0], 2);  // halves go to the even neighbour
  EXPECT_EQ(s.Items6to7[1], -4);
  EXPECT_EQ(s.LapBaseCode, "1");
  EXPECT_EQ(s.ClassLabelMode, "2");
  EXPECT_EQ(s.Items14to15[0], 40);
  EXPECT_EQ(s.Items14to15[1], 15);
  EXPECT_EQ(s.Table16to30[14], 32767);
  EXPECT_EQ(s.Table51to70[19], -32768);
  EXPECT_EQ(s.Item71, "71");
  EXPECT_EQ(s.Item73, "73");
  EXPECT_EQ(s.Items74to75[0], " ");
  EXPECT_EQ(s.Items74to75[1], "ｱ");
  EXPECT_EQ(MetresPerLap(s.LapBaseCode, s.LapDoubleCode), 25);
}

TEST_F(MeetFixture, AFileWithoutItem76KeepsOnlyTheItemsAfterSeventy) {
  dir.Write("kijun.dat", SettingsFile({{9, "1"}, {12, "2"}, {72, "1"}}, 75));
  meet.LoadMeetSettings();
  EXPECT_EQ(meet.Settings.ClassLabelMode, "");
  EXPECT_EQ(meet.Settings.LapBaseCode, "");
  EXPECT_EQ(meet.Settings.LapDoubleCode, "1");  // read before the failure
  EXPECT_EQ(meet.Settings.Item71, "71");
  EXPECT_EQ(meet.Settings.Items14to15[0], 4);
  EXPECT_EQ(meet.Settings.Items14to15[1], 0);
  EXPECT_EQ(meet.Settings.Table31to50[0], 0);
  EXPECT_EQ(meet.Settings.Item1, "1");  // items 1 and 2 are not reset
  EXPECT_EQ(MetresPerLap(meet.Settings.LapBaseCode, meet.Settings.LapDoubleCode), 0);
}

TEST_F(MeetFixture, OutOfRangeNumbersResetTheSettings) {
  dir.Write("kijun.dat", SettingsFile({{72, "1"}}));
  meet.LoadMeetSettings();
  ASSERT_EQ(meet.Settings.ClassLabelMode, "1");
  // A later bad reading keeps item 72 from the earlier good one.
  for (const auto& [item, value] : std::map<int, std::string>{
           {14, "40000"}, {7, "3000000000"}, {50, "-32769"}, {20, "1E300"}}) {
    dir.Write("kijun.dat", SettingsFile({{item, value}, {72, "0"}}));
    meet.LoadMeetSettings();
    EXPECT_EQ(meet.Settings.ClassLabelMode, "") << "item " << item;
    EXPECT_EQ(meet.Settings.Items14to15[0], 4) << "item " << item;
    EXPECT_EQ(meet.Settings.Items6to7[1], 0) << "item " << item;
    EXPECT_EQ(meet.Settings.LapDoubleCode, "1") << "item " << item;
  }
}

TEST_F(MeetFixture, GarbageAndMissingFilesFallBackWithOneWarningEach) {
  meet.LoadMeetSettings();  // no file at all
  EXPECT_EQ(meet.Settings.Items14to15[0], 4);
  EXPECT_EQ(meet.Settings.LapDoubleCode, "");
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("既定の設定"), std::string::npos) << warnings[0];
  EXPECT_NE(warnings[0].find(dir.File("kijun.dat")), std::string::npos) << warnings[0];
  meet.LoadMeetSettings();  // the same cause is not repeated
  EXPECT_EQ(warnings.size(), 1u);

  const char garbage[] = "\x81\xff\x00\x01,,\"unterminated\r\n\x82";
  dir.Write("kijun.dat", std::string(garbage, sizeof garbage - 1));
  meet.LoadMeetSettings();
  EXPECT_EQ(meet.Settings.ClassLabelMode, "");
  EXPECT_EQ(warnings.size(), 2u);

  // An out-of-range number names its line.
  dir.Write("kijun.dat", SettingsFile({{14, "40000"}}));
  meet.LoadMeetSettings();
  ASSERT_EQ(warnings.size(), 3u);
  EXPECT_NE(warnings[2].find("14 行目"), std::string::npos) << warnings[2];

  // Text where numbers belong reads as 0: not a failure, no warning.
  dir.Write("kijun.dat", SettingsFile({{14, "abc"}, {12, " 2.0"}}));
  meet.LoadMeetSettings();
  EXPECT_EQ(meet.Settings.Items14to15[0], 0);
  EXPECT_EQ(meet.Settings.ClassLabelMode, "2.0");
  EXPECT_EQ(warnings.size(), 3u);
}

TEST_F(MeetFixture, QuotedItemsMayHoldCommas) {
  std::string text = SettingsFile({{1, "\"a,b,c\""}, {9, "1"}});
  dir.Write("kijun.dat", text);
  meet.LoadMeetSettings();
  EXPECT_EQ(meet.Settings.Item1, "a,b,c");
  EXPECT_EQ(meet.Settings.LapBaseCode, "1");
  // Unquoted, the commas make extra items and shift everything after.
  dir.Write("kijun.dat", SettingsFile({{1, "a,b"}, {9, "1"}}));
  meet.LoadMeetSettings();
  EXPECT_EQ(meet.Settings.Item2, "b");
  EXPECT_EQ(meet.Settings.LapBaseCode, "8");
}

}  // namespace
}  // namespace poolside
