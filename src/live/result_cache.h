#pragma once
// What the server keeps between requests: the race list, read again after a
// few seconds or as soon as a race changes, and the JSON and page of done
// races, each made once from the result's owner's result and replaced when
// the owner tells that the race changed.

#include <chrono>
#include <map>
#include <string>
#include <utility>

#include "feed/race_events.h"
#include "results/entry_list.h"

namespace poolside {

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

  // The texts of a done race's result (JSON, page).
  static Texts TextsOf(const RaceResult& result);
  // How the names of a changed result are published (in full unless set).
  void SetPublicNames(PublicNames mode) { publicNames_ = mode; }
  // Takes what `event` changes: a changed result replaces its race's texts
  // (or forgets them when the race is no longer done) and the list; a finish
  // or a status change forgets the list.
  void Take(const RaceEvent& event);
  // Forgets the list (a relay's state replaced).
  void ForgetList() { listValid_ = false; }

 private:
  std::map<int, Texts> races_;
  bool listValid_ = false;
  PublicNames publicNames_ = PublicNames::Full;
  Clock::time_point listRead_{};
};

}  // namespace poolside
