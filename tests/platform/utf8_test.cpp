// Well-formed UTF-8: the sequence bounds both writers (JSON, HTML) rely on.
#include "platform/utf8.h"

#include <gtest/gtest.h>

namespace poolside {
namespace {

TEST(Utf8SequenceLength, AcceptsEachFormAtItsBoundsAndGivesTheCodePoint) {
  struct Case {
    const char* bytes;
    std::size_t length;
    char32_t code;
  };
  for (const Case& c :
       {Case{"A", 1, 0x41}, Case{"\xc2\x80", 2, 0x80}, Case{"\xdf\xbf", 2, 0x7ff},
        Case{"\xe0\xa0\x80", 3, 0x800}, Case{"\xe2\x80\xa8", 3, 0x2028},
        Case{"\xed\x9f\xbf", 3, 0xd7ff}, Case{"\xee\x80\x80", 3, 0xe000},
        Case{"\xf0\x90\x80\x80", 4, 0x10000}, Case{"\xf4\x8f\xbf\xbf", 4, 0x10ffff}}) {
    char32_t code = 0;
    EXPECT_EQ(Utf8SequenceLength(c.bytes, 0, &code), c.length) << c.bytes;
    EXPECT_EQ(code, c.code) << c.bytes;
    std::string written;  // and the encoder writes the same bytes back
    AppendUtf8(written, c.code);
    EXPECT_EQ(written, c.bytes);
  }
}

TEST(Utf8SequenceLength, RefusesOverlongSurrogateTooHighCutAndStrayBytes) {
  for (const char* bad :
       {"\xc0\xaf", "\xc1\xbf", "\xe0\x9f\xbf", "\xed\xa0\x80", "\xf0\x8f\xbf\xbf",
        "\xf4\x90\x80\x80", "\xf5\x80\x80\x80", "\x80", "\xbf", "\xe3\x81", "\xe3\x81x", "\xff"}) {
    EXPECT_EQ(Utf8SequenceLength(bad, 0), 0u) << testing::PrintToString(std::string(bad));
  }
  // A sequence cut by the end of the text, not of the C string.
  EXPECT_EQ(Utf8SequenceLength(std::string_view("\xe3\x81\x82", 2), 0), 0u);
  EXPECT_EQ(ValidUtf8(std::string_view("a\xe3\x81\x82", 3)), "a\xef\xbf\xbd\xef\xbf\xbd");
}

}  // namespace
}  // namespace poolside
