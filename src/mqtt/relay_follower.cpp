#include "mqtt/relay_follower.h"

#include "live/live_json.h"
#include "live/live_json_read.h"
#include "live/live_pages.h"
#include "mqtt/meet_sources.h"
#include "results/race_json_read.h"

namespace poolside {

namespace {

constexpr std::size_t kMaxWaiting = 4096;

const char* kBrokerLost = "速報の中継サーバーとの接続が切れています";
const char* kDeskOffline = "計時席からの速報が止まっています";

}  // namespace

// --- races

std::vector<RaceListEntry> RelayRaces::RaceList() {
  std::lock_guard lock(mutex_);
  return list_;
}

std::optional<std::pair<std::string, std::string>> RelayRaces::RaceTexts(int race) {
  std::lock_guard lock(mutex_);
  const auto it = races_.find(race);
  if (it == races_.end()) return std::nullopt;
  return it->second;
}

void RelayRaces::SetRace(int race, const std::string& json) {
  const auto result = json.empty() ? std::nullopt : ParseRaceJson(json);
  std::lock_guard lock(mutex_);
  if (!result || result->race != race) {
    races_.erase(race);
    return;
  }
  races_[race] = {json, RenderRaceResult(*result)};
}

void RelayRaces::SetList(std::vector<RaceListEntry> races) {
  std::lock_guard lock(mutex_);
  list_ = std::move(races);
}

// --- the follower

RelayFollower::RelayFollower(MqttTopics topics, std::shared_ptr<RelayRaces> races,
                             std::function<void(RelayUpdate)> update)
    : topics_(std::move(topics)), races_(std::move(races)), update_(std::move(update)) {}

void RelayFollower::Connected() {
  brokerUp_ = true;
  resync_ = true;  // the retained snapshot follows the subscription
}

void RelayFollower::Lost() {
  const bool was = brokerUp_;
  brokerUp_ = false;
  if (was || !hasState_) ShowMark();
}

void RelayFollower::Message(const std::string& topic, const std::string& payload) {
  if (topic == topics_.Events()) {
    TakeMessage(payload);
  } else if (topic == topics_.State()) {
    TakeState(payload);
  } else if (topic == topics_.Status()) {
    if (payload == "online") {
      deskOnline_ = true;
      resync_ = true;  // a desk that (re)connected: its next snapshot counts
    } else if (payload == "offline" && deskOnline_) {
      deskOnline_ = false;
      ShowMark();
    }
  } else if (topic == topics_.RaceList()) {
    if (auto list = ParseRaceListJson(payload)) races_->SetList(std::move(*list));
  } else if (auto race = topics_.RaceOf(topic)) {
    races_->SetRace(*race, payload);
  }
}

void RelayFollower::TakeMessage(const std::string& payload) {
  const auto seq = MessageSequence(payload);
  if (!seq || (hasState_ && !resync_ && *seq <= lastSeq_)) return;
  waiting_[*seq] = payload;
  if (waiting_.size() > kMaxWaiting) waiting_.erase(waiting_.begin());
}

void RelayFollower::TakeState(const std::string& payload) {
  auto snapshot = ParseStateJson(payload);
  if (!snapshot) return;
  const std::uint64_t seq = snapshot->sequence;
  if (hasState_ && !resync_ && seq <= lastSeq_) return;  // seen already
  // The messages since the last snapshot, when every one of them is here.
  std::vector<std::string> messages;
  bool whole = hasState_ && !resync_;
  for (std::uint64_t s = lastSeq_ + 1; whole && s <= seq; ++s) {
    const auto it = waiting_.find(s);
    if (it == waiting_.end()) {
      whole = false;
    } else {
      messages.push_back(it->second);
    }
  }
  desk_ = std::move(*snapshot);
  hasState_ = true;
  resync_ = false;
  lastSeq_ = seq;
  waiting_.erase(waiting_.begin(), waiting_.upper_bound(seq));
  RelayUpdate update{Served(), {}};
  if (whole) {
    update.messages = std::move(messages);
  } else {
    update.messages.push_back(StateJson(update.state));
  }
  update_(std::move(update));
}

LiveState RelayFollower::Served() const {
  LiveState::Snapshot s = desk_;
  if (!brokerUp_ || !deskOnline_) {
    s.linkLost = true;
    s.linkText = !brokerUp_ ? kBrokerLost : kDeskOffline;
  }
  LiveState state;
  state.Restore(std::move(s));
  return state;
}

void RelayFollower::ShowMark() {
  RelayUpdate update{Served(), {}};
  update.messages.push_back(StateJson(update.state));
  update_(std::move(update));
}

}  // namespace poolside
