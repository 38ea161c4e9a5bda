// The pages rendered by the server: every text from the files escaped, the
// results list limited to finished races, the snapshot embedded safely.
#include <gtest/gtest.h>

#include "live/live_json.h"
#include "live/live_pages.h"
#include "live/qr_svg.h"

namespace poolside {
namespace {

const std::string kHostile = "<script>alert(\"x\")</script>&'";

RaceListEntry Entry(int race, const char* status) {
  RaceListEntry e;
  e.race = race;
  e.status = status;
  e.program = 1;
  e.heat = 1;
  e.heats = 2;
  e.sex = e.raceClass = e.event = e.round = kHostile;
  return e;
}

void ExpectNoRawMarkup(const std::string& page) {
  EXPECT_EQ(page.find("<script>alert"), std::string::npos) << page;
  EXPECT_EQ(page.find("\"x\""), std::string::npos);
  EXPECT_NE(page.find("&lt;script&gt;"), std::string::npos);
}

TEST(LivePages, HomeEscapesEveryTextAndShowsTheQrCode) {
  LiveState s;
  RaceShown r;
  r.race = 2;
  r.sex.label = r.raceClass.label = r.event.label = r.round.label = kHostile;
  r.entries[0] = 5;
  s.Apply(r);
  s.Apply(LaneTouched{1, 1, kHostile, 0, 1, 50, true});
  const std::string page =
      RenderHome(s, {Entry(1, "6"), Entry(2, "1")}, "http://10.0.0.5:8080/", QrSvg("http://x/"));
  ExpectNoRawMarkup(page);
  EXPECT_NE(page.find("<svg"), std::string::npos);
  EXPECT_NE(page.find("速報（非公式）"), std::string::npos);
  EXPECT_NE(page.find("href=\"/results/1\""), std::string::npos);  // finished: linked
  EXPECT_EQ(page.find("href=\"/results/2\""), std::string::npos);
  EXPECT_NE(page.find("class=\"current\""), std::string::npos);
}

TEST(LivePages, ResultsListOnlyTheRacesDone) {
  const std::string page =
      RenderResults({Entry(1, "6"), Entry(2, "1"), Entry(3, "8"), Entry(4, ""), Entry(5, "3")});
  ExpectNoRawMarkup(page);
  EXPECT_NE(page.find("/results/1\""), std::string::npos);
  EXPECT_NE(page.find("/results/3\""), std::string::npos);
  EXPECT_EQ(page.find("/results/2\""), std::string::npos);
  EXPECT_EQ(page.find("/results/5\""), std::string::npos);
  EXPECT_NE(RenderResults({}).find("まだありません"), std::string::npos);
}

TEST(LivePages, ScoreboardSnapshotCannotCloseItsScriptElement) {
  LiveState s;
  RaceShown r;
  r.race = 1;
  r.event.label = "</script><script>alert(1)</script>";
  s.Apply(r);
  const std::string page =
      RenderScoreboard("<html><!--SNAPSHOT--><script src=x></script></html>", StateJson(s));
  EXPECT_EQ(page.find("alert(1)</script>"), std::string::npos);
  EXPECT_NE(page.find("<script id=\"snapshot\" type=\"application/json\">{"), std::string::npos);
  EXPECT_EQ(page.find("<!--SNAPSHOT-->"), std::string::npos);
}

TEST(LivePages, TheMeetsNameHeadsTheHomePageAndTheBoardEscaped) {
  LiveState s;
  MeetSettings settings;
  settings.Item1 = "　 第５８回 <市民> 大会 \r\n";
  EXPECT_EQ(MeetNameOf(settings), "第５８回 <市民> 大会");
  const std::string home = RenderHome(s, {}, "", "", MeetNameOf(settings));
  EXPECT_NE(home.find("<p class=\"meet-name\">第５８回 &lt;市民&gt; 大会</p>"), std::string::npos)
      << home;
  const std::string board =
      RenderScoreboard("<div><!--MEET--></div><!--SNAPSHOT-->", StateJson(s), MeetNameOf(settings));
  EXPECT_EQ(board.find("<div>第５８回 &lt;市民&gt; 大会</div>"), 0u) << board;
  // No name in the data: nothing in its place.
  EXPECT_EQ(RenderHome(s, {}, "", "").find("meet-name"), std::string::npos);
  EXPECT_EQ(RenderScoreboard("<div><!--MEET--></div>", "{}").find("<div></div>"), 0u);
}

TEST(LivePages, StatusTextsAndErrors) {
  EXPECT_EQ(StatusText(""), "未");
  EXPECT_EQ(StatusText("3"), "結合 3 レース");
  EXPECT_EQ(StatusText("6"), "終了");
  EXPECT_EQ(StatusText("<"), "<");  // escaped where it is shown
  EXPECT_NE(RenderError(405).find("405"), std::string::npos);
  EXPECT_NE(RenderError(503).find("503"), std::string::npos);
}

TEST(LivePages, RaceResultInRankOrderWithStatusTextsAndSplits) {
  RaceResult r;
  r.race = 7;
  r.event = {"3", kHostile};
  r.problems.push_back({"lap\\r0007", kHostile});
  for (int i = 0; i < 10; ++i) r.lanes[i].lane = i + 1;
  r.lanes[1] = {2, 101, true, true, 2, 5999, 5999, "59.99", LaneStatus::Time, 0, {}};
  r.lanes[1].splits.push_back({50, "29.50", 2950, 'L'});
  r.lanes[1].splits.push_back({100, kHostile, std::nullopt, 'G'});
  r.lanes[2] = {3, 102, true, true, 1, 5800, 5800, "58.00", LaneStatus::Time, 0, {}};
  r.lanes[3] = {4, 103, true, true, 0, 700003, std::nullopt, "折返", LaneStatus::Dq, 3, {}};
  r.lanes[4] = {5, 104, true, true, 0, 888888, std::nullopt, "棄権", LaneStatus::Withdrawn, 0, {}};
  r.lanes[5] = {6, 105, true, true, 0, 888888, std::nullopt, "棄権", LaneStatus::NoFinish, 0, {}};
  r.lanes[5].splits.push_back({50, "34.91", 3491, 'L'});
  r.lanes[6] = {7, 106, true, true, 0, 888888, std::nullopt, "棄権", LaneStatus::NoTime, 0, {}};
  r.lanes[6].who = {kHostile, "", "第一中", "", ""};
  r.lanes[0].status = LaneStatus::NoTime;  // empty lane: left out
  const std::string page = RenderRaceResult(r);
  EXPECT_NE(page.find("<td>6</td><td></td><td></td><td>ゴール未検出</td>"), std::string::npos)
      << page;
  // The swimmer's name and club, escaped like every text of a file.
  EXPECT_NE(
      page.find("<td>7</td><td>&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt;&amp;&#39;</td>"
                "<td>第一中</td><td>記録なし</td>"),
      std::string::npos)
      << page;
  ExpectNoRawMarkup(page);
  const auto first = page.find("58.00"), second = page.find("59.99"),
             dq = page.find("失格 3（折返）");
  ASSERT_NE(first, std::string::npos);
  EXPECT_LT(first, second);
  EXPECT_LT(second, dq);
  EXPECT_NE(page.find("棄権"), std::string::npos);
  EXPECT_NE(page.find("50m 29.50"), std::string::npos);
  EXPECT_NE(page.find("lap\\r0007"), std::string::npos);
  EXPECT_EQ(page.find("<td>1</td><td>1</td>"), std::string::npos);  // lane 1 not listed
}

TEST(QrSvg, DrawsModulesForAnAddress) {
  const std::string svg = QrSvg("http://192.168.1.20:8080/");
  EXPECT_EQ(svg.rfind("<svg", 0), 0u);
  EXPECT_NE(svg.find("h1v1h-1z"), std::string::npos);
  EXPECT_EQ(svg.find("192.168"), std::string::npos);  // drawn, not written
}

}  // namespace
}  // namespace poolside
