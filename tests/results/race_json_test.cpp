#include "results/race_json.h"
#include "results/race_json_read.h"

#include <gtest/gtest.h>

namespace poolside {
namespace {

RaceResult SmallRace() {
  RaceResult r;
  r.race = 7;
  r.raceText = "0007";
  r.bookStatus = "6";
  r.program = 3;
  r.heat = 2;
  r.heats = 4;
  r.sex = {"1", "男子"};
  r.raceClass = {"21-23", "21-23才"};
  r.classLow = 21;
  r.classHigh = 23;
  r.eventCode = 3;
  r.event = {"3", "100m自由形"};
  r.round = {"1", "予選"};
  r.finishedAt = "2026-12-09T10:15:30+09:00";
  for (int i = 0; i < kLanes; ++i) {
    r.lanes[i].lane = i + 1;
    r.lanes[i].goalRead = true;
    r.lanes[i].lapsRead = true;
    r.lanes[i].packed = 888888;
    ClassifyLaneValue(r.lanes[i]);
  }
  return r;
}

TEST(RaceJsonTest, OneRaceWithEveryLaneKind) {
  RaceResult r = SmallRace();
  LaneResult& l1 = r.lanes[0];
  l1.entry = 1001;
  l1.rank = 1;
  l1.packed = 10234;
  ClassifyLaneValue(l1);
  l1.splits = {{50, "29.50", 2950, 'L'}, {100, "1:02.34", 6234, 'G'}};
  l1.who = {"山田 太郎", "ﾔﾏﾀﾞ ﾀﾛｳ", "第一中", "静岡", "中2"};
  LaneResult& l2 = r.lanes[1];
  l2.entry = 1002;
  l2.packed = 700002;
  ClassifyLaneValue(l2);
  LaneResult& l3 = r.lanes[2];
  l3.entry = 1003;
  l3.goalRead = false;
  l3.lapsRead = false;
  l3.status = LaneStatus::Unreadable;
  l3.text.clear();
  l3.splits = {{50, "2?.00", std::nullopt, 'L'}};
  r.problems.push_back({"goal\\g0007", "3 コース (1 行目): 記録 「<b>」 は読めません"});

  const std::string json = RaceJson(r);
  const std::string head =
      "{\"race\":7,\"race_text\":\"0007\",\"book_status\":\"6\",\"program\":3,\"heat\":2,"
      "\"heats\":4,\"sex\":{\"code\":\"1\",\"label\":\"男子\"},"
      "\"class\":{\"code\":\"21-23\",\"low\":21,\"high\":23,\"label\":\"21-23才\"},"
      "\"event\":{\"code\":3,\"label\":\"100m自由形\"},\"round\":{\"code\":\"1\",\"label\":"
      "\"予選\"},"
      "\"finished_at\":\"2026-12-09T10:15:30+09:00\",\"official\":false,\"official_at\":null,"
      "\"complete\":false,"
      "\"problems\":[{\"file\":\"goal\\\\g0007\",\"what\":\"3 コース (1 行目): 記録 "
      "「\\u003cb\\u003e」 "
      "は読めません\"}],\"lanes\":["
      "{\"lane\":1,\"entry\":1001,\"rank\":1,\"packed\":10234,\"hundredths\":6234,"
      "\"text\":\"1:02.34\",\"status\":\"time\",\"goal_read\":true,\"laps_read\":true,"
      "\"flags\":[],\"watches\":[],\"backup\":null,\"used\":null,\"reason\":null,\"name\":\"山田 "
      "太郎\",\"kana\":\"ﾔﾏﾀﾞ "
      "ﾀﾛｳ\",\"club\":\"第一中\",\"pref\":\"静岡\","
      "\"grade\":\"中2\",\"splits\":[{\"distance\":50,\"text\":\"29.50\",\"hundredths\":2950,"
      "\"kind\":\"L\"},"
      "{\"distance\":100,\"text\":\"1:02.34\",\"hundredths\":6234,\"kind\":\"G\"}]},"
      "{\"lane\":2,\"entry\":1002,\"rank\":0,\"packed\":700002,\"hundredths\":null,"
      "\"text\":\"泳法\",\"status\":\"dq\",\"dq_code\":2,\"goal_read\":true,\"laps_read\":true,"
      "\"flags\":[],\"watches\":[],\"backup\":null,\"used\":null,\"reason\":null,\"name\":\"\","
      "\"kana\":\"\",\"club\":\"\",\"pref\":\"\",\"grade\":\"\","
      "\"splits\":[]},"
      "{\"lane\":3,\"entry\":1003,\"rank\":null,\"packed\":null,\"hundredths\":null,\"text\":\"\","
      "\"status\":\"unreadable\",\"goal_read\":false,\"laps_read\":false,"
      "\"flags\":[],\"watches\":[],\"backup\":null,\"used\":null,\"reason\":null,\"name\":\"\","
      "\"kana\":\"\",\"club\":\"\",\"pref\":\"\",\"grade\":\"\","
      "\"splits\":[{\"distance\":50,\"text\":\"2?.00\",\"hundredths\":null,\"kind\":\"L\"}]},"
      "{\"lane\":4,\"entry\":0,\"rank\":0,\"packed\":888888,\"hundredths\":null,"
      "\"text\":\"棄権\",\"status\":\"no_time\",\"goal_read\":true,\"laps_read\":true,"
      "\"flags\":[],\"watches\":[],\"backup\":null,\"used\":null,\"reason\":null,\"name\":\"\","
      "\"kana\":\"\",\"club\":\"\",\"pref\":\"\",\"grade\":\"\","
      "\"splits\":[]},";
  EXPECT_EQ(json.substr(0, head.size()), head);
  EXPECT_EQ(json.back(), '}');
  EXPECT_EQ(json.find('\n'), std::string::npos);
}

TEST(RaceJsonTest, WatchesDecisionAndSignOff) {
  RaceResult r = SmallRace();
  r.official = true;
  r.officialAt = "2026-12-09T10:25:00+09:00";
  LaneResult& lane = r.lanes[0];
  lane.watches = {6234, 6237};
  lane.backup = 6235;
  lane.consoleTime = 6200;
  lane.use = TimeUse::Backup;
  lane.reason = "タッチ板";
  lane.flags = {"difference"};
  lane.flagText = "x";
  const std::string json = RaceJson(r);
  EXPECT_NE(json.find("\"official\":true,\"official_at\":\"2026-12-09T10:25:00+09:00\""),
            std::string::npos);
  EXPECT_NE(json.find("\"flags\":[\"difference\"],\"flag_text\":\"x\",\"watches\":[6234,6237],"
                      "\"backup\":6235,\"used\":\"backup\",\"reason\":\"タッチ板\""),
            std::string::npos)
      << json;
  // Undecided with a console time: the console's, without a reason; read
  // back as written.
  lane.use = TimeUse::Undecided;
  EXPECT_NE(RaceJson(r).find("\"used\":\"console\",\"reason\":null"), std::string::npos);
  const auto back = ParseRaceJson(json);
  ASSERT_TRUE(back);
  EXPECT_TRUE(back->official);
  EXPECT_EQ(back->lanes[0].watches, lane.watches);
  EXPECT_EQ(back->lanes[0].use, TimeUse::Backup);
  EXPECT_EQ(back->lanes[0].reason, "タッチ板");
}

TEST(RaceJsonTest, UnknownFinishIsNullAndTextsFromFilesAreEscaped) {
  RaceResult r = SmallRace();
  r.finishedAt.clear();
  r.sex = {"\"&<", std::string("\x82\xa0\x01", 3)};  // bytes that are no UTF-8
  const std::string json = RaceJson(r);
  EXPECT_NE(json.find("\"finished_at\":null"), std::string::npos);
  EXPECT_NE(
      json.find("\"sex\":{\"code\":\"\\\"\\u0026\\u003c\",\"label\":\"\xEF\xBF\xBD\xEF\xBF\xBD"
                "\\u0001\"}"),
      std::string::npos)
      << json;
  EXPECT_NE(json.find("\"complete\":true"), std::string::npos);
}

}  // namespace
}  // namespace poolside
