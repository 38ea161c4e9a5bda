#include "live/live_routes.h"

#include <array>

namespace poolside {

namespace {

constexpr std::array<std::string_view, 4> kAssets = {"live.css", "scoreboard.js", "feed.js",
                                                     "overlay.js"};
constexpr std::array<std::string_view, 3> kOverlays = {"lanes", "result", "clock"};

RouteMatch Refuse(int status) { return RouteMatch{LiveRoute::None, status, 0, {}, 0, {}}; }
RouteMatch Found(LiveRoute route, int race = 0) { return RouteMatch{route, 200, race, {}, 0, {}}; }

// A program number: 1..32767 in plain decimal, as the race numbers.
RouteMatch ProgramRoute(LiveRoute route, std::string_view digits) {
  if (digits.empty()) return Refuse(404);
  for (char c : digits) {
    if (c < '0' || c > '9') return Refuse(400);
  }
  if (digits.size() > 5 || digits[0] == '0') return Refuse(404);
  int program = 0;
  for (char c : digits) program = program * 10 + (c - '0');
  if (program > 32767) return Refuse(404);
  RouteMatch m = Found(route);
  m.program = program;
  return m;
}

// A race number: 1..1024 in plain decimal. Not a number at all is a bad
// request; a number that names no race is not found.
RouteMatch RaceRoute(LiveRoute route, std::string_view digits) {
  if (digits.empty()) return Refuse(404);
  for (char c : digits) {
    if (c < '0' || c > '9') return Refuse(400);
  }
  if (digits.size() > 4 || digits[0] == '0') return Refuse(404);
  int race = 0;
  for (char c : digits) race = race * 10 + (c - '0');
  if (race > kBookRaces) return Refuse(404);
  return Found(route, race);
}

}  // namespace

RouteMatch MatchRoute(std::string_view method, std::string_view path) {
  if (method != "GET") return Refuse(405);
  if (path.size() > kMaxPathLength) return Refuse(400);
  if (path.empty() || path[0] != '/') return Refuse(400);
  // No route holds an encoded character, a backslash or a dot segment.
  if (path.find_first_of("%\\") != std::string_view::npos) return Refuse(404);
  if (path.find("..") != std::string_view::npos || path.find("//") != std::string_view::npos) {
    return Refuse(404);
  }
  if (path == "/") return Found(LiveRoute::Home);
  if (path == "/scoreboard") return Found(LiveRoute::Scoreboard);
  if (path == "/results") return Found(LiveRoute::Results);
  if (path == "/api/state") return Found(LiveRoute::State);
  if (path == "/ws") return Found(LiveRoute::Socket);
  if (path == "/events") return Found(LiveRoute::Events);
  if (path == "/find") return Found(LiveRoute::Find);
  constexpr std::string_view results = "/results/", races = "/api/races/", assets = "/static/";
  constexpr std::string_view events = "/events/", eventJson = "/api/events/",
                             overlays = "/overlay/";
  if (path.starts_with(events)) {
    return ProgramRoute(LiveRoute::EventPage, path.substr(events.size()));
  }
  if (path.starts_with(eventJson)) {
    return ProgramRoute(LiveRoute::EventJson, path.substr(eventJson.size()));
  }
  if (path.starts_with(overlays)) {
    const std::string_view name = path.substr(overlays.size());
    for (std::string_view o : kOverlays) {
      if (name == o) return RouteMatch{LiveRoute::Overlay, 200, 0, o, 0, {}};
    }
    return Refuse(404);
  }
  if (path.starts_with(results))
    return RaceRoute(LiveRoute::RaceResult, path.substr(results.size()));
  if (path.starts_with(races)) return RaceRoute(LiveRoute::RaceJson, path.substr(races.size()));
  if (path.starts_with(assets)) {
    const std::string_view name = path.substr(assets.size());
    for (std::string_view a : kAssets) {
      if (name == a) return RouteMatch{LiveRoute::Asset, 200, 0, a, 0, {}};
    }
  }
  return Refuse(404);
}

}  // namespace poolside
