#include "live/live_site.h"

#include "live/live_answers.h"
#include "live/live_json.h"
#include "live/live_pages.h"
#include "live/qr_svg.h"
#include "results/race_result.h"
#include "vocabulary/race_status.h"

namespace poolside {

LiveSite::LiveSite(SiteSources sources)
    : sources_(std::move(sources)), pages_(PagesSources(sources_, *this)) {
  cache_.SetPublicNames(sources_.publicNames);
  state_.SetNames(sources_.entries, sources_.publicNames);
}

MeetPages::Sources LiveSite::PagesSources(const SiteSources& site, LiveSite& self) {
  MeetPages::Sources pages;
  pages.races = [&self]() -> const std::vector<RaceListEntry>& { return self.Races(Clock::now()); };
  pages.standings = site.standings;
  pages.results = site.results;
  pages.entries = site.entries;
  pages.names = site.publicNames;
  pages.overlayPage = site.overlayPage;
  return pages;
}

void LiveSite::Start() {
  if (sources_.statusBook) state_.SetStatusBook(sources_.statusBook());
}

std::optional<std::string> LiveSite::Take(const RaceEvent& event) {
  cache_.Take(event);
  if (!state_.Apply(event)) return std::nullopt;
  return EventJson(event, state_);
}

void LiveSite::Replace(LiveState state) {
  state_ = std::move(state);
  cache_.ForgetList();
}

std::string LiveSite::Snapshot() const { return StateJson(state_); }

std::string LiveSite::Heartbeat(std::int64_t unixMs) const { return HeartbeatJson(state_, unixMs); }

SiteAnswer LiveSite::Error(int status) { return {status, RenderError(status), kHtmlType}; }

SiteAnswer LiveSite::Answer(const RouteMatch& match, const std::string& viewer,
                            Clock::time_point now) {
  auto html = [](std::string page) { return SiteAnswer{200, std::move(page), kHtmlType}; };
  switch (match.route) {
    case LiveRoute::Home:
      return html(RenderHome(state_, Races(now), viewer, QrSvg(viewer), sources_.meetName));
    case LiveRoute::Scoreboard:
      return html(RenderScoreboard(sources_.scoreboardPage, StateJson(state_), sources_.meetName));
    case LiveRoute::Results:
      return html(RenderResults(Races(now)));
    case LiveRoute::State:
      return {200, StateJson(state_), kJsonType};
    case LiveRoute::RaceResult:
    case LiveRoute::RaceJson: {
      auto texts = RaceTexts(match.race, now);
      if (!texts) return Error(404);
      if (match.route == LiveRoute::RaceJson) return {200, std::move(texts->first), kJsonType};
      return html(std::move(texts->second));
    }
    case LiveRoute::Asset: {
      auto file = sources_.asset ? sources_.asset(match.asset) : std::nullopt;
      if (!file) return Error(404);
      return {200, std::move(*file), AssetType(match.asset)};
    }
    case LiveRoute::Events:
    case LiveRoute::EventPage:
    case LiveRoute::EventJson:
    case LiveRoute::Find:
    case LiveRoute::Overlay: {
      auto page = pages_.Answer(match, match.query, state_);
      if (!page) return Error(404);
      return {page->status, std::move(page->body), page->type};
    }
    case LiveRoute::Socket:
      return Error(400);
    case LiveRoute::None:
      return Error(match.status);
  }
  return Error(404);
}

const std::vector<RaceListEntry>& LiveSite::Races(Clock::time_point now) {
  if (cache_.ListDue(now)) {
    races_ = sources_.raceList ? sources_.raceList() : std::vector<RaceListEntry>{};
    cache_.ListRead(now);
  }
  return races_;
}

std::optional<ResultCache::Texts> LiveSite::RaceTexts(int race, Clock::time_point now) {
  if (sources_.raceTexts) return sources_.raceTexts(race);
  if (const auto* texts = cache_.Find(race)) return *texts;
  const auto& races = Races(now);
  if (race < 1 || race > static_cast<int>(races.size()) || !sources_.results) return std::nullopt;
  const auto result = sources_.results(race);
  if (!result || !IsRaceDone(result->bookStatus)) return std::nullopt;
  return cache_.Keep(race, ResultCache::TextsOf(*result));
}

}  // namespace poolside
