// Only the routes of the live pages are served; everything else is refused
// with the status a browser and a scanner should see.
#include <gtest/gtest.h>

#include <string>

#include "live/live_routes.h"

namespace poolside {
namespace {

TEST(LiveRoutes, KnownPagesMatch) {
  EXPECT_EQ(MatchRoute("GET", "/").route, LiveRoute::Home);
  EXPECT_EQ(MatchRoute("GET", "/scoreboard").route, LiveRoute::Scoreboard);
  EXPECT_EQ(MatchRoute("GET", "/results").route, LiveRoute::Results);
  EXPECT_EQ(MatchRoute("GET", "/api/state").route, LiveRoute::State);
  EXPECT_EQ(MatchRoute("GET", "/ws").route, LiveRoute::Socket);
  const RouteMatch r = MatchRoute("GET", "/results/1024");
  EXPECT_EQ(r.route, LiveRoute::RaceResult);
  EXPECT_EQ(r.race, 1024);
  EXPECT_EQ(MatchRoute("GET", "/api/races/7").race, 7);
  EXPECT_EQ(MatchRoute("GET", "/static/live.css").asset, "live.css");
}

TEST(LiveRoutes, OtherMethodsAreNotAllowed) {
  for (const char* m : {"POST", "PUT", "DELETE", "HEAD", "OPTIONS", "get", ""}) {
    EXPECT_EQ(MatchRoute(m, "/").status, 405) << m;
  }
}

TEST(LiveRoutes, BadRaceNumbersAreRefused) {
  EXPECT_EQ(MatchRoute("GET", "/results/abc").status, 400);
  EXPECT_EQ(MatchRoute("GET", "/results/-1").status, 400);
  EXPECT_EQ(MatchRoute("GET", "/results/1e3").status, 400);
  EXPECT_EQ(MatchRoute("GET", "/api/races/1.5").status, 400);
  EXPECT_EQ(MatchRoute("GET", "/results/0").status, 404);
  EXPECT_EQ(MatchRoute("GET", "/results/007").status, 404);
  EXPECT_EQ(MatchRoute("GET", "/results/1025").status, 404);
  EXPECT_EQ(MatchRoute("GET", "/results/99999999999999999999").status, 404);
  EXPECT_EQ(MatchRoute("GET", "/results/").status, 404);
}

TEST(LiveRoutes, NothingOutsideTheRoutesIsServed) {
  for (const char* p :
       {"/../etc/passwd", "/static/../../etc/passwd", "/static/%2e%2e/x", "/results%2f1",
        "/static/live.css%00", "/static/", "/static/other.js", "/scoreboard/", "//scoreboard",
        "/api", "/api/state/x", "/static\\live.css", "/index.html", "/results/1/x"}) {
    EXPECT_EQ(MatchRoute("GET", p).route, LiveRoute::None) << p;
    EXPECT_GE(MatchRoute("GET", p).status, 400) << p;
  }
  EXPECT_EQ(MatchRoute("GET", "/" + std::string(5000, 'a')).status, 400);
  EXPECT_EQ(MatchRoute("GET", "scoreboard").status, 400);
}

}  // namespace
}  // namespace poolside
