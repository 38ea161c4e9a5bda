#include "platform/numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/errors.h"

namespace poolside {
namespace {

TEST(LeadingValueTest, ReadsTheNumberAtTheStartAndStopsAtOtherCharacters) {
  EXPECT_DOUBLE_EQ(LeadingValue("  12.5abc"), 12.5);
  EXPECT_DOUBLE_EQ(LeadingValue("1 2 3"), 123);
  EXPECT_DOUBLE_EQ(LeadingValue("\t- 4 2"), -42);
  EXPECT_DOUBLE_EQ(LeadingValue("+7"), 7);
  EXPECT_DOUBLE_EQ(LeadingValue(".5"), 0.5);
  EXPECT_DOUBLE_EQ(LeadingValue("1.2.3"), 1.2);
  EXPECT_DOUBLE_EQ(LeadingValue("12\r\n34"), 1234);
  EXPECT_DOUBLE_EQ(LeadingValue("3,4"), 3);
}

TEST(LeadingValueTest, TextWithoutANumberIsZero) {
  EXPECT_EQ(LeadingValue(""), 0);
  EXPECT_EQ(LeadingValue("   "), 0);
  EXPECT_EQ(LeadingValue("abc"), 0);
  EXPECT_EQ(LeadingValue("-"), 0);
  EXPECT_EQ(LeadingValue("."), 0);
  EXPECT_EQ(LeadingValue("&"), 0);
  EXPECT_EQ(LeadingValue("&H"), 0);
  EXPECT_EQ(LeadingValue("&Hxyz"), 0);
  // A sign does not apply to a radix prefix: "-&H10" holds no decimal digit.
  EXPECT_EQ(LeadingValue("-&H10"), 0);
}

TEST(LeadingValueTest, ExponentWithEOrD) {
  EXPECT_DOUBLE_EQ(LeadingValue("1D2"), 100);
  EXPECT_DOUBLE_EQ(LeadingValue("1d2"), 100);
  EXPECT_DOUBLE_EQ(LeadingValue("1E2"), 100);
  EXPECT_DOUBLE_EQ(LeadingValue("2.5e-1"), 0.25);
  EXPECT_DOUBLE_EQ(LeadingValue("1E+ 3"), 1000);
  EXPECT_DOUBLE_EQ(LeadingValue("1E"), 1);
  EXPECT_DOUBLE_EQ(LeadingValue("1E-"), 1);
  EXPECT_DOUBLE_EQ(LeadingValue("1Ex"), 1);
  EXPECT_TRUE(std::isinf(LeadingValue("1E999999999999999999")));
  EXPECT_EQ(LeadingValue("1E-999999999999999999"), 0);
}

TEST(LeadingValueTest, HexAndOctalAreSixteenBitsWhenTheyFitElseThirtyTwo) {
  EXPECT_EQ(LeadingValue("&H10"), 16);
  EXPECT_EQ(LeadingValue("&hff"), 255);
  EXPECT_EQ(LeadingValue("&H7FFF"), 32767);
  EXPECT_EQ(LeadingValue("&H8000"), -32768);
  EXPECT_EQ(LeadingValue("&HFFFF"), -1);
  EXPECT_EQ(LeadingValue("&H10000"), 65536);
  EXPECT_EQ(LeadingValue("&H7FFFFFFF"), 2147483647);
  EXPECT_EQ(LeadingValue("&HFFFFFFFF"), -1);
  EXPECT_EQ(LeadingValue("&O17"), 15);
  EXPECT_EQ(LeadingValue("&o177777"), -1);
  EXPECT_EQ(LeadingValue("&O18"), 1);  // 8 is no octal digit
  EXPECT_EQ(LeadingValue("  &H1 0g"), 16);
  // Longer than 32 bits: out of range for every field.
  EXPECT_FALSE(RoundToInt32(LeadingValue("&H100000000")));
  EXPECT_FALSE(RoundToInt32(LeadingValue("&HFFFFFFFFFFFFFFFFFFFFFFFF")));
}

TEST(HalfWidthNumberTextTest, FullWidthFormsBecomeTheirTwinsAndNothingElseChanges) {
  EXPECT_EQ(HalfWidthNumberText("１０２３４"), "10234");
  EXPECT_EQ(HalfWidthNumberText("　＋１．５Ｅ－３ｄ＆Ｈｆ"), " +1.5E-3d&Hf");
  EXPECT_EQ(HalfWidthNumberText("！～"), "!~");  // the ends of the block
  // Half-width text, other characters and broken bytes stay as they are.
  for (const std::string& text :
       {std::string("10234"), std::string("1:02.34"), std::string("ｽﾀｰﾄ 折返"),
        std::string("\xef\xbc"), std::string("\xef\xbc\x30"), std::string("\xe3\x80")}) {
    EXPECT_EQ(HalfWidthNumberText(text), text);
  }
  // Full-width digits then read as the number typed.
  EXPECT_EQ(LeadingValue(HalfWidthNumberText("１２．５")), 12.5);
}

TEST(RoundingTest, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(RoundToInt16(2.5), 2);
  EXPECT_EQ(RoundToInt16(3.5), 4);
  EXPECT_EQ(RoundToInt16(-2.5), -2);
  EXPECT_EQ(RoundToInt16(-3.5), -4);
  EXPECT_EQ(RoundToInt16(2.4999), 2);
  EXPECT_EQ(RoundToInt16(2.5001), 3);
  EXPECT_EQ(RoundToInt32(0.5), 0);
  EXPECT_EQ(RoundToInt32(1.5), 2);
}

TEST(RoundingTest, SixteenBitRangeEdges) {
  EXPECT_EQ(RoundToInt16(32767.4), 32767);
  EXPECT_EQ(RoundToInt16(32766.5), 32766);
  EXPECT_FALSE(RoundToInt16(32767.5));        // rounds to 32768
  EXPECT_EQ(RoundToInt16(-32768.5), -32768);  // even neighbour stays in range
  EXPECT_FALSE(RoundToInt16(-32769.5));
  EXPECT_FALSE(RoundToInt16(-32768.6));
  EXPECT_FALSE(RoundToInt16(std::nan("")));
  EXPECT_FALSE(RoundToInt16(std::numeric_limits<double>::infinity()));
  EXPECT_FALSE(RoundToInt16(-std::numeric_limits<double>::infinity()));
}

TEST(RoundingTest, ThirtyTwoBitRangeEdges) {
  EXPECT_EQ(RoundToInt32(2147483647.4), 2147483647);
  EXPECT_FALSE(RoundToInt32(2147483647.5));
  EXPECT_EQ(RoundToInt32(-2147483648.5), -2147483647 - 1);
  EXPECT_FALSE(RoundToInt32(-2147483649.5));
  EXPECT_FALSE(RoundToInt32(1e300));
  EXPECT_FALSE(RoundToInt32(std::nan("")));
}

TEST(RoundingTest, OrThrowNamesTheFieldAndTheValue) {
  EXPECT_EQ(RoundToInt16OrThrow(12.5, "組"), 12);
  EXPECT_EQ(RoundToInt32OrThrow(-7, "記録"), -7);
  try {
    RoundToInt16OrThrow(40000, "組");
    FAIL() << "no overflow";
  } catch (const OverflowError& e) {
    std::string m = e.what();
    EXPECT_NE(m.find("オーバーフロー"), std::string::npos) << m;
    EXPECT_NE(m.find("組"), std::string::npos) << m;
    EXPECT_NE(m.find("40000"), std::string::npos) << m;
  }
  EXPECT_THROW(RoundToInt32OrThrow(3e9, "記録"), OverflowError);
  EXPECT_THROW(RoundToInt32OrThrow(std::nan(""), "記録"), OverflowError);
}

TEST(SignedDecimalTest, BlankStandsForThePlusSign) {
  EXPECT_EQ(SignedDecimal(120), " 120");
  EXPECT_EQ(SignedDecimal(-5), "-5");
  EXPECT_EQ(SignedDecimal(0), " 0");
  EXPECT_EQ(SignedDecimal(-9223372036854775807LL - 1), "-9223372036854775808");
}

TEST(ShortestGeneralTest, FixedNotation) {
  EXPECT_EQ(ShortestGeneral(LeadingValue("0012")), "12");
  EXPECT_EQ(ShortestGeneral(LeadingValue("1.50")), "1.5");
  EXPECT_EQ(ShortestGeneral(-0.25), "-0.25");
  EXPECT_EQ(ShortestGeneral(0), "0");
  EXPECT_EQ(ShortestGeneral(-0.0), "0");
  EXPECT_EQ(ShortestGeneral(100), "100");
  EXPECT_EQ(ShortestGeneral(123456789012345.0), "123456789012345");
  EXPECT_EQ(ShortestGeneral(0.1 + 0.2), "0.3");
  EXPECT_EQ(ShortestGeneral(0.0001), "0.0001");
  EXPECT_EQ(ShortestGeneral(1.0 / 3), "0.333333333333333");
}

TEST(ShortestGeneralTest, ExponentNotationForLargeAndSmallValues) {
  EXPECT_EQ(ShortestGeneral(1e15), "1E+15");
  EXPECT_EQ(ShortestGeneral(1.5e20), "1.5E+20");
  EXPECT_EQ(ShortestGeneral(-1.5e20), "-1.5E+20");
  EXPECT_EQ(ShortestGeneral(1e-5), "1E-05");
  EXPECT_EQ(ShortestGeneral(1.25e-7), "1.25E-07");
  EXPECT_EQ(ShortestGeneral(1e100), "1E+100");
  // Rounding to 15 digits carries into the next power of ten.
  EXPECT_EQ(ShortestGeneral(999999999999999.9), "1E+15");
  EXPECT_EQ(ShortestGeneral(0.000099999999999999999), "0.0001");
}

TEST(ShortestGeneralTest, NonFiniteValuesDoNotCrash) {
  EXPECT_FALSE(ShortestGeneral(std::numeric_limits<double>::infinity()).empty());
  EXPECT_FALSE(ShortestGeneral(std::nan("")).empty());
}

}  // namespace
}  // namespace poolside
