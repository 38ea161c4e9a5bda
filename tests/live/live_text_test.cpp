// HTML text of the live pages: hostile and broken input stays text.
#include <gtest/gtest.h>

#include "live/utf8_text.h"

namespace poolside {
namespace {

TEST(HtmlEscape, EscapesMarkupQuotesAndControlBytes) {
  EXPECT_EQ(HtmlEscape("<script>a&b\"c'd</script>"),
            "&lt;script&gt;a&amp;b&quot;c&#39;d&lt;/script&gt;");
  EXPECT_EQ(HtmlEscape(std::string("a\0b", 3)), "a b");
  EXPECT_EQ(HtmlEscape("日本語"), "日本語");
}

TEST(ValidUtf8, BrokenSequencesBecomeReplacementCharacters) {
  // A lone Shift-JIS lead byte, an overlong slash, a surrogate, a cut sequence.
  EXPECT_EQ(ValidUtf8("a\x97"), "a\xef\xbf\xbd");
  EXPECT_EQ(ValidUtf8("\xc0\xaf"), "\xef\xbf\xbd\xef\xbf\xbd");
  EXPECT_EQ(ValidUtf8("\xed\xa0\x80").find("\xed"), std::string::npos);
  EXPECT_EQ(ValidUtf8("x\xe3\x81"), "x\xef\xbf\xbd\xef\xbf\xbd");
  EXPECT_EQ(ValidUtf8("日本語 ok \xf0\x9f\x8f\x8a"), "日本語 ok \xf0\x9f\x8f\x8a");
}

}  // namespace
}  // namespace poolside
