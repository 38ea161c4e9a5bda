// What a request gets, the answers' headers, the viewer's address, and what
// the server keeps of the meet's files between requests.
#include <gtest/gtest.h>

#include "live/live_answers.h"
#include "live/result_cache.h"
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

}  // namespace
}  // namespace poolside
