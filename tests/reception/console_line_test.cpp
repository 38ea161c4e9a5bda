#include "reception/console_line.h"

#include <gtest/gtest.h>

namespace poolside {
namespace {

// Columns: 1 any, 2 marker, 3 any, 4 lane, 5 rank, 6 any, 7-14 time, 15 kind.
std::string Line(char marker, char lane, char rank, const std::string& time8, char kind) {
  return std::string("x") + marker + "y" + lane + rank + "z" + time8 + kind + "\r";
}

TEST(ConsoleLine, ClassifiesByMarkerThenKind) {
  struct Case {
    std::string block;
    LineClass expected;
  };
  const Case cases[] = {
      {Line('A', '3', '1', " 1:02.34", 'L'), LineClass::Result},
      {Line('A', '3', '1', " 1:02.34", 'G'), LineClass::Result},
      {Line('A', '3', '1', " 1:02.34", 'T'), LineClass::Ignored},
      {Line('A', '3', '1', " 1:02.34", 'K'), LineClass::Ignored},
      {Line('A', '3', '1', " 1:02.34", 'J'), LineClass::Ignored},
      {Line('A', '3', '1', " 1:02.34", 'g'), LineClass::Clock},
      {Line('A', ' ', ' ', "    0.00", ' '), LineClass::Clock},
      {Line('a', '3', '1', " 1:02.34", 'L'), LineClass::Foreign},
      {Line(' ', '3', '1', " 1:02.34", 'G'), LineClass::Foreign},
      {"", LineClass::Foreign},
      {"A", LineClass::Foreign},
      {"xA", LineClass::Clock},
      // 15 characters reach the kind column, 14 do not.
      {Line('A', '3', '1', " 1:02.34", 'G').substr(0, 15), LineClass::Result},
      {Line('A', '3', '1', " 1:02.34", 'G').substr(0, 14), LineClass::Clock},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Classify(c.block), c.expected) << '"' << c.block << '"';
  }
}

TEST(ConsoleLine, DecodesColumnsOfAResultLine) {
  const std::string block = Line('A', '3', '1', " 1:02.34", 'L');
  EXPECT_EQ(KindOf(block), "L");
  EXPECT_EQ(TimeTextOf(block), " 1:02.34");
  EXPECT_EQ(LaneOf(block, kDefaultLaneMap), 3);
  EXPECT_EQ(RankOf(block), 1);
  EXPECT_EQ(PackedTime(TimeTextOf(block)), 10234);
}

TEST(ConsoleLine, ShortBlocksGiveWhatTheyHold) {
  const std::string fourteen = Line('A', '3', '1', " 1:02.34", 'G').substr(0, 14);
  EXPECT_EQ(KindOf(fourteen), "");
  EXPECT_EQ(TimeTextOf(fourteen), " 1:02.34");
  EXPECT_EQ(TimeTextOf("xAy31z 1:0"), " 1:0");
  EXPECT_EQ(TimeTextOf("xAy31"), "");
  EXPECT_EQ(LaneOf("xA", kDefaultLaneMap), 0);
  EXPECT_EQ(RankOf("xAy3"), 10);
  EXPECT_EQ(PackedTime(" 1:0"), 10);
  EXPECT_EQ(PackedTime(""), 0);
}

TEST(ConsoleLine, RankDigitZeroBlankOrLetterIsTen) {
  EXPECT_EQ(RankOf(Line('A', '3', '7', "    0.00", 'L')), 7);
  EXPECT_EQ(RankOf(Line('A', '3', '9', "    0.00", 'L')), 9);
  for (char c : {'0', ' ', 'X', '\0'}) {
    EXPECT_EQ(RankOf(Line('A', '3', c, "    0.00", 'L')), 10) << int(c);
  }
}

TEST(ConsoleLine, LaneLookupIsExactAndLowerLaneWins) {
  EXPECT_EQ(LaneOf(Line('A', '0', '1', "    0.00", 'L'), kDefaultLaneMap), 10);
  EXPECT_EQ(LaneOf(Line('A', '1', '1', "    0.00", 'L'), kDefaultLaneMap), 1);
  EXPECT_EQ(LaneOf(Line('A', 'X', '1', "    0.00", 'L'), kDefaultLaneMap), 0);
  // "2" stands for lanes 2 and 5: lane 2 wins.
  EXPECT_EQ(LaneOf(Line('A', '2', '1', "    0.00", 'L'), "1234267890"), 2);
  EXPECT_EQ(LaneOf(Line('A', 'a', '1', "    0.00", 'L'), "1234A67890"), 0);
  EXPECT_EQ(LaneOf(Line('A', 'A', '1', "    0.00", 'L'), "1234A67890"), 5);
}

TEST(ConsoleLine, PacksTimeTexts) {
  EXPECT_EQ(PackedTime("   59.99"), 5999);
  EXPECT_EQ(PackedTime("    0.00"), 0);
  EXPECT_EQ(PackedTime("10:00.00"), 100000);
  EXPECT_EQ(PackedTime("12:05.60"), 120560);
  EXPECT_EQ(PackedTime("    9.05"), 905);
  // Digits are read from the left and stop at the first other character.
  EXPECT_EQ(PackedTime("x1:02.34"), 0);
  EXPECT_EQ(PackedTime(" 1:0x.34"), 10);
  EXPECT_EQ(PackedTime("99:99.99"), 999999);
}

}  // namespace
}  // namespace poolside
