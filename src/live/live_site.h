#pragma once
// What the live pages answer, without a socket: the state the feed builds,
// the message each event sends to the clients, and the page, JSON or file
// each route answers with its status and content type. The race list is
// read again after a few seconds or as soon as a race changes; a done
// race's texts are made once from the result's owner and replaced when the
// owner tells that the race changed (result_cache.h). The Qt server only
// moves these bytes between sockets.

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "feed/race_events.h"
#include "live/live_routes.h"
#include "live/live_state.h"
#include "live/meet_pages.h"
#include "live/meet_reader.h"
#include "live/result_cache.h"

namespace poolside {

struct RaceResult;

// Where the site's answers come from. Every function is called on the
// server's thread.
struct SiteSources {
  // Races 1..n with their labels and status: the meet's files, or a relay's.
  std::function<std::vector<RaceListEntry>()> raceList;
  // Set for a relay: the JSON and page of a race (none when not finished),
  // instead of the owner's results.
  std::function<std::optional<ResultCache::Texts>(int race)> raceTexts;
  // The owner's result of a race not told since the start (desk only).
  std::function<std::shared_ptr<const RaceResult>(int race)> results;
  // The status book at the start (desk only).
  std::function<std::string()> statusBook;
  // A file under /static/ by name, none when it cannot be read.
  std::function<std::optional<std::string>(std::string_view name)> asset;
  std::string scoreboardPage;  // the board's template
  std::string meetName;
  // The pages about the meet (meet_pages.h): a program's standings with
  // names as published (desk only), the entry list, how names go out, and
  // the overlays' template.
  std::function<Standings(int program)> standings;
  LiveState::EntriesOf entries;
  PublicNames publicNames = PublicNames::Full;
  std::string overlayPage;
};

struct SiteAnswer {
  int status = 404;
  std::string body;
  std::string_view type;
};

class LiveSite {
 public:
  using Clock = ResultCache::Clock;

  explicit LiveSite(SiteSources sources);
  LiveSite(const LiveSite&) = delete;
  LiveSite& operator=(const LiveSite&) = delete;

  // Reads what the state needs from the meet's files (the book), once the
  // server listens. Nothing for a relay.
  void Start();
  // Takes an event of the feed; the message for every client when the
  // event changes what they show.
  std::optional<std::string> Take(const RaceEvent& event);
  // A relay's new state: replaces the whole state (its lanes carry their
  // names already).
  void Replace(LiveState state);

  const LiveState& State() const { return state_; }
  std::string Snapshot() const;                      // the first message of a client
  std::string Heartbeat(std::int64_t unixMs) const;  // every few seconds

  // What a matched route answers (`match.route` other than None and
  // Socket); `viewer` is the address the viewer used, as the home page
  // shows it.
  SiteAnswer Answer(const RouteMatch& match, const std::string& viewer,
                    Clock::time_point now = Clock::now());
  // The error page for `status`.
  static SiteAnswer Error(int status);

 private:
  const std::vector<RaceListEntry>& Races(Clock::time_point now);
  static MeetPages::Sources PagesSources(const SiteSources& site, LiveSite& self);
  std::optional<ResultCache::Texts> RaceTexts(int race, Clock::time_point now);

  SiteSources sources_;
  LiveState state_;
  ResultCache cache_;
  std::vector<RaceListEntry> races_;  // as the cache last had it read
  MeetPages pages_;
};

}  // namespace poolside
