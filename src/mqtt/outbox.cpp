#include "mqtt/outbox.h"

#include "live/live_json.h"
#include "live/live_routes.h"
#include "results/race_json.h"
#include "results/race_result.h"
#include "vocabulary/data_folder.h"
#include "vocabulary/race_status.h"

namespace poolside {

MqttOutbox::MqttOutbox(MqttTopics topics, std::size_t capacity, Sources sources)
    : topics_(std::move(topics)), capacity_(capacity), sources_(std::move(sources)) {
  state_.SetNames(sources_.entries, sources_.publicNames);
}

void MqttOutbox::SetStatusBook(const std::string& book) {
  state_.SetStatusBook(book);
  for (int race = 1; race <= kBookRaces; ++race) {
    const std::string status = state_.Status(race);
    if (IsRaceDone(status)) racesDirty_.insert(race);
  }
  stateDirty_ = listDirty_ = true;
}

void MqttOutbox::Take(const RaceEvent& event) {
  if (const auto* changed = std::get_if<RaceResultChanged>(&event)) {
    // The owner's result, as told: what the retained race becomes.
    told_[changed->race] = changed->done ? std::optional<std::string>(RaceJson(
                                               *PublicView(changed->result, sources_.publicNames)))
                                         : std::nullopt;
    racesDirty_.insert(changed->race);
    if (sources_.eventJson && changed->result->program > 0) {
      eventsDirty_.insert(changed->result->program);
    }
    listDirty_ = true;
    return;
  }
  if (!state_.Apply(event)) return;
  if (std::holds_alternative<RaceStatusChanged>(event)) listDirty_ = true;
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
  eventsDirty_.insert(eventsPublished_.begin(), eventsPublished_.end());
}

bool MqttOutbox::Idle() const {
  return messages_.empty() && !stateDirty_ && !listDirty_ && racesDirty_.empty() &&
         eventsDirty_.empty();
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
  while (!eventsDirty_.empty()) {
    const int program = *eventsDirty_.begin();
    if (!send({topics_.Event(program), sources_.eventJson(program), true})) return;
    eventsPublished_.insert(program);
    eventsDirty_.erase(eventsDirty_.begin());
  }
  if (listDirty_ && sources_.raceList) {
    if (!send({topics_.RaceList(), sources_.raceList(), true})) return;
  }
  listDirty_ = false;
}

bool MqttOutbox::SendRace(int race, const std::function<bool(const Publication&)>& send) {
  const auto told = told_.find(race);
  const auto json = told != told_.end() ? told->second
                    : sources_.raceJson ? sources_.raceJson(race)
                                        : std::nullopt;
  if (json) {
    if (!send({topics_.Race(race), *json, true})) return false;
    racesPublished_.insert(race);
    // A race published from the files (at the start): its standings too.
    if (told == told_.end() && sources_.eventJson && sources_.programOf) {
      if (const int program = sources_.programOf(race); program > 0) eventsDirty_.insert(program);
    }
  } else if (racesPublished_.count(race)) {
    // An empty retained message removes the broker's copy.
    if (!send({topics_.Race(race), "", true})) return false;
    racesPublished_.erase(race);
  }
  return true;
}

}  // namespace poolside
