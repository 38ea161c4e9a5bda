#include "live/result_cache.h"

#include "live/live_pages.h"
#include "results/race_json.h"
#include "results/race_result.h"

namespace poolside {

bool ResultCache::ListDue(Clock::time_point now) const {
  return !listValid_ || now - listRead_ > kListAge;
}

void ResultCache::ListRead(Clock::time_point now) {
  listRead_ = now;
  listValid_ = true;
}

const ResultCache::Texts* ResultCache::Find(int race) const {
  const auto it = races_.find(race);
  return it == races_.end() ? nullptr : &it->second;
}

const ResultCache::Texts& ResultCache::Keep(int race, Texts texts) {
  if (races_.size() >= kMaxRaces) races_.clear();
  return races_[race] = std::move(texts);
}

ResultCache::Texts ResultCache::TextsOf(const RaceResult& result) {
  return {RaceJson(result), RenderRaceResult(result)};
}

void ResultCache::Take(const RaceEvent& event) {
  if (const auto* changed = std::get_if<RaceResultChanged>(&event)) {
    if (changed->done) {
      Keep(changed->race, TextsOf(*PublicView(changed->result, publicNames_)));
    } else {
      races_.erase(changed->race);
    }
    listValid_ = false;
  } else if (std::holds_alternative<RaceFinished>(event) ||
             std::holds_alternative<RaceStatusChanged>(event)) {
    listValid_ = false;
  }
}

}  // namespace poolside
