#include "mqtt/outbox.h"

#include <type_traits>

#include "live/live_json.h"
#include "live/live_routes.h"
#include "vocabulary/data_folder.h"

namespace poolside {

MqttOutbox::MqttOutbox(MqttTopics topics, std::size_t capacity, Sources sources)
    : topics_(std::move(topics)), capacity_(capacity), sources_(std::move(sources)) {}

void MqttOutbox::SetStatusBook(const std::string& book) {
  state_.SetStatusBook(book);
  for (int race = 1; race <= kBookRaces; ++race) {
    const std::string status = state_.Status(race);
    if (!status.empty() && status[0] > '5') racesDirty_.insert(race);
  }
  stateDirty_ = listDirty_ = true;
}

void MqttOutbox::Take(const RaceEvent& event) {
  if (!state_.Apply(event)) return;
  std::visit(
      [&](const auto& e) {
        using T = std::decay_t<decltype(e)>;
        if constexpr (std::is_same_v<T, RaceFinished>) {
          racesDirty_.insert(e.race);
          racesDirty_.insert(e.combinedTargets.begin(), e.combinedTargets.end());
        } else if constexpr (std::is_same_v<T, RaceStatusChanged>) {
          racesDirty_.insert(e.race);
          listDirty_ = true;
        } else if constexpr (std::is_same_v<T, ManualEntryStored>) {
          racesDirty_.insert(e.race);
        }
      },
      event);
  stateDirty_ = true;
  auto message = EventJson(event, state_);
  if (!message) return;
  if (messages_.size() >= capacity_) {
    messages_.pop_front();
    ++dropped_;
  }
  messages_.push_back(std::move(*message));
}

void MqttOutbox::Republish() {
  stateDirty_ = listDirty_ = true;
  racesDirty_.insert(racesPublished_.begin(), racesPublished_.end());
}

bool MqttOutbox::Idle() const {
  return messages_.empty() && !stateDirty_ && !listDirty_ && racesDirty_.empty();
}

void MqttOutbox::Flush(const std::function<bool(const Publication&)>& send) {
  while (!messages_.empty()) {
    if (!send({topics_.Events(), messages_.front(), false})) return;
    messages_.pop_front();
  }
  // The snapshot once the messages it follows are out, so that a late
  // subscriber's snapshot is never behind the messages it has seen.
  if (stateDirty_) {
    if (!send({topics_.State(), StateJson(state_), true})) return;
    stateDirty_ = false;
  }
  while (!racesDirty_.empty()) {
    if (!SendRace(*racesDirty_.begin(), send)) return;
    racesDirty_.erase(racesDirty_.begin());
  }
  if (listDirty_ && sources_.raceList) {
    if (!send({topics_.RaceList(), sources_.raceList(), true})) return;
  }
  listDirty_ = false;
}

bool MqttOutbox::SendRace(int race, const std::function<bool(const Publication&)>& send) {
  const auto json = sources_.raceJson ? sources_.raceJson(race) : std::nullopt;
  if (json) {
    if (!send({topics_.Race(race), *json, true})) return false;
    racesPublished_.insert(race);
  } else if (racesPublished_.count(race)) {
    // An empty retained message removes the broker's copy.
    if (!send({topics_.Race(race), "", true})) return false;
    racesPublished_.erase(race);
  }
  return true;
}

}  // namespace poolside
