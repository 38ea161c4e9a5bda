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
// Anyone who may publish under the prefix can speak for the desk; the
// broker's access rule is what keeps others out (docs/mqtt.md). What the
// relay itself refuses, whoever sent it: a publication over its topic's size
// bound, and a snapshot or message whose `seq` is further ahead than the
// relay can have missed. Each refusal is counted and said at most once per
// interval for each kind. A refused snapshot makes the next one count
// whatever its sequence, and a snapshot far below the last one taken (not a
// repeat: the last one was no desk's, or the desk started again unseen) is
// taken as a fresh start, so no single publication freezes the relay.
//
// Called on the broker link's thread only (the counters may be read from
// any thread).

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
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

// What the relay refuses, by kind.
enum class RelayRefusal {
  LargeEvent,     // PREFIX/events over kMaxEventBytes
  LargeState,     // PREFIX/state over kMaxStateBytes
  LargeRace,      // PREFIX/races/N over kMaxRaceBytes
  LargeRaceList,  // PREFIX/race_list over kMaxRaceListBytes
  SequenceJump,   // a snapshot or message more than kMaxSequenceJump ahead
  Count
};

struct RelayLimits {
  static constexpr std::size_t kMaxEventBytes = 64 * 1024;
  static constexpr std::size_t kMaxStateBytes = 256 * 1024;
  static constexpr std::size_t kMaxRaceBytes = 256 * 1024;
  static constexpr std::size_t kMaxRaceListBytes = 1024 * 1024;
  // The most the relay can miss while it and the desk stay connected: the
  // desk's feed queue and outbox together, rounded up. A desk that
  // reconnects says "online" first, which makes its next snapshot count.
  static constexpr std::uint64_t kMaxSequenceJump = 65536;
  // A snapshot this far below the last one taken is no repeat.
  static constexpr std::uint64_t kMaxRepeatLag = 4096;
  // Messages held for the next snapshot: at most this many, this many bytes.
  static constexpr std::size_t kMaxWaiting = 4096;
  static constexpr std::size_t kMaxWaitingBytes = 4 * 1024 * 1024;
  // A kind of refusal is said at most once in this interval.
  static constexpr std::chrono::seconds kReportInterval{10};
};

class RelayFollower {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;
  // `report` takes one line for standard error (may be empty); `now` is the
  // clock of the report interval (the steady clock when empty).
  RelayFollower(MqttTopics topics, std::shared_ptr<RelayRaces> races,
                std::function<void(RelayUpdate)> update,
                std::function<void(const std::string&)> report = {}, Clock now = {});

  void Connected();
  void Lost();
  void Message(const std::string& topic, const std::string& payload);

  // Messages that came with a sequence already served or not in order.
  std::uint64_t LastSequence() const { return lastSeq_; }
  bool HasState() const { return hasState_; }
  // Publications refused so far, of one kind.
  std::uint64_t Refused(RelayRefusal kind) const {
    return refused_[static_cast<std::size_t>(kind)].load();
  }

 private:
  // False (counted, maybe said) when `payload` is over `limit`.
  bool WithinSize(RelayRefusal kind, const std::string& topic, const std::string& payload,
                  std::size_t limit);
  void Refuse(RelayRefusal kind, const std::string& line);
  void TakeState(const std::string& payload);
  void TakeMessage(const std::string& payload);
  // The state as served: the desk's, with the link-lost mark while the
  // broker or the desk is away.
  LiveState Served() const;
  void ShowMark();

  MqttTopics topics_;
  std::shared_ptr<RelayRaces> races_;
  std::function<void(RelayUpdate)> update_;
  std::function<void(const std::string&)> report_;
  Clock now_;
  static constexpr std::size_t kKinds = static_cast<std::size_t>(RelayRefusal::Count);
  std::array<std::atomic<std::uint64_t>, kKinds> refused_{};
  std::array<std::optional<std::chrono::steady_clock::time_point>, kKinds> said_{};
  LiveState::Snapshot desk_;  // the desk's last snapshot taken
  bool hasState_ = false;
  bool brokerUp_ = false;
  bool deskOnline_ = true;
  bool resync_ = true;  // the next snapshot is taken whatever its sequence
  std::uint64_t lastSeq_ = 0;
  std::map<std::uint64_t, std::string> waiting_;  // messages beyond lastSeq_
  std::size_t waitingBytes_ = 0;
};

}  // namespace poolside
