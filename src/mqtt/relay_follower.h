#pragma once
// The relay's side of the broker: it follows the desk's topics and keeps a
// live server fed with the desk's own state and messages, so that the
// relay's pages, /api/state and /ws are the desk's.
//
// Messages and snapshots arrive on separate topics; the desk publishes a
// snapshot after the messages it follows. A message waits until the
// snapshot that includes it arrives; then the messages since the last
// snapshot go out in order with it. When one is missing (a gap, a relay
// or desk that reconnected), the clients get the snapshot itself as a
// "state" message and start again from it. While the broker or the desk is
// away, the pages show the link-lost mark.
//
// Called on the broker link's thread only.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "live/live_source.h"
#include "live/live_state.h"
#include "mqtt/topics.h"

namespace poolside {

// The finished races and the race list as the broker holds them.
class RelayRaces : public LiveRaceSource {
 public:
  std::vector<RaceListEntry> RaceList() override;
  std::optional<std::pair<std::string, std::string>> RaceTexts(int race) override;

  // An empty `json` removes the race.
  void SetRace(int race, const std::string& json);
  void SetList(std::vector<RaceListEntry> races);

 private:
  std::mutex mutex_;
  std::map<int, std::pair<std::string, std::string>> races_;
  std::vector<RaceListEntry> list_;
};

class RelayFollower {
 public:
  RelayFollower(MqttTopics topics, std::shared_ptr<RelayRaces> races,
                std::function<void(RelayUpdate)> update);

  void Connected();
  void Lost();
  void Message(const std::string& topic, const std::string& payload);

  // Messages that came with a sequence already served or not in order.
  std::uint64_t LastSequence() const { return lastSeq_; }
  bool HasState() const { return hasState_; }

 private:
  void TakeState(const std::string& payload);
  void TakeMessage(const std::string& payload);
  // The state as served: the desk's, with the link-lost mark while the
  // broker or the desk is away.
  LiveState Served() const;
  void ShowMark();

  MqttTopics topics_;
  std::shared_ptr<RelayRaces> races_;
  std::function<void(RelayUpdate)> update_;
  LiveState::Snapshot desk_;  // the desk's last snapshot taken
  bool hasState_ = false;
  bool brokerUp_ = false;
  bool deskOnline_ = true;
  bool resync_ = true;  // the next snapshot is taken whatever its sequence
  std::uint64_t lastSeq_ = 0;
  std::map<std::uint64_t, std::string> waiting_;  // messages beyond lastSeq_
};

}  // namespace poolside
