// The JSON reader takes back what the writer writes, exactly, and refuses
// what is not JSON.
#include "results/json_reader.h"

#include <gtest/gtest.h>

#include "results/json_writer.h"
#include "results/race_json.h"
#include "results/race_json_read.h"

namespace poolside {
namespace {

TEST(JsonReader, ReadsValuesEscapesAndNesting) {
  const auto v = JsonValue::Parse(
      " {\"a\":[1,-2,3.5e1,true,false,null],\"s\":\"x\\\"\\\\\\/\\n\\u003c\\u00e9\\u3042"
      "\\ud83d\\ude00\\ud800\",\"o\":{\"k\":{}} , \"big\":9007199254740993} ");
  ASSERT_TRUE(v);
  EXPECT_EQ((*v)["a"].Size(), 6u);
  EXPECT_EQ((*v)["a"][1].Int(), -2);
  EXPECT_FALSE((*v)["a"][2].OptionalInt());  // not an integer
  EXPECT_TRUE((*v)["a"][3].Bool());
  EXPECT_TRUE((*v)["a"][5].IsNull());
  EXPECT_EQ((*v)["s"].String(), "x\"\\/\n<é\xE3\x81\x82\xF0\x9F\x98\x80\xEF\xBF\xBD");
  EXPECT_EQ((*v)["o"]["k"].type(), JsonValue::Type::Object);
  EXPECT_EQ((*v)["big"].Int(), 9007199254740993);  // exact, beyond a double
  EXPECT_TRUE((*v)["missing"]["deeper"][3].IsNull());
  // A writer's own escaping comes back as it went in.
  JsonWriter w;
  w.BeginObject().Key("t").String("</script>&\xE2\x80\xA8 \x01").EndObject();
  EXPECT_EQ((*JsonValue::Parse(w.Text()))["t"].String(), "</script>&\xE2\x80\xA8 \x01");
}

TEST(JsonReader, RefusesWhatIsNotOneJsonValue) {
  for (const char* bad :
       {"", "{", "[1,]", "{\"a\":1,}", "{\"a\" 1}", "01", "1.", "-", "\"open", "\"\\x\"",
        "\"\\u12\"", "tru", "{} {}", "[1] x", "\"tab\there\"", "{'a':1}", "nul"}) {
    EXPECT_FALSE(JsonValue::Parse(bad)) << bad;
  }
  std::string deep(100, '[');
  deep += std::string(100, ']');
  EXPECT_FALSE(JsonValue::Parse(deep));
  EXPECT_TRUE(JsonValue::Parse(std::string(60, '[') + std::string(60, ']')));
}

TEST(RaceJsonRead, ARaceReadBackWritesTheSameText) {
  RaceResult r;
  r.race = 7;
  r.raceText = "0007";
  r.bookStatus = "6";
  r.program = 3;
  r.heat = 1;
  r.heats = 2;
  r.sex = {"1", "男子"};
  r.raceClass = {"10-12", "10-12才"};
  r.classLow = 10;
  r.classHigh = 12;
  r.eventCode = 3;
  r.event = {"3", "100m自由形"};
  r.round = {"1", "予選"};
  r.finishedAt = "2026-12-09T10:15:30+09:00";
  r.problems.push_back({"lap\\r0007", "読めません"});
  for (int i = 0; i < kLanes; ++i) r.lanes[i].lane = i + 1;
  LaneResult& a = r.lanes[0];
  a.entry = 1001;
  a.goalRead = a.lapsRead = true;
  a.rank = 1;
  a.packed = 10234;
  a.hundredths = 6234;
  a.text = "1:02.34";
  a.status = LaneStatus::Time;
  a.splits = {{50, "29.50", 2950, 'L'}, {100, "1:02.34", 6234, 'G'}, {0, "??", std::nullopt, 'L'}};
  LaneResult& dq = r.lanes[1];
  dq.entry = 1002;
  dq.goalRead = true;
  dq.packed = 700003;
  dq.status = LaneStatus::Dq;
  dq.dqCode = 3;
  dq.text = "折返";
  r.lanes[2].status = LaneStatus::Withdrawn;
  r.lanes[3].status = LaneStatus::NoTime;
  const std::string text = RaceJson(r);
  const auto back = ParseRaceJson(text);
  ASSERT_TRUE(back);
  EXPECT_EQ(RaceJson(*back), text);
  EXPECT_FALSE(ParseRaceJson("{\"race\":1,\"lanes\":[]}"));
  EXPECT_FALSE(ParseRaceJson("[]"));
}

}  // namespace
}  // namespace poolside
