#pragma once
// The topics of the broker under one prefix (docs/mqtt.md):
//   PREFIX/status      retained "online", "offline" as the last will
//   PREFIX/state       retained snapshot, the text of /api/state
//   PREFIX/events      every live-feed message, in order, QoS 1
//   PREFIX/races/N     retained JSON of /api/races/N for a finished race
//   PREFIX/events/P    retained standings of program P (/api/events/P)
//   PREFIX/race_list   retained list of the meet's races (what a relay's
//                      home and results pages list)

#include <optional>
#include <string>
#include <string_view>

namespace poolside {

inline constexpr const char* kDefaultTopicPrefix = "poolside";

class MqttTopics {
 public:
  explicit MqttTopics(std::string prefix) : prefix_(std::move(prefix)) {}
  const std::string& Prefix() const { return prefix_; }
  std::string Status() const { return prefix_ + "/status"; }
  std::string State() const { return prefix_ + "/state"; }
  std::string Events() const { return prefix_ + "/events"; }
  std::string RaceList() const { return prefix_ + "/race_list"; }
  std::string Race(int race) const { return prefix_ + "/races/" + std::to_string(race); }
  std::string Event(int program) const { return prefix_ + "/events/" + std::to_string(program); }
  // Every race topic, for a subscription.
  std::string AnyRace() const { return prefix_ + "/races/+"; }
  // N of PREFIX/races/N (1..kBookRaces, no leading zero), or none.
  std::optional<int> RaceOf(std::string_view topic) const;

 private:
  std::string prefix_;
};

// True when `prefix` can begin topic names: 1..200 bytes, no wildcard
// ('+', '#'), no NUL, no empty level ("a//b", a leading or trailing '/').
bool ValidTopicPrefix(std::string_view prefix);

}  // namespace poolside
