// The pages about the meet: routes, the query, the search in either kana
// form and width, programs with their state, standings and overlays, and
// names on the board as the setting publishes them.
#include "live/meet_pages.h"

#include <gtest/gtest.h>

#include "live/live_json.h"
#include "live/live_routes.h"
#include "results/json_reader.h"

namespace poolside {
namespace {

TEST(MeetRoutes, EventsSearchAndOverlaysAreRoutedAndNothingElse) {
  EXPECT_EQ(MatchRoute("GET", "/events").route, LiveRoute::Events);
  EXPECT_EQ(MatchRoute("GET", "/find").route, LiveRoute::Find);
  RouteMatch m = MatchRoute("GET", "/events/112");
  EXPECT_EQ(m.route, LiveRoute::EventPage);
  EXPECT_EQ(m.program, 112);
  m = MatchRoute("GET", "/api/events/7");
  EXPECT_EQ(m.route, LiveRoute::EventJson);
  EXPECT_EQ(m.program, 7);
  EXPECT_EQ(MatchRoute("GET", "/events/0").status, 404);
  EXPECT_EQ(MatchRoute("GET", "/events/32768").status, 404);
  EXPECT_EQ(MatchRoute("GET", "/events/1x").status, 400);
  EXPECT_EQ(MatchRoute("GET", "/events/").status, 404);
  m = MatchRoute("GET", "/overlay/lanes");
  EXPECT_EQ(m.route, LiveRoute::Overlay);
  EXPECT_EQ(m.asset, "lanes");
  EXPECT_EQ(MatchRoute("GET", "/overlay/result").asset, "result");
  EXPECT_EQ(MatchRoute("GET", "/overlay/clock").asset, "clock");
  EXPECT_EQ(MatchRoute("GET", "/overlay/board").status, 404);
  EXPECT_EQ(MatchRoute("GET", "/overlay/../results").status, 404);
  EXPECT_EQ(MatchRoute("GET", "/static/feed.js").route, LiveRoute::Asset);
  EXPECT_EQ(MatchRoute("GET", "/static/overlay.js").route, LiveRoute::Asset);
}

TEST(MeetQuery, ValuesAreDecodedAndBrokenOnesRefused) {
  EXPECT_EQ(QueryValue("x=1&q=%E5%B1%B1%E7%94%B0+%E5%A4%AA&z=2", "q"), "山田 太");
  EXPECT_EQ(QueryValue("q=abc", "q"), "abc");
  EXPECT_EQ(QueryValue("qq=abc", "q"), "");
  EXPECT_EQ(QueryValue("q=%E5%B1", "q"), "");  // a cut character
  EXPECT_EQ(QueryValue("q=%zz", "q"), "");
  EXPECT_EQ(QueryValue("q=%4", "q"), "");
  EXPECT_EQ(QueryValue("", "q"), "");
}

TEST(MeetQuery, SearchKeysMeetAcrossKanaFormsAndWidths) {
  const std::string key = SearchKey("ヤマダ タロウ");
  EXPECT_EQ(SearchKey("やまだ　たろう"), key);
  EXPECT_EQ(SearchKey("ﾔﾏﾀﾞ ﾀﾛｳ"), key);
  EXPECT_EQ(SearchKey("ﾊﾟﾝﾀﾞ"), SearchKey("パンダ"));
  EXPECT_EQ(SearchKey("ｳﾞｨ"), SearchKey("ヴィ"));
  EXPECT_EQ(SearchKey("ＡＢＣ１２"), "abc12");
  EXPECT_EQ(SearchKey("Abc・d"), "abcd");
  EXPECT_EQ(SearchKey(std::string("\xff\xfe", 2)), "");
}

std::vector<RaceListEntry> TwoPrograms() {
  std::vector<RaceListEntry> races;
  for (int race = 1; race <= 4; ++race) {
    RaceListEntry e;
    e.race = race;
    e.program = race <= 3 ? 5 : 6;
    e.heat = race <= 3 ? race : 1;
    e.heats = race <= 3 ? 3 : 1;
    e.event = "100m自由形";
    e.round = "予選";
    e.status = race == 1 ? "6" : "1";
    e.startTime = "10:0" + std::to_string(race);
    e.entries[2] = race * 100 + 3;
    races.push_back(e);
  }
  races[3].entries[4] = 103;  // entry 103 swims program 6 too
  return races;
}

EntryList Entries() {
  return ParseEntryList(
      "番号,氏名,フリガナ,所属\n103,山田 太郎,ヤマダ タロウ,第一中\n203,鈴木 花子,スズキ "
      "ハナコ,やまびこSC\n");
}

TEST(MeetSearch, FindsBySwimmerOrClubWithRacesAndResults) {
  const auto races = TwoPrograms();
  const EntryList entries = Entries();
  auto results = [](int race) {
    auto r = std::make_shared<RaceResult>();
    r->race = race;
    r->lanes[2].rank = 2;
    r->lanes[2].status = LaneStatus::Time;
    r->lanes[2].text = "1:02.34";
    return std::shared_ptr<const RaceResult>(r);
  };
  auto found = FindSwimmers("やまだ", entries, PublicNames::Full, races, results);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].entry, 103);
  ASSERT_EQ(found[0].races.size(), 2u);
  EXPECT_EQ(found[0].races[0].program, 5);
  EXPECT_EQ(found[0].races[0].lane, 3);
  EXPECT_EQ(found[0].races[0].startTime, "10:01");
  EXPECT_EQ(found[0].races[0].result, "2位 1:02.34");  // race 1 is done
  EXPECT_EQ(found[0].races[1].program, 6);
  EXPECT_EQ(found[0].races[1].lane, 5);
  EXPECT_EQ(found[0].races[1].result, "");
  // The kana in half width, the club in hiragana: both swimmers.
  EXPECT_EQ(FindSwimmers("ﾔﾏ", entries, PublicNames::Full, races, results).size(), 2u);
  EXPECT_EQ(FindSwimmers("", entries, PublicNames::Full, races, results).size(), 0u);

  // Names not in full: a name is never found by searching, a club is, and
  // the swimmer is shown as published.
  EXPECT_TRUE(FindSwimmers("山田", entries, PublicNames::Initials, races, results).empty());
  found = FindSwimmers("第一", entries, PublicNames::Initials, races, results);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].who.name, "山．太．");
  EXPECT_EQ(found[0].who.kana, "");
}

TEST(MeetEvents, ProgramsWithTheirStateAndTheOneOnScreen) {
  auto races = TwoPrograms();
  LiveState state;
  RaceShown shown;
  shown.race = 2;
  shown.program = 5;
  state.Apply(shown);
  auto lines = ProgramLines(races, state);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].program, 5);
  EXPECT_EQ(lines[0].heats, 3);
  EXPECT_EQ(lines[0].heatsDone, 1);
  EXPECT_EQ(lines[0].state, EventState::Provisional);
  EXPECT_TRUE(lines[0].onScreen);
  EXPECT_EQ(lines[1].state, EventState::NotStarted);
  EXPECT_FALSE(lines[1].onScreen);
  // The live state knows better than the list read a few seconds ago.
  state.Apply(RaceStatusChanged{2, "6"});
  state.Apply(RaceStatusChanged{3, "7"});
  lines = ProgramLines(races, state);
  EXPECT_EQ(lines[0].state, EventState::Final);
  EXPECT_STREQ(EventStateText(lines[0].state), "確定");
}

TEST(MeetPagesTest, AnswersStandingsOverlaysAndTheSearch) {
  const auto races = TwoPrograms();
  MeetPages::Sources sources;
  sources.races = [&races]() -> const std::vector<RaceListEntry>& { return races; };
  sources.standings = [](int program) {
    Standings s;
    s.program = program;
    s.heats = program == 5 ? 3 : 0;
    s.heatsDone = 1;
    s.state = EventState::Provisional;
    StandingRow row;
    row.place = 1;
    row.who.name = "山田 <b>";
    row.text = "1:02.34";
    row.qualified = true;
    s.rows.push_back(row);
    return s;
  };
  const auto entries = std::make_shared<const EntryList>(Entries());
  sources.entries = [entries] { return entries; };
  sources.overlayPage = "<body data-kind=\"<!--KIND-->\"><!--SNAPSHOT-->";
  const MeetPages pages(sources);
  const LiveState state;

  auto answer = pages.Answer(MatchRoute("GET", "/api/events/5"), "", state);
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->status, 200);
  EXPECT_STREQ(answer->type, "application/json; charset=utf-8");
  const auto doc = JsonValue::Parse(answer->body);
  ASSERT_TRUE(doc);
  EXPECT_TRUE((*doc)["provisional"].Bool());
  EXPECT_EQ((*doc)["rows"][0]["name"].String(), "山田 <b>");
  EXPECT_EQ(pages.Answer(MatchRoute("GET", "/api/events/6"), "", state)->status, 404);

  answer = pages.Answer(MatchRoute("GET", "/events/5"), "", state);
  EXPECT_NE(answer->body.find("山田 &lt;b&gt;"), std::string::npos);
  EXPECT_NE(answer->body.find("暫定"), std::string::npos);
  EXPECT_NE(answer->body.find("通過"), std::string::npos);

  answer = pages.Answer(MatchRoute("GET", "/events"), "", state);
  EXPECT_NE(answer->body.find("href=\"/events/6\""), std::string::npos);

  answer = pages.Answer(MatchRoute("GET", "/find"), "q=%E3%82%84%E3%81%BE%E3%81%A0", state);
  EXPECT_NE(answer->body.find("山田 太郎（第一中）"), std::string::npos) << answer->body;
  EXPECT_NE(answer->body.find("value=\"やまだ\""), std::string::npos);

  answer = pages.Answer(MatchRoute("GET", "/overlay/clock"), "scale=0.5", state);
  EXPECT_EQ(answer->body.find("data-kind=\"clock\"><script id=\"snapshot\""), 6u) << answer->body;

  EXPECT_FALSE(pages.Answer(MatchRoute("GET", "/results"), "", state));
  // A relay has no standings.
  MeetPages relay(MeetPages::Sources{});
  EXPECT_EQ(relay.Answer(MatchRoute("GET", "/events/5"), "", state)->status, 404);
}

TEST(MeetNames, TheBoardShowsNamesAsTheSettingPublishesThem) {
  const auto entries = std::make_shared<const EntryList>(Entries());
  for (PublicNames mode : {PublicNames::Full, PublicNames::Initials, PublicNames::None}) {
    LiveState state;
    state.SetNames([entries] { return entries; }, mode);
    RaceShown shown;
    shown.race = 1;
    shown.entries[2] = 103;
    shown.entries[3] = 999;  // not in the list
    state.Apply(shown);
    const LiveLane& lane = state.Current()->lanes[2];
    EXPECT_EQ(lane.name, mode == PublicNames::Full       ? "山田 太郎"
                         : mode == PublicNames::Initials ? "山．太．"
                                                         : "");
    EXPECT_EQ(lane.club, "第一中");
    EXPECT_EQ(state.Current()->lanes[3].name, "");
    const std::string json = StateJson(state);
    EXPECT_NE(json.find("\"name\":\"" + lane.name + "\",\"club\":\"第一中\""), std::string::npos);
    if (mode != PublicNames::Full) EXPECT_EQ(json.find("太郎"), std::string::npos);
  }
}

}  // namespace
}  // namespace poolside
