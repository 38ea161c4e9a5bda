#include "format/labels.h"

#include <gtest/gtest.h>

namespace poolside {
namespace {

TEST(LabelTables, RoundAndSexCodesAreExactAndUnknownCodesAreEmpty) {
  EXPECT_EQ(RoundLabel("1"), "予選");
  EXPECT_EQ(RoundLabel("2"), "決勝");
  EXPECT_EQ(RoundLabel("3"), "準決勝");
  EXPECT_EQ(RoundLabel("4"), "ｺﾝｿﾚｰｼｮﾝ");
  EXPECT_EQ(RoundLabel("5"), "");
  EXPECT_EQ(RoundLabel(" 1"), "");  // no trimming
  EXPECT_EQ(RoundLabel(std::string(1, '\0')), "");
  EXPECT_EQ(SexLabel("1"), "男子");
  EXPECT_EQ(SexLabel("2"), "女子");
  EXPECT_EQ(SexLabel("3"), "混合");
  EXPECT_EQ(SexLabel(" "), "");
  EXPECT_EQ(SexLabel(""), "");
}

TEST(LabelTables, EventCodesCoverOneToTwentyNine) {
  EXPECT_EQ(EventLabel(1), "25m自由形");
  EXPECT_EQ(EventLabel(7), "1500m自由形");
  EXPECT_EQ(EventLabel(11), "200m背泳ぎ");
  EXPECT_EQ(EventLabel(15), "200m平泳ぎ");
  EXPECT_EQ(EventLabel(16), "25mバタフライ");
  EXPECT_EQ(EventLabel(22), "400m個人メドレー");
  EXPECT_EQ(EventLabel(25), "400mメドレーリレー");
  EXPECT_EQ(EventLabel(29), "800mリレー");
  EXPECT_EQ(EventLabel(0), "");
  EXPECT_EQ(EventLabel(30), "");
  EXPECT_EQ(EventLabel(-1), "");
  EXPECT_EQ(EventLabel(32767), "");
}

TEST(LabelTables, ClassCodeUsesTheLastTwoCharacters) {
  EXPECT_EQ(ClassCodeLabel("13"), "小3");
  EXPECT_EQ(ClassCodeLabel("123"), "中3");
  EXPECT_EQ(ClassCodeLabel("105"), "");
  EXPECT_EQ(ClassCodeLabel("5"), "");
  EXPECT_EQ(ClassCodeLabel("-5"), "");
  EXPECT_EQ(ClassCodeLabel(""), "");
  EXPECT_EQ(ClassCodeLabel("33"), "高3");
  EXPECT_EQ(ClassCodeLabel("41"), "大1");
  EXPECT_EQ(ClassCodeLabel("50"), "");
  EXPECT_EQ(ClassCodeLabel("51"), "Ａ");
  EXPECT_EQ(ClassCodeLabel("59"), "Ｉ");
  EXPECT_EQ(ClassCodeLabel("60"), "Ｊ");
  EXPECT_EQ(ClassCodeLabel("63"), "Ｍ");
  EXPECT_EQ(ClassCodeLabel("64"), "-119");
  EXPECT_EQ(ClassCodeLabel("66"), "160-");
  EXPECT_EQ(ClassCodeLabel("69"), "280-");
  EXPECT_EQ(ClassCodeLabel("71"), "");
  EXPECT_EQ(ClassCodeLabel("95"), "");
}

TEST(ClassLabelAgeRanges, LaterRulesOverrideEarlierOnes) {
  EXPECT_EQ(ClassLabel(10, 14, "1"), "10-14才");
  EXPECT_EQ(ClassLabel(0, 10, "1"), "10才以下");
  EXPECT_EQ(ClassLabel(65, 100, "1"), "65才以上");
  EXPECT_EQ(ClassLabel(12, 12, "1"), "12才");
  EXPECT_EQ(ClassLabel(0, 100, "1"), "0才以上");
  EXPECT_EQ(ClassLabel(0, 0, "1"), "0才");
  EXPECT_EQ(ClassLabel(-3, 5, "1"), "-3-5才");
}

TEST(ClassLabelCodedClasses, PairsSingleCodesAndRanges) {
  EXPECT_EQ(ClassLabel(11, 16, "2"), "小学生");
  EXPECT_EQ(ClassLabel(11, 23, "2"), "小中生");
  EXPECT_EQ(ClassLabel(21, 23, "2"), "中学生");
  EXPECT_EQ(ClassLabel(21, 33, "2"), "中高生");
  EXPECT_EQ(ClassLabel(31, 33, "2"), "高校生");
  EXPECT_EQ(ClassLabel(41, 44, "2"), "大学生");
  EXPECT_EQ(ClassLabel(13, 13, "2"), "小3");
  EXPECT_EQ(ClassLabel(12, 15, "2"), "小2-小5");
  EXPECT_EQ(ClassLabel(51, 53, "2"), "Ａ-Ｃ");
  EXPECT_EQ(ClassLabel(66, 66, "2"), "160-199");
  EXPECT_EQ(ClassLabel(5, 5, "2"), "");
  EXPECT_EQ(ClassLabel(70, 70, "2"), "320-");
  EXPECT_EQ(ClassLabel(84, 84, "2"), "Ｌ");
  EXPECT_EQ(ClassLabel(81, 81, "2"), "育成 低");
  EXPECT_EQ(ClassLabel(92, 92, "2"), "spＭ");
  EXPECT_EQ(ClassLabel(77, 77, "2"), "");
  EXPECT_EQ(ClassLabel(80, 80, "2"), "");
  // A single code only counts when low = high.
  EXPECT_EQ(ClassLabel(64, 66, "2"), "-119-160-");
}

TEST(ClassLabelMode, OnlyExactlyOneOrTwoSelectALabel) {
  EXPECT_EQ(ClassLabel(10, 14, ""), "");
  EXPECT_EQ(ClassLabel(10, 14, "0"), "");
  EXPECT_EQ(ClassLabel(10, 14, "3"), "");
  EXPECT_EQ(ClassLabel(10, 14, "1.5"), "");
  EXPECT_EQ(ClassLabel(10, 14, "abc"), "");
  EXPECT_EQ(ClassLabel(11, 16, "2.0"), "小学生");
  EXPECT_EQ(ClassLabel(11, 16, " 2"), "小学生");
  EXPECT_EQ(ClassLabel(10, 14, "1x"), "10-14才");
}

}  // namespace
}  // namespace poolside
