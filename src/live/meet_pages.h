#pragma once
// The pages about the meet beyond one race: the programs with their state
// (/events), a program's standings across its heats (/events/P and its JSON
// /api/events/P), the swimmer search (/find?q=) and the overlays for a
// stream (/overlay/lanes, /overlay/result, /overlay/clock). Plain C++ on
// the server's thread: a request's route, query and the live state in, the
// answer out. Standings and names come from the result's owner through
// Sources. docs/live-pages.md describes the pages.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "live/live_routes.h"
#include "live/live_state.h"
#include "live/meet_reader.h"
#include "results/entry_list.h"
#include "results/race_result.h"
#include "results/standings.h"

namespace poolside {

struct PageAnswer {
  int status = 200;
  std::string body;
  const char* type = nullptr;  // content type
};

class MeetPages {
 public:
  struct Sources {
    // The meet's races (program, heat, entries, start time, status).
    std::function<const std::vector<RaceListEntry>&()> races;
    // Program P's standings, names as published; unset (a relay): the
    // standings pages answer 404.
    std::function<Standings(int program)> standings;
    // Race N's result, names as published (null when none).
    std::function<std::shared_ptr<const RaceResult>(int race)> results;
    // The entry list (full names; the search publishes them by `names`).
    std::function<std::shared_ptr<const EntryList>()> entries;
    PublicNames names = PublicNames::Full;
    // The overlay page (a resource) with its placeholders.
    std::string overlayPage;
  };

  explicit MeetPages(Sources sources) : sources_(std::move(sources)) {}

  // The answer for one of this class's routes (Events, EventPage, EventJson,
  // Find, Overlay); none for any other route. `query` is the request's
  // query as sent ("q=%E5%B1%B1" without the "?").
  std::optional<PageAnswer> Answer(const RouteMatch& match, std::string_view query,
                                   const LiveState& state) const;

 private:
  PageAnswer EventsPage(const LiveState& state) const;
  PageAnswer Standing(int program, bool json) const;
  PageAnswer FindPage(std::string_view query) const;
  PageAnswer OverlayPage(std::string_view name, std::string_view query,
                         const LiveState& state) const;

  Sources sources_;
};

// The value of `key` in a query ("q=a+b&x=1"), percent-decoded, '+' as a
// blank; "" when absent or not well formed.
std::string QueryValue(std::string_view query, std::string_view key);

// A text reduced for the search: full-width letters and digits as ASCII,
// ASCII letters lower-case, half-width katakana as full-width, hiragana as
// katakana, blanks (either width) and the middle dot dropped.
std::string SearchKey(std::string_view text);

// One program of /events.
struct ProgramLine {
  int program = 0;
  int heats = 0;
  int heatsDone = 0;
  bool onScreen = false;  // one of its heats is on screen and not finished
  EventState state = EventState::NotStarted;
  std::string title;  // sex, class, event and round labels
};
// The programs of `races` in order of their first race, each with its
// state by the book's status of its heats (the live state's, where it
// knows one).
std::vector<ProgramLine> ProgramLines(const std::vector<RaceListEntry>& races,
                                      const LiveState& state);

// /events/P as HTML.
std::string RenderStandings(const Standings& standings);

// One race of a swimmer found.
struct FoundRace {
  int race = 0;
  int program = 0;
  int heat = 0;
  int lane = 0;
  std::string startTime;  // "hh:mm" or ""
  std::string title;      // event labels
  std::string result;     // "1位 1:02.34" when the race is done, else ""
};
struct FoundSwimmer {
  std::int32_t entry = 0;
  EntryName who;  // as published
  std::vector<FoundRace> races;
};
inline constexpr std::size_t kMaxFound = 50;
// The swimmers whose name, kana or club holds `text` (SearchKey on both
// sides) with their races; with names not in full only the club is matched,
// so a hidden name cannot be found out by searching. At most kMaxFound.
std::vector<FoundSwimmer> FindSwimmers(
    std::string_view text, const EntryList& entries, PublicNames names,
    const std::vector<RaceListEntry>& races,
    const std::function<std::shared_ptr<const RaceResult>(int race)>& results);

}  // namespace poolside
