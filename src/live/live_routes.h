#pragma once
// Which page a request asks for. Only the routes below are served; anything
// else is refused before a handler runs. The path is taken as it came on the
// wire (still percent-encoded), so an encoded slash or dot never matches.

#include <cstddef>
#include <string_view>

#include "vocabulary/data_folder.h"

namespace poolside {

enum class LiveRoute {
  None,        // refused with `status`
  Home,        // /
  Scoreboard,  // /scoreboard
  Results,     // /results
  RaceResult,  // /results/N
  State,       // /api/state
  RaceJson,    // /api/races/N
  Socket,      // /ws
  Asset,       // /static/NAME: style sheet, script
  Events,      // /events: every program with its state
  EventPage,   // /events/P: program P's standings
  EventJson,   // /api/events/P
  Find,        // /find?q=TEXT
  Overlay,     // /overlay/NAME: lanes, result, clock
};

struct RouteMatch {
  LiveRoute route = LiveRoute::None;
  int status = 404;        // 200 when matched
  int race = 0;            // RaceResult, RaceJson
  std::string_view asset;  // Asset: the file name under /static/; Overlay: its name
  int program = 0;         // EventPage, EventJson
  std::string_view query;  // the request's query as sent, without "?" (set by the server)
};

inline constexpr std::size_t kMaxPathLength = 256;

// `method` as sent ("GET"); `path` without the query.
RouteMatch MatchRoute(std::string_view method, std::string_view path);

}  // namespace poolside
