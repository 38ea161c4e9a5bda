#include "live/result_cache.h"

#include <type_traits>

namespace poolside {

bool HasResults(const std::string& bookStatus) {
  return !bookStatus.empty() && bookStatus[0] > '5';
}

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

void ResultCache::ForgetRace(int race) {
  races_.erase(race);
  listValid_ = false;
}

void ResultCache::Forget(const RaceEvent& event) {
  std::visit(
      [&](const auto& e) {
        using T = std::decay_t<decltype(e)>;
        if constexpr (std::is_same_v<T, RaceFinished> || std::is_same_v<T, TouchesRepaired>) {
          ForgetRace(e.race);
          for (int r : e.combinedTargets) ForgetRace(r);
        } else if constexpr (std::is_same_v<T, RaceStatusChanged> ||
                             std::is_same_v<T, ManualEntryStored>) {
          ForgetRace(e.race);
        }
      },
      event);
}

}  // namespace poolside
