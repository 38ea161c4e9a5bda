#include <gtest/gtest.h>

#include "platform/cp932.h"

namespace poolside {
namespace {

TEST(Cp932EdgeTest, FixedWidthCountsABadByteAsOneCharacter) {
  // A stray lead byte is one "?", and the text after it still fills the field.
  EXPECT_EQ(FixedWidthCp932("\xE3"
                            "AB",
                            2),
            "?A");
  EXPECT_EQ(FixedWidthCp932("\xE3"
                            "AB",
                            4),
            "?AB ");
  EXPECT_EQ(FixedWidthCp932("予\x80定", 4), "\x97\x5C? ");
  EXPECT_EQ(FixedWidthCp932("😀予", 3), "?\x97\x5C");
}

TEST(Cp932EdgeTest, FixedWidthKeepsTrailBytesThatLookLikeAscii) {
  // 予 (97 5C) and ソ (83 5C): the trail byte is never taken for a character.
  EXPECT_EQ(FixedWidthCp932("ソ予", 4), "\x83\x5C\x97\x5C");
  EXPECT_EQ(FixedWidthCp932("ソ予", 3), "\x83\x5C ");
  EXPECT_EQ(FixedWidthCp932("ｱ予ｲ", 3), "\xB1\x97\x5C");
}

TEST(Cp932EdgeTest, ManyConversionsInARowStayIndependent) {
  // A cut sequence at the end of one text must not leak into the next.
  EXPECT_EQ(Cp932ToUtf8("\x82"), "\xEF\xBF\xBD");
  EXPECT_EQ(Cp932ToUtf8("\xA0"), "\xEF\xBF\xBD");
  EXPECT_EQ(Cp932ToUtf8("\xA0\x82\xA0"),
            "\xEF\xBF\xBD"
            "あ");
  EXPECT_EQ(Utf8ToCp932("\xE3\x81"), "?");
  EXPECT_EQ(Utf8ToCp932("あ"), "\x82\xA0");
}

}  // namespace
}  // namespace poolside
