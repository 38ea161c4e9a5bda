#include "results/json_writer.h"

#include <gtest/gtest.h>

namespace poolside {
namespace {

TEST(JsonQuoteTest, EscapesWhatCouldEndAStringOrAnElement) {
  EXPECT_EQ(JsonQuote("</script><script>alert(1)</script>"),
            "\"\\u003c/script\\u003e\\u003cscript\\u003ealert(1)\\u003c/script\\u003e\"");
  EXPECT_EQ(JsonQuote("say \"hi\" & \\ bye"), "\"say \\\"hi\\\" \\u0026 \\\\ bye\"");
  EXPECT_EQ(JsonQuote("a\nb\rc\td\b\f"), "\"a\\nb\\rc\\td\\b\\f\"");
  EXPECT_EQ(JsonQuote(std::string("\x00\x01\x1f\x7f", 4)), "\"\\u0000\\u0001\\u001f\\u007f\"");
  // U+2028 and U+2029 end a line in older script engines.
  EXPECT_EQ(JsonQuote("\xE2\x80\xA8\xE2\x80\xA9"), "\"\\u2028\\u2029\"");
}

TEST(JsonQuoteTest, KeepsValidUtf8AndReplacesEveryBadByte) {
  EXPECT_EQ(JsonQuote("100m自由形 ｺﾞｰﾙ 𝄞"), "\"100m自由形 ｺﾞｰﾙ 𝄞\"");
  const std::string fffd = "\xEF\xBF\xBD";
  EXPECT_EQ(JsonQuote("a\x80"
                      "b"),
            "\"a" + fffd + "b\"");                                         // stray continuation
  EXPECT_EQ(JsonQuote("\xE3\x81"), "\"" + fffd + fffd + "\"");             // cut at the end
  EXPECT_EQ(JsonQuote("\xC0\xAF"), "\"" + fffd + fffd + "\"");             // overlong "/"
  EXPECT_EQ(JsonQuote("\xED\xA0\x80"), "\"" + fffd + fffd + fffd + "\"");  // surrogate
  EXPECT_EQ(JsonQuote("\xF5\x80\x80\x80x"), "\"" + fffd + fffd + fffd + fffd + "x\"");
  EXPECT_EQ(JsonQuote("\x93\xfa\x96\x7b"), "\"" + fffd + fffd + fffd + "{\"");  // CP932 bytes
}

TEST(JsonWriterTest, PlacesCommasAndColonsInNestedContainers) {
  JsonWriter w;
  w.BeginObject();
  w.Key("a").Int(-1);
  w.Key("b").BeginArray().Int(1).Null().Bool(true).BeginObject().EndObject().EndArray();
  w.Key("c").OptionalInt(std::nullopt);
  w.Key("d").OptionalInt(5);
  w.Key("e<").String("x");
  w.Key("f").BeginArray().EndArray();
  w.EndObject();
  EXPECT_EQ(w.Text(),
            "{\"a\":-1,\"b\":[1,null,true,{}],\"c\":null,\"d\":5,\"e\\u003c\":\"x\",\"f\":[]}");
}

}  // namespace
}  // namespace poolside
