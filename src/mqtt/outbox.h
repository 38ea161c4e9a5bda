#pragma once
// What the desk has still to publish, in the order it goes out: the live
// feed's messages first (each once, in order), then the latest snapshot,
// then the finished races and the race list that changed. Kept on the
// publisher's thread. While the broker is away the messages wait here; when
// more than `capacity` wait, the oldest are dropped and counted.

#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "feed/race_events.h"
#include "live/live_state.h"
#include "mqtt/topics.h"

namespace poolside {

struct Publication {
  std::string topic;
  std::string payload;
  bool retain = false;
};

class MqttOutbox {
 public:
  struct Sources {
    // The JSON of /api/races/N when race N is done, none otherwise, for a
    // race whose result has not been told since the start (the result's
    // owner's; every change comes as RaceResultChanged).
    std::function<std::optional<std::string>(int race)> raceJson;
    // The race list (RaceListJson).
    std::function<std::string()> raceList;
    // The standings JSON of program P as published (StandingsJson), and
    // race N's program (0: none); unset, no standings are published.
    std::function<std::string(int program)> eventJson;
    std::function<int(int race)> programOf;
    // Names of the lanes on screen (the owner's entry list), and how names
    // are published everywhere (races, state, standings).
    LiveState::EntriesOf entries;
    PublicNames publicNames = PublicNames::Full;
  };

  MqttOutbox(MqttTopics topics, std::size_t capacity, Sources sources);

  // The status book as read at the start; every race marked done in it is
  // published once the broker is there.
  void SetStatusBook(const std::string& book);
  // Applies one feed event (in order); raw blocks change nothing.
  void Take(const RaceEvent& event);
  // After a new connection: the retained topics again (a broker restarted
  // without its store has lost them), after the messages that wait.
  void Republish();
  // Hands what waits to `send` in order until `send` refuses one, which
  // stays first for the next call.
  void Flush(const std::function<bool(const Publication&)>& send);

  bool Idle() const;
  std::size_t WaitingMessages() const { return messages_.size(); }
  // Messages dropped (oldest first) because `capacity` were waiting.
  std::size_t Dropped() const { return dropped_; }
  const LiveState& State() const { return state_; }

 private:
  bool SendRace(int race, const std::function<bool(const Publication&)>& send);

  MqttTopics topics_;
  std::size_t capacity_;
  Sources sources_;
  LiveState state_;
  std::deque<std::string> messages_;
  std::size_t dropped_ = 0;
  bool stateDirty_ = true;
  bool listDirty_ = true;
  std::set<int> racesDirty_;
  std::set<int> racesPublished_;  // retained now, so a race no longer done is cleared
  std::set<int> eventsDirty_;     // programs whose standings are due
  std::set<int> eventsPublished_;
  // The JSON of each race whose result was told (none: not done).
  std::map<int, std::optional<std::string>> told_;
};

}  // namespace poolside
