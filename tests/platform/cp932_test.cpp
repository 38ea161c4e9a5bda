#include "platform/cp932.h"

#include <gtest/gtest.h>

namespace poolside {
namespace {

const std::string kReplacement = "\xEF\xBF\xBD";

TEST(Cp932Test, RoundTripOfKanaKanjiAndHalfWidthKatakana) {
  for (std::string text :
       {"ひらがな", "カタカナ", "自由形", "ｶﾀｶﾅ", "ABC 123", "①～", "第１組　４コース"}) {
    EXPECT_EQ(Cp932ToUtf8(Utf8ToCp932(text)), text) << text;
  }
  EXPECT_EQ(Utf8ToCp932("ｱ"), "\xB1");
  EXPECT_EQ(Utf8ToCp932("あ"), "\x82\xA0");
  EXPECT_EQ(Utf8ToCp932(""), "");
}

TEST(Cp932Test, TrailBytesThatLookLikeBackslashOrComma) {
  // 予 ends in 0x5C, the byte of a backslash.
  EXPECT_EQ(Utf8ToCp932("予"), "\x97\x5C");
  EXPECT_EQ(Cp932ToUtf8("\x97\x5C"), "予");
  EXPECT_EQ(Cp932ToUtf8("\x97\x5C\\"), "予\\");
  // Code page 932 maps the vendor characters that plain Shift-JIS lacks.
  EXPECT_EQ(Cp932ToUtf8("\x87\x40"), "①");
}

TEST(Cp932Test, InvalidAndCutSequencesDecodeToReplacementAndGoOn) {
  EXPECT_EQ(Cp932ToUtf8("a\x80"
                        "b"),
            "a" + kReplacement + "b");
  EXPECT_EQ(Cp932ToUtf8("\xA0\xFD\xFE\xFF"),
            kReplacement + kReplacement + kReplacement + kReplacement);
  // A lead byte at the very end of the text.
  EXPECT_EQ(Cp932ToUtf8("ab\x82"), "ab" + kReplacement);
  // A lead byte followed by a byte that cannot trail.
  std::string out = Cp932ToUtf8(
      "\x82\x0A"
      "c");
  EXPECT_NE(out.find(kReplacement), std::string::npos);
  EXPECT_EQ(out.back(), 'c');
  // Many bad bytes beyond one conversion buffer.
  std::string noise(5000, '\xFF');
  EXPECT_EQ(Cp932ToUtf8(noise).size(), 5000 * kReplacement.size());
}

TEST(Cp932Test, UnmappableOrInvalidUtf8EncodesToQuestionMark) {
  EXPECT_EQ(Utf8ToCp932("a\xF0\x9F\x98\x80"
                        "b"),
            "a?b");  // emoji
  EXPECT_EQ(Utf8ToCp932("한"), "?");
  EXPECT_EQ(Utf8ToCp932("a\xFF"
                        "b"),
            "a?b");
  EXPECT_EQ(Utf8ToCp932("a\xE3\x81"), "a?");  // cut character at the end
  std::string big(3000, 'x');
  EXPECT_EQ(Utf8ToCp932(big + "あ"), big + "\x82\xA0");
}

TEST(Cp932Test, FixedWidthCutsAtAWholeCharacterAndPads) {
  EXPECT_EQ(FixedWidthCp932("AB", 4), "AB  ");
  EXPECT_EQ(FixedWidthCp932("", 3), "   ");
  EXPECT_EQ(FixedWidthCp932("あいう", 6), "\x82\xA0\x82\xA2\x82\xA4");
  // The third character would need bytes 5 and 6 of 5: dropped whole.
  EXPECT_EQ(FixedWidthCp932("あいう", 5), "\x82\xA0\x82\xA2 ");
  EXPECT_EQ(FixedWidthCp932("Aあ", 2), "A ");
  EXPECT_EQ(FixedWidthCp932("ｱｲｳ", 2), "\xB1\xB2");
  EXPECT_EQ(FixedWidthCp932("abcdef", 3), "abc");
  EXPECT_EQ(FixedWidthCp932("abc", 0), "");
  EXPECT_EQ(FixedWidthCp932("\xFF", 2), "? ");
}

TEST(Utf8Test, CountsAndCutsCodePoints) {
  EXPECT_EQ(Utf8Length(""), 0u);
  EXPECT_EQ(Utf8Length("abc"), 3u);
  EXPECT_EQ(Utf8Length("自由形abc"), 6u);
  EXPECT_EQ(Utf8Prefix("自由形abc", 2), "自由");
  EXPECT_EQ(Utf8Prefix("自由形", 0), "");
  EXPECT_EQ(Utf8Prefix("自由形", 10), "自由形");
  EXPECT_EQ(Utf8First("自由形"), "自");
  EXPECT_EQ(Utf8First(""), "");
  EXPECT_EQ(Utf8First("a"), "a");
}

TEST(Utf8Test, InvalidUtf8DoesNotCrash) {
  std::string bad = "\x80\x80\xE3\x81";
  EXPECT_LE(Utf8Length(bad), bad.size());
  EXPECT_LE(Utf8Prefix(bad, 1).size(), bad.size());
  EXPECT_LE(Utf8First("\xE3").size(), 1u);
  EXPECT_EQ(Utf8Prefix("\xE3\x81", 5), "\xE3\x81");
}

}  // namespace
}  // namespace poolside
