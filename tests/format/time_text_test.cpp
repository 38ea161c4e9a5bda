#include "format/time_text.h"

#include <gtest/gtest.h>

#include <climits>

namespace poolside {
namespace {

TEST(TimeText, TimesAreRightAlignedInEightColumns) {
  EXPECT_EQ(TimeText(10234), " 1:02.34");
  EXPECT_EQ(TimeText(100000), "10:00.00");
  EXPECT_EQ(TimeText(2345), "   23.45");
  EXPECT_EQ(TimeText(345), "    3.45");
  EXPECT_EQ(TimeText(45), "     .45");
  EXPECT_EQ(TimeText(10), "     .10");
  EXPECT_EQ(TimeText(999999), "99:99.99");
  EXPECT_EQ(TimeText(700008), "70:00.08");
  EXPECT_EQ(TimeText(1234567), "23:45.67");
  EXPECT_EQ(TimeText(-2345), "   23.45");
}

TEST(TimeText, SingleDigitsGiveTheEmptyText) {
  EXPECT_EQ(TimeText(0), "");
  EXPECT_EQ(TimeText(7), "");
  EXPECT_EQ(TimeText(-9), "");
}

TEST(TimeText, StatusValuesGiveTheirWords) {
  EXPECT_EQ(TimeText(666666), "参加");
  EXPECT_EQ(TimeText(700001), "ｽﾀｰﾄ");
  EXPECT_EQ(TimeText(700002), "泳法");
  EXPECT_EQ(TimeText(700003), "折返");
  EXPECT_EQ(TimeText(700004), "ｺﾞｰﾙ");
  EXPECT_EQ(TimeText(700005), "引継");
  EXPECT_EQ(TimeText(700006), "逸脱");
  EXPECT_EQ(TimeText(700007), "途中");
  EXPECT_EQ(TimeText(888888), "棄権");
  // Only the last six digits are compared.
  EXPECT_EQ(TimeText(1888888), "棄権");
  EXPECT_EQ(TimeText(-700004), "ｺﾞｰﾙ");
}

TEST(TimeText, ExtremeValuesStayEightColumns) {
  EXPECT_EQ(TimeText(INT_MIN), "48:36.48");
  EXPECT_EQ(TimeText(INT_MAX), "48:36.47");
}

}  // namespace
}  // namespace poolside
