#include "live/live_state.h"

#include <type_traits>

#include "format/time_text.h"
#include "format/time_values.h"
#include "vocabulary/data_folder.h"

namespace poolside {

bool ClockIsZero(const std::string& text) {
  for (char c : text) {
    if (c >= '1' && c <= '9') return false;
  }
  return true;
}

LiveState::LiveState() : book_(kBookLength, '\0') {}

std::string LiveState::Status(int race) const {
  if (race < 1 || race > static_cast<int>(kBookLength)) return "";
  const char c = book_[race - 1];
  return c == '\0' ? std::string() : std::string(1, c);
}

void LiveState::Restore(Snapshot s) {
  current_ = std::move(s.current);
  result_ = std::move(s.result);
  holding_ = s.holding;
  // Between a finish and the next race shown the finished race is both on
  // screen and the result.
  justFinished_ = holding_ && current_ && result_ && current_->finished &&
                  current_->header.race == result_->header.race;
  clock_ = std::move(s.clock);
  receiving_ = s.receiving;
  port_ = s.port;
  linkLost_ = s.linkLost;
  linkText_ = std::move(s.linkText);
  SetStatusBook(std::move(s.book));
  sequence_ = s.sequence;
}

void LiveState::SetStatusBook(std::string book) {
  book.resize(kBookLength, '\0');
  book_ = std::move(book);
}

void LiveState::SetStatus(int race, const std::string& status) {
  if (race < 1 || race > static_cast<int>(kBookLength)) return;
  book_[race - 1] = status.empty() ? '\0' : status[0];
  if (current_ && current_->header.race == race) current_->header.status = status;
  if (result_ && result_->header.race == race) result_->header.status = status;
}

void LiveState::SetLink(const LinkHealth& e) {
  // The desk's own text may name the device: the pages get their own words.
  switch (e.state) {
    case LinkHealth::State::Fine:
      linkText_.clear();
      break;
    case LinkHealth::State::Silence:
      linkText_ = "計時盤から " + std::to_string(e.seconds) + " 秒受信がありません";
      break;
    case LinkHealth::State::Noise:
      linkText_ = "計時盤のデータが読めません";
      break;
    case LinkHealth::State::Vanished:
      linkText_ = "計時回線が切れています";
      break;
  }
  linkLost_ = e.state != LinkHealth::State::Fine;
}

bool LiveState::Apply(const RaceEvent& event) {
  bool shown = true;
  std::visit(
      [&](const auto& e) {
        using T = std::decay_t<decltype(e)>;
        if constexpr (std::is_same_v<T, RaceShown>) {
          Show(e);
        } else if constexpr (std::is_same_v<T, ReceptionStarted>) {
          receiving_ = true;
          port_ = e.port;
        } else if constexpr (std::is_same_v<T, ReceptionStopped>) {
          receiving_ = false;
          port_ = e.port;
          clock_.running = false;
        } else if constexpr (std::is_same_v<T, ClockShown>) {
          SetClock(e.text);
        } else if constexpr (std::is_same_v<T, LaneTouched>) {
          Touch(e);
        } else if constexpr (std::is_same_v<T, ManualEntryStored>) {
          Store(e);
        } else if constexpr (std::is_same_v<T, RaceFinished>) {
          Finish(e);
        } else if constexpr (std::is_same_v<T, RaceStatusChanged>) {
          SetStatus(e.race, e.status);
        } else if constexpr (std::is_same_v<T, PortProblem>) {
          port_ = e.port;
        } else if constexpr (std::is_same_v<T, LinkHealth>) {
          SetLink(e);
        } else if constexpr (std::is_same_v<T, TouchesRepaired>) {
          Repair(e);
        } else if constexpr (std::is_same_v<T, LaneFlagged>) {
          Flag(e);
        } else if constexpr (std::is_same_v<T, RaceSignedOff>) {
          for (auto* race : {&current_, &result_}) {
            if (*race && (*race)->header.race == e.race) (*race)->official = e.official;
          }
        } else {
          // Raw blocks, and kinds the pages do not know yet.
          shown = false;
        }
      },
      event);
  if (shown) ++sequence_;
  return shown;
}

void LiveState::SetNames(EntriesOf entries, PublicNames mode) {
  entries_ = std::move(entries);
  publicNames_ = mode;
}

void LiveState::Show(const RaceShown& e) {
  LiveRace race;
  race.header = e;
  const auto entries = entries_ ? entries_() : nullptr;
  for (int i = 0; i < kLanes; ++i) {
    LiveLane& lane = race.lanes[i];
    lane.lane = i + 1;
    lane.entry = e.entries[i];
    if (const EntryName* who = entries && lane.entry != 0 ? entries->Find(lane.entry) : nullptr) {
      lane.name = PublicName(who->name, publicNames_);
      lane.club = who->club;
    }
  }
  current_ = std::move(race);
  SetStatus(e.race, e.status);
  clock_ = LiveClock{};
  // The finish puts the next race on screen at once; the board keeps the
  // result until that race starts. Any other race change shows at once.
  if (justFinished_) {
    justFinished_ = false;
  } else {
    holding_ = false;
  }
}

void LiveState::SetFinishedLane(LiveLane& lane, int rank, std::int32_t value, bool noFinish,
                                bool withdrawn) {
  lane.rank = rank;
  lane.packed = value;
  const bool empty = lane.entry == 0 && value == kWithdrawn && rank == 0 && !noFinish;
  if (empty) {
    lane.time.clear();
  } else if (value == kWithdrawn && noFinish) {
    lane.time = kNoFinishText;
  } else if (value == kWithdrawn && !withdrawn) {
    lane.time = kNoTimeText;
  } else {
    lane.time = TimeText(value);
  }
  lane.finished = IsTimeValue(value);
}

void LiveState::Repair(const TouchesRepaired& e) {
  if (e.lane < 1 || e.lane > kLanes) return;
  const int i = e.lane - 1;
  for (std::optional<LiveRace>* race : {&current_, &result_}) {
    if (!*race || (*race)->header.race != e.race) continue;
    LiveLane& lane = (**race).lanes[i];
    lane.laps = e.laps;
    lane.metres = e.metres;
    lane.flag.clear();
    if (!e.finished || !(*race)->finished) continue;
    for (int k = 0; k < kLanes; ++k) {
      LiveLane& other = (**race).lanes[k];
      const bool noFinish = k == i ? e.noFinish : other.time == kNoFinishText;
      const bool withdrawn = other.packed == kWithdrawn && other.time == TimeText(kWithdrawn);
      SetFinishedLane(other, e.rank[k], e.time[k], noFinish, withdrawn);
    }
  }
}

void LiveState::Flag(const LaneFlagged& e) {
  if (!current_ || current_->header.race != e.race || e.lane < 1 || e.lane > kLanes) return;
  current_->lanes[e.lane - 1].flag = e.message;
}

void LiveState::SetClock(const std::string& text) {
  clock_.running = !ClockIsZero(text) && !clock_.text.empty() && text != clock_.text;
  clock_.text = text;
  if (!ClockIsZero(text)) holding_ = false;
}

void LiveState::Touch(const LaneTouched& e) {
  holding_ = false;
  if (!current_ || e.lane < 1 || e.lane > kLanes) return;
  LiveLane& lane = current_->lanes[e.lane - 1];
  lane.rank = e.rank;
  lane.time = e.timeText;
  lane.packed = e.packed;
  lane.laps = e.laps;
  lane.metres = e.metres;
  if (e.finish) lane.finished = true;
}

void LiveState::Store(const ManualEntryStored& e) {
  if (!current_ || current_->header.race != e.race || e.lane < 1 || e.lane > kLanes) return;
  holding_ = false;
  LiveLane& lane = current_->lanes[e.lane - 1];
  lane.time = e.text;
  lane.packed = e.value;
}

void LiveState::Finish(const RaceFinished& e) {
  if (!current_ || current_->header.race != e.race) {
    // A race finished that the pages never saw on screen: keep its numbers.
    LiveRace race;
    race.header.race = e.race;
    for (int i = 0; i < kLanes; ++i) race.lanes[i].lane = i + 1;
    current_ = std::move(race);
  }
  LiveRace& race = *current_;
  race.finished = true;
  for (int i = 0; i < kLanes; ++i) {
    // An open flag stays after the finish until the desk looks at it.
    SetFinishedLane(race.lanes[i], e.rank[i], e.time[i], e.noFinish[i], e.withdrawn[i]);
  }
  result_ = race;
  holding_ = true;
  justFinished_ = true;
}

}  // namespace poolside
