#pragma once
// What the server keeps of the meet's files between requests: the race
// list, read again after a few seconds or as soon as a race changes, and
// the JSON and page of finished races, each read once and kept until that
// race changes.

#include <chrono>
#include <map>
#include <string>
#include <utility>

#include "feed/race_events.h"

namespace poolside {

// Only races marked done in the book have results to show.
bool HasResults(const std::string& bookStatus);

class ResultCache {
 public:
  using Clock = std::chrono::steady_clock;
  using Texts = std::pair<std::string, std::string>;  // JSON, page

  static constexpr auto kListAge = std::chrono::seconds(5);
  static constexpr std::size_t kMaxRaces = 256;

  // True when the race list must be read again at `now`; ListRead says it was.
  bool ListDue(Clock::time_point now) const;
  void ListRead(Clock::time_point now);

  const Texts* Find(int race) const;
  // Keeps `texts` for `race`; beyond kMaxRaces every kept race goes first.
  const Texts& Keep(int race, Texts texts);

  // Forgets what `event` changes: a finish, a repair or a status forgets
  // its race (and the races its results were copied to) and the list.
  void Forget(const RaceEvent& event);
  // Forgets the list (a relay's state replaced).
  void ForgetList() { listValid_ = false; }

 private:
  void ForgetRace(int race);

  std::map<int, Texts> races_;
  bool listValid_ = false;
  Clock::time_point listRead_{};
};

}  // namespace poolside
