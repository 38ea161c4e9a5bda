// What a request gets, the answers' headers, the viewer's address, what the
// server keeps of the meet's files between requests, and what each route
// answers.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>

#include "live/live_answers.h"
#include "live/live_json.h"
#include "live/live_site.h"
#include "live/result_cache.h"
#include "results/race_json.h"
#include "results/race_result.h"

namespace poolside {
namespace {

TEST(LiveAnswers, EachRequestGetsItsReply) {
  const RouteMatch home = MatchRoute("GET", "/");
  const RouteMatch socket = MatchRoute("GET", "/ws");
  const RouteMatch missing = MatchRoute("GET", "/nothing");
  const RouteMatch post = MatchRoute("OTHER", "/");
  struct Case {
    RouteMatch match;
    bool upgrade, served;
    Reply reply;
    int status;
  } cases[] = {
      {home, false, true, Reply::Page, 200},
      {missing, false, true, Reply::Error, 404},
      {post, false, true, Reply::Error, 405},
      {socket, false, true, Reply::Error, 400},  // the socket's path without the upgrade
      {socket, true, true, Reply::Upgrade, 101},
      {home, true, true, Reply::RefuseUpgrade, 0},     // an upgrade anywhere else
      {socket, true, false, Reply::RefuseUpgrade, 0},  // beyond the limit
      {home, false, false, Reply::BusyThenClose, 503},
      {missing, false, false, Reply::BusyThenClose, 503},
  };
  for (const Case& c : cases) {
    const RequestPlan plan = PlanRequest(c.match, c.upgrade, c.served);
    EXPECT_EQ(plan.reply, c.reply) << c.match.status << c.upgrade << c.served;
    if (c.reply != Reply::RefuseUpgrade) {
      EXPECT_EQ(plan.status, c.status);
    }
  }
  EXPECT_EQ(RefusedUpgradeStatus(socket), 503);
  EXPECT_EQ(RefusedUpgradeStatus(home), 404);
}

TEST(LiveAnswers, EveryAnswerForbidsCachingSniffingAndForeignContent) {
  using Headers = std::vector<std::pair<std::string, std::string>>;
  auto value = [](const Headers& h, const std::string& name) {
    for (const auto& [n, v] : h) {
      if (n == name) return v;
    }
    return std::string("(none)");
  };
  for (int status : {200, 404, 503}) {
    const Headers h = AnswerHeaders(status, kHtmlType);
    EXPECT_EQ(h.front().first, "Content-Type");
    EXPECT_EQ(value(h, "Content-Type"), kHtmlType);
    EXPECT_EQ(value(h, "Cache-Control"), "no-store");
    EXPECT_EQ(value(h, "X-Content-Type-Options"), "nosniff");
    EXPECT_EQ(value(h, "Referrer-Policy"), "no-referrer");
    EXPECT_NE(value(h, "Content-Security-Policy").find("frame-ancestors 'none'"),
              std::string::npos);
    EXPECT_EQ(value(h, "Allow"), "(none)");
  }
  const Headers refused = AnswerHeaders(405, kHtmlType);
  EXPECT_EQ(value(refused, "Allow"), "GET");
  EXPECT_EQ(value(refused, "Cache-Control"), "no-store");
  EXPECT_EQ(value(refused, "X-Content-Type-Options"), "nosniff");
  EXPECT_EQ(AssetType("board.css"), std::string("text/css; charset=utf-8"));
  EXPECT_EQ(AssetType("board.js"), std::string("text/javascript; charset=utf-8"));
}

TEST(LiveAnswers, TheViewersAddressIsTheirHostOnlyWhenItIsPlain) {
  EXPECT_EQ(ViewerAddress("192.168.1.20:8080", "0.0.0.0:8080"), "http://192.168.1.20:8080/");
  EXPECT_EQ(ViewerAddress("[fe80::1]:8080", "x"), "http://[fe80::1]:8080/");
  EXPECT_EQ(ViewerAddress("desk-pc.local", "x"), "http://desk-pc.local/");
  for (const char* hostile :
       {"", "evil.example/\"><script>", "a b", "host\r\nX: y", "x@y", "a%2fb"}) {
    EXPECT_EQ(ViewerAddress(hostile, "127.0.0.1:8080"), "http://127.0.0.1:8080/") << hostile;
  }
  EXPECT_EQ(ViewerAddress(std::string(101, 'a'), "f"), "http://f/");
  EXPECT_EQ(ViewerAddress(std::string(100, 'a'), "f"), "http://" + std::string(100, 'a') + "/");
}

// A told result of race `race` with `status` in the book.
RaceResultChanged Told(int race, const std::string& status) {
  auto result = std::make_shared<RaceResult>();
  result->race = race;
  result->raceText = std::to_string(race);
  result->bookStatus = status;
  RaceResultChanged changed;
  changed.race = race;
  changed.done = status == "6" || status == "7";
  changed.result = std::move(result);
  return changed;
}

TEST(ResultCache, ARaceIsKeptUntilItsOwnerTellsItChanged) {
  ResultCache cache;
  for (int race : {3, 4, 5, 6}) cache.Keep(race, {"json" + std::to_string(race), "page"});
  ASSERT_NE(cache.Find(3), nullptr);
  EXPECT_EQ(cache.Find(3)->first, "json3");
  EXPECT_EQ(cache.Find(9), nullptr);

  // Events that are no result's change keep every race: a finish or a
  // repair is told by the owner once its files are written.
  cache.Take(ClockShown{"    1.00"});
  cache.Take(LaneTouched{2, 1, "   25.06", 2506, 1, 50, false});
  RaceFinished finished;
  finished.race = 3;
  finished.combinedTargets = {5};
  cache.Take(finished);
  TouchesRepaired repaired;
  repaired.race = 4;
  cache.Take(repaired);
  cache.Take(RaceStatusChanged{6, "8"});
  for (int race : {3, 4, 5, 6}) EXPECT_NE(cache.Find(race), nullptr) << race;

  // A told change replaces the race's texts with the told result's.
  cache.Take(Told(3, "7"));
  ASSERT_NE(cache.Find(3), nullptr);
  EXPECT_EQ(cache.Find(3)->first, ResultCache::TextsOf(*Told(3, "7").result).first);
  EXPECT_NE(cache.Find(3)->first.find("\"book_status\":\"7\""), std::string::npos);
  // A race no longer done has nothing to show.
  cache.Take(Told(5, "0"));
  EXPECT_EQ(cache.Find(5), nullptr);
  EXPECT_NE(cache.Find(4), nullptr);
}

TEST(ResultCache, TheListIsReadAgainWhenOldOrWhenARaceChanges) {
  using namespace std::chrono_literals;
  ResultCache cache;
  const auto t0 = ResultCache::Clock::time_point{} + 100s;
  EXPECT_TRUE(cache.ListDue(t0));  // never read
  cache.ListRead(t0);
  EXPECT_FALSE(cache.ListDue(t0 + 5s));
  EXPECT_TRUE(cache.ListDue(t0 + 5s + 1ms));
  cache.ListRead(t0);
  cache.Take(RaceStatusChanged{2, "6"});
  EXPECT_TRUE(cache.ListDue(t0 + 1s));
  cache.ListRead(t0);
  cache.Take(Told(2, "6"));
  EXPECT_TRUE(cache.ListDue(t0 + 1s));
  cache.ListRead(t0);
  cache.Take(ClockShown{"    1.00"});
  EXPECT_FALSE(cache.ListDue(t0 + 1s));
  cache.ForgetList();
  EXPECT_TRUE(cache.ListDue(t0 + 1s));
}

TEST(ResultCache, ItHoldsABoundedNumberOfRaces) {
  ResultCache cache;
  for (int race = 1; race <= static_cast<int>(ResultCache::kMaxRaces); ++race) {
    cache.Keep(race, {"j", "p"});
  }
  EXPECT_NE(cache.Find(1), nullptr);
  cache.Keep(1000, {"j", "p"});
  EXPECT_EQ(cache.Find(1), nullptr);
  EXPECT_NE(cache.Find(1000), nullptr);
}

// A site over a meet of `count` races whose results come from `results`,
// counting how often it reads the list and asks the owner.
struct CountingSite {
  int listReads = 0;
  int resultAsks = 0;
  std::map<int, std::shared_ptr<const RaceResult>> results;
  LiveSite site;

  explicit CountingSite(int count) : site(Sources(count)) {}

  SiteSources Sources(int count) {
    SiteSources sources;
    sources.raceList = [this, count] {
      ++listReads;
      std::vector<RaceListEntry> races(static_cast<std::size_t>(count));
      for (int i = 0; i < count; ++i) races[static_cast<std::size_t>(i)].race = i + 1;
      return races;
    };
    sources.results = [this](int race) -> std::shared_ptr<const RaceResult> {
      ++resultAsks;
      const auto it = results.find(race);
      return it == results.end() ? nullptr : it->second;
    };
    sources.statusBook = [] { return std::string(1024, '0'); };
    sources.asset = [](std::string_view name) -> std::optional<std::string> {
      if (name == "live.css") return "body{}";
      return std::nullopt;
    };
    sources.scoreboardPage = "<html><!--MEET--><!--SNAPSHOT--></html>";
    sources.meetName = "市民大会";
    return sources;
  }
};

TEST(LiveSite, EachRouteAnswersFromTheOwnersResultsAndTheMeetsFiles) {
  using namespace std::chrono_literals;
  CountingSite s(8);
  s.results[3] = Told(3, "6").result;
  s.results[4] = Told(4, "0").result;  // not done: nothing to show
  s.site.Start();
  const auto t0 = LiveSite::Clock::time_point{} + 100s;
  auto answer = [&](std::string_view path, auto at) {
    return s.site.Answer(MatchRoute("GET", path), "http://192.168.1.20:8080/", at);
  };

  const SiteAnswer home = answer("/", t0);
  EXPECT_EQ(home.status, 200);
  EXPECT_EQ(home.type, kHtmlType);
  EXPECT_NE(home.body.find("市民大会"), std::string::npos);
  EXPECT_NE(home.body.find("http://192.168.1.20:8080/"), std::string::npos);
  EXPECT_EQ(answer("/api/state", t0).body, StateJson(s.site.State()));
  EXPECT_EQ(answer("/api/state", t0).type, kJsonType);
  EXPECT_EQ(answer("/results", t0).status, 200);
  EXPECT_EQ(s.listReads, 1);  // the list is read once for both pages
  EXPECT_NE(answer("/scoreboard", t0).body.find("市民大会"),
            std::string::npos);  // the list is read once for both pages

  // A done race: the owner's result, asked once, then kept.
  const SiteAnswer json = answer("/api/races/3", t0);
  EXPECT_EQ(json.status, 200);
  EXPECT_EQ(json.type, kJsonType);
  EXPECT_EQ(json.body, RaceJson(*s.results[3]));
  EXPECT_EQ(answer("/results/3", t0).type, kHtmlType);
  EXPECT_EQ(s.resultAsks, 1);
  // Not done, not told at all, or beyond the meet's races: not found, and
  // the owner is not asked for a race the meet does not have.
  EXPECT_EQ(answer("/api/races/4", t0).status, 404);
  EXPECT_EQ(answer("/results/5", t0).status, 404);
  EXPECT_EQ(answer("/api/races/9", t0).status, 404);
  EXPECT_EQ(s.resultAsks, 3);

  // The owner's change replaces the texts without asking again, and makes
  // the list be read again; a race no longer done is gone (the owner then
  // says so too).
  EXPECT_FALSE(s.site.Take(Told(3, "7")).has_value());
  EXPECT_NE(answer("/api/races/3", t0).body.find("\"book_status\":\"7\""), std::string::npos);
  EXPECT_EQ(s.resultAsks, 3);
  answer("/results", t0);
  EXPECT_EQ(s.listReads, 2);
  s.results[3] = Told(3, "0").result;
  s.site.Take(Told(3, "0"));
  EXPECT_EQ(answer("/api/races/3", t0).status, 404);
  // A finish makes the list old as well; so does time.
  RaceFinished finished;
  finished.race = 5;
  s.site.Take(finished);
  answer("/results", t0);
  EXPECT_EQ(s.listReads, 4);
  answer("/results", t0 + 4s);
  EXPECT_EQ(s.listReads, 4);
  answer("/results", t0 + 6s);
  EXPECT_EQ(s.listReads, 5);

  // Files under /static/, errors, the socket's path without its upgrade.
  const SiteAnswer css = answer("/static/live.css", t0);
  EXPECT_EQ(css.body, "body{}");
  EXPECT_EQ(std::string(css.type), "text/css; charset=utf-8");
  EXPECT_EQ(answer("/static/scoreboard.js", t0).status, 404);  // could not be read
  EXPECT_EQ(answer("/ws", t0).status, 400);
  EXPECT_EQ(answer("/nothing", t0).status, 404);
  EXPECT_EQ(s.site.Answer(MatchRoute("OTHER", "/"), "x", t0).status, 405);
  EXPECT_EQ(answer("/nothing", t0).body, LiveSite::Error(404).body);
}

TEST(LiveSite, TheFeedBuildsTheStateAndItsMessages) {
  CountingSite s(2);
  s.site.Start();
  EXPECT_EQ(s.site.Snapshot(), StateJson(s.site.State()));
  const auto clock = s.site.Take(ClockShown{"    1.00"});
  ASSERT_TRUE(clock.has_value());
  EXPECT_EQ(*clock, EventJson(ClockShown{"    1.00"}, s.site.State()).value());
  EXPECT_NE(s.site.Heartbeat(1'700'000'000'000).find("1700000000000"), std::string::npos);
}

TEST(LiveSite, ARelayAnswersRacesFromItsOwnSource) {
  int asks = 0;
  SiteSources sources;
  sources.raceList = [] { return std::vector<RaceListEntry>(3); };
  sources.raceTexts = [&asks](int race) -> std::optional<ResultCache::Texts> {
    ++asks;
    if (race != 2) return std::nullopt;
    return ResultCache::Texts{"{\"race\":2}", "<p>2</p>"};
  };
  LiveSite site(std::move(sources));
  site.Start();
  EXPECT_EQ(site.Answer(MatchRoute("GET", "/api/races/2"), "x").body, "{\"race\":2}");
  EXPECT_EQ(site.Answer(MatchRoute("GET", "/results/2"), "x").body, "<p>2</p>");
  EXPECT_EQ(site.Answer(MatchRoute("GET", "/results/1"), "x").status, 404);
  EXPECT_EQ(asks, 3);  // the relay keeps its own races: asked every time
}

}  // namespace
}  // namespace poolside
