#include "mqtt/relay_follower.h"

#include "live/live_json.h"
#include "live/live_json_read.h"
#include "live/live_pages.h"
#include "mqtt/meet_sources.h"
#include "results/race_json_read.h"

namespace poolside {

namespace {

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
                             std::function<void(RelayUpdate)> update,
                             std::function<void(const std::string&)> report, Clock now)
    : topics_(std::move(topics)),
      races_(std::move(races)),
      update_(std::move(update)),
      report_(std::move(report)),
      now_(now ? std::move(now) : Clock([] { return std::chrono::steady_clock::now(); })) {}

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
    if (WithinSize(RelayRefusal::LargeEvent, topic, payload, RelayLimits::kMaxEventBytes)) {
      TakeMessage(payload);
    }
  } else if (topic == topics_.State()) {
    if (WithinSize(RelayRefusal::LargeState, topic, payload, RelayLimits::kMaxStateBytes)) {
      TakeState(payload);
    }
  } else if (topic == topics_.Status()) {
    if (payload == "online") {
      deskOnline_ = true;
      resync_ = true;  // a desk that (re)connected: its next snapshot counts
    } else if (payload == "offline" && deskOnline_) {
      deskOnline_ = false;
      ShowMark();
    }
  } else if (topic == topics_.RaceList()) {
    if (!WithinSize(RelayRefusal::LargeRaceList, topic, payload, RelayLimits::kMaxRaceListBytes)) {
      return;
    }
    if (auto list = ParseRaceListJson(payload)) races_->SetList(std::move(*list));
  } else if (auto race = topics_.RaceOf(topic)) {
    if (WithinSize(RelayRefusal::LargeRace, topic, payload, RelayLimits::kMaxRaceBytes)) {
      races_->SetRace(*race, payload);
    }
  }
}

bool RelayFollower::WithinSize(RelayRefusal kind, const std::string& topic,
                               const std::string& payload, std::size_t limit) {
  if (payload.size() <= limit) return true;
  Refuse(kind, topic + " の " + std::to_string(payload.size()) +
                   " バイトのメッセージを捨てました (上限 " + std::to_string(limit) + " バイト)");
  return false;
}

void RelayFollower::Refuse(RelayRefusal kind, const std::string& line) {
  const auto k = static_cast<std::size_t>(kind);
  const std::uint64_t count = ++refused_[k];
  const auto now = now_();
  if (said_[k] && now - *said_[k] < RelayLimits::kReportInterval) return;
  said_[k] = now;
  if (report_) {
    report_("中継 (relay): " + line + "。これまでに " + std::to_string(count) +
            " 件 (ブローカーに計時席以外が発行していないか確かめてください)");
  }
}

void RelayFollower::TakeMessage(const std::string& payload) {
  const auto seq = MessageSequence(payload);
  if (!seq) return;
  if (hasState_ && !resync_) {
    if (*seq <= lastSeq_) return;
    if (*seq - lastSeq_ > RelayLimits::kMaxSequenceJump) {
      Refuse(RelayRefusal::SequenceJump, topics_.Events() + " の seq " + std::to_string(*seq) +
                                             " は最後の " + std::to_string(lastSeq_) +
                                             " から飛びすぎています。捨てました");
      return;
    }
  }
  auto [it, added] = waiting_.emplace(*seq, payload);
  if (!added) {
    waitingBytes_ -= it->second.size();
    it->second = payload;
  }
  waitingBytes_ += payload.size();
  while (waiting_.size() > RelayLimits::kMaxWaiting ||
         waitingBytes_ > RelayLimits::kMaxWaitingBytes) {
    waitingBytes_ -= waiting_.begin()->second.size();
    waiting_.erase(waiting_.begin());
  }
}

void RelayFollower::TakeState(const std::string& payload) {
  auto snapshot = ParseStateJson(payload);
  if (!snapshot) return;
  const std::uint64_t seq = snapshot->sequence;
  bool following = hasState_ && !resync_;
  if (following && seq > lastSeq_ && seq - lastSeq_ > RelayLimits::kMaxSequenceJump) {
    // No desk's: the next snapshot is taken whatever its sequence.
    resync_ = true;
    Refuse(RelayRefusal::SequenceJump, topics_.State() + " の seq " + std::to_string(seq) +
                                           " は最後の " + std::to_string(lastSeq_) +
                                           " から飛びすぎています。次の state から同期し直します");
    return;
  }
  if (following && seq <= lastSeq_) {
    if (lastSeq_ - seq <= RelayLimits::kMaxRepeatLag) return;  // seen already
    following = false;  // far below: the last one taken was no desk's
  }
  // The messages since the last snapshot, when every one of them is here.
  std::vector<std::string> messages;
  bool whole = following;
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
  for (auto it = waiting_.begin(); it != waiting_.end() && it->first <= seq;) {
    waitingBytes_ -= it->second.size();
    it = waiting_.erase(it);
  }
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
