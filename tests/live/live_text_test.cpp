// JSON and HTML text of the live pages: hostile and broken input stays text.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include "live/json_text.h"
#include "live/utf8_text.h"

namespace poolside {
namespace {

QJsonObject Parse(const std::string& json) {
  QJsonParseError error{};
  const auto doc = QJsonDocument::fromJson(QByteArray::fromStdString(json), &error);
  EXPECT_EQ(error.error, QJsonParseError::NoError) << json;
  return doc.object();
}

TEST(JsonQuote, HostileTextRoundTripsAndNeverOpensATag) {
  const std::string hostile =
      "</script><script>alert(\"x\")</script> & 'q' \\ \x01\t\n\xe2\x80\xa8";
  const std::string quoted = JsonQuote(hostile);
  EXPECT_EQ(quoted.find('<'), std::string::npos);
  EXPECT_EQ(quoted.find('>'), std::string::npos);
  EXPECT_EQ(quoted.find('&'), std::string::npos);
  EXPECT_EQ(quoted.find("\xe2\x80\xa8"), std::string::npos);
  JsonWriter w;
  w.BeginObject().Member("t", hostile).EndObject();
  EXPECT_EQ(Parse(w.Text())["t"].toString().toStdString(), hostile);
}

TEST(JsonQuote, InvalidUtf8BecomesReplacementCharacters) {
  // A lone Shift-JIS lead byte, an overlong slash, a surrogate, a cut sequence.
  const std::string broken = std::string("a\x97") + "\xc0\xaf" + "\xed\xa0\x80" + "\xe3\x81";
  const auto t = Parse("{\"t\":" + JsonQuote(broken) + "}")["t"].toString();
  EXPECT_TRUE(t.startsWith("a\uFFFD"));
  EXPECT_FALSE(t.contains('/'));
  EXPECT_EQ(ValidUtf8("日本語 ok"), "日本語 ok");
}

TEST(JsonWriter, NestsObjectsAndArraysWithCommasInPlace) {
  JsonWriter w;
  w.BeginObject().Member("a", 1).Key("b").BeginArray();
  w.BeginObject().Member("x", true).EndObject().Int(2).Null().String("s");
  w.EndArray().Key("c").Raw("{\"r\":1}").Member("d", std::int64_t{-5}).EndObject();
  EXPECT_EQ(w.Text(), R"({"a":1,"b":[{"x":true},2,null,"s"],"c":{"r":1},"d":-5})");
}

TEST(HtmlEscape, EscapesMarkupQuotesAndControlBytes) {
  EXPECT_EQ(HtmlEscape("<script>a&b\"c'd</script>"),
            "&lt;script&gt;a&amp;b&quot;c&#39;d&lt;/script&gt;");
  EXPECT_EQ(HtmlEscape(std::string("a\0b", 3)), "a b");
  EXPECT_EQ(HtmlEscape("\xff"), "\xef\xbf\xbd");
}

}  // namespace
}  // namespace poolside
