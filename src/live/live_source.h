#pragma once
// Another source for the live server than the race feed and the meet's
// files: a relay feeds it the desk's state and messages from a broker
// (mqtt/relay_follower.h) and answers for the races itself.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "live/live_state.h"
#include "live/meet_reader.h"

namespace poolside {

// The state to serve from now on, and the messages that lead the clients
// to it, in order (the desk's own texts; a "state" message resets them).
struct RelayUpdate {
  LiveState state;
  std::vector<std::string> messages;
};

// Races of a server without the meet's files. Called on the server's
// thread; an implementation guards what another thread updates.
class LiveRaceSource {
 public:
  virtual ~LiveRaceSource() = default;
  virtual std::vector<RaceListEntry> RaceList() = 0;
  // The JSON of /api/races/N and the page of /results/N; none when the race
  // is not finished.
  virtual std::optional<std::pair<std::string, std::string>> RaceTexts(int race) = 0;
};

}  // namespace poolside
