#include "timing/touch_watch.h"

#include <algorithm>

#include "format/time_values.h"

namespace poolside {

namespace {

std::int64_t Hundredths(std::int32_t packed) {
  return static_cast<std::int64_t>(packed / 10000) * 6000 + (packed / 100 % 100) * 100 +
         packed % 100;
}

std::string Seconds(std::int64_t h) {
  const std::string hh = std::to_string(h % 100);
  return std::to_string(h / 100) + "." + (hh.size() < 2 ? "0" : "") + hh;
}

}  // namespace

int EventDistance(const std::string& label) {
  int metres = 0;
  std::size_t i = 0;
  for (; i < label.size() && label[i] >= '0' && label[i] <= '9' && metres < 100000; ++i) {
    metres = metres * 10 + (label[i] - '0');
  }
  return i < label.size() && label[i] == 'm' ? metres : 0;
}

std::int64_t TouchWatch::MinimumSplit(int metresPerLap) const {
  if (metresPerLap <= 0) return 0;
  // Per 25 m below 50 m lengths, per 50 m from there.
  const double seconds =
      metresPerLap < 50 ? limits_.per25 * metresPerLap / 25.0 : limits_.per50 * metresPerLap / 50.0;
  return static_cast<std::int64_t>(seconds * 100.0 + 0.5);
}

const std::string& TouchWatch::Flag(int lane) const {
  static const std::string none;
  return lane >= 1 && lane <= kLanes ? lanes_[static_cast<std::size_t>(lane - 1)].flag : none;
}

std::optional<LaneFlagged> TouchWatch::Take(const RaceEvent& event) {
  if (const auto* shown = std::get_if<RaceShown>(&event)) {
    if (shown->race != race_) {
      race_ = shown->race;
      lanes_ = {};
    }
    distance_ = EventDistance(shown->event.label);
  } else if (const auto* touched = std::get_if<LaneTouched>(&event)) {
    return Touch(*touched);
  } else if (const auto* repaired = std::get_if<TouchesRepaired>(&event)) {
    if (repaired->race == race_ && repaired->lane >= 1 && repaired->lane <= kLanes &&
        !lanes_[static_cast<std::size_t>(repaired->lane - 1)].flag.empty()) {
      // The operator has looked at the lane; its later touches are judged
      // afresh.
      lanes_[static_cast<std::size_t>(repaired->lane - 1)] = {};
      return Set(repaired->lane, LaneFlagged::Reason::Cleared, "");
    }
  } else if (const auto* accepted = std::get_if<LaneFlagged>(&event)) {
    // Accepted as it is: the lane's later touches may raise a new flag.
    if (accepted->reason == LaneFlagged::Reason::Accepted && accepted->race == race_ &&
        accepted->lane >= 1 && accepted->lane <= kLanes) {
      lanes_[static_cast<std::size_t>(accepted->lane - 1)].flag.clear();
    }
  } else if (const auto* restarted = std::get_if<RaceRestarted>(&event)) {
    // Swum again: its touches so far are judged no more.
    if (restarted->race == race_ && restarted->choice == RaceRestarted::Choice::StartOver) {
      lanes_ = {};
    }
  } else if (std::holds_alternative<RaceFinished>(event)) {
    lanes_ = {};
    race_ = 0;
  }
  return std::nullopt;
}

std::optional<LaneFlagged> TouchWatch::Set(int lane, LaneFlagged::Reason reason,
                                           std::string message) {
  lanes_[static_cast<std::size_t>(lane - 1)].flag = message;
  return LaneFlagged{race_, lane, reason, std::move(message)};
}

std::optional<LaneFlagged> TouchWatch::Touch(const LaneTouched& e) {
  if (e.lane < 1 || e.lane > kLanes || !IsTimeValue(e.packed)) return std::nullopt;
  Lane& lane = lanes_[static_cast<std::size_t>(e.lane - 1)];
  const std::int64_t now = Hundredths(e.packed);
  const std::int64_t before = lane.touches.empty() ? 0 : lane.touches.back();
  const std::int64_t split = now - before;
  const std::int64_t previous = lane.touches.size() >= 2
                                    ? before - lane.touches[lane.touches.size() - 2]
                                : lane.touches.size() == 1 ? before
                                                           : 0;
  lane.touches.push_back(now);
  lane.finished = lane.finished || e.finish;
  if (!lane.flag.empty()) return std::nullopt;  // one flag until it is looked at
  const std::size_t count = lane.touches.size();
  const int metresPerLap = e.laps > 0 ? e.metres / e.laps : 0;

  if (split < 0) {
    return Set(e.lane, LaneFlagged::Reason::SplitBackwards,
               "タッチの時刻が前のタッチより早い (ラップ -" + Seconds(-split) + ")");
  }
  if (split == 0) return std::nullopt;
  if (distance_ > 0 && metresPerLap > 0 && static_cast<int>(count) * metresPerLap > distance_) {
    return Set(e.lane, LaneFlagged::Reason::BeyondDistance,
               "距離を超えたタッチ (" + std::to_string(static_cast<int>(count) * metresPerLap) +
                   "m / " + std::to_string(distance_) + "m)");
  }

  // The other lanes: the most touches, the fastest first split, the fastest
  // split of all.
  std::size_t ahead = 0;
  std::int64_t fastestFirst = 0, fastest = 0;
  for (int other = 1; other <= kLanes; ++other) {
    const Lane& o = lanes_[static_cast<std::size_t>(other - 1)];
    if (other == e.lane || o.touches.empty()) continue;
    ahead = std::max(ahead, o.touches.size());
    if (fastestFirst == 0 || o.touches[0] < fastestFirst) fastestFirst = o.touches[0];
    for (std::size_t k = 0; k < o.touches.size(); ++k) {
      const std::int64_t s = o.touches[k] - (k == 0 ? 0 : o.touches[k - 1]);
      if (s > 0 && (fastest == 0 || s < fastest)) fastest = s;
    }
  }

  if (e.finish) {
    const bool shortOfDistance =
        distance_ > 0 && metresPerLap > 0 && static_cast<int>(count) * metresPerLap < distance_;
    const bool fieldBehind =
        (distance_ == 0 || metresPerLap == 0) && count >= 2 && ahead > 0 && ahead + 1 < count;
    if (shortOfDistance || fieldBehind) {
      return Set(e.lane, LaneFlagged::Reason::EarlyFinish,
                 "ゴールが早すぎます (" + std::to_string(count) + " 本目でゴール)");
    }
  }
  const std::int64_t reference = previous > 0 ? previous : fastestFirst;
  if (reference > 0 && split >= kMissedRatio * static_cast<double>(reference) && count < ahead) {
    return Set(e.lane, LaneFlagged::Reason::MissedTouch,
               "タッチ漏れ? (ラップ " + Seconds(split) + " 前の " + Seconds(reference) + ")");
  }
  // The leader's missed touch: nobody has touched more often, but the other
  // lanes swam this length about as fast as the lane swam its last one.
  if (previous > 0 && split >= kMissedRatio * static_cast<double>(previous)) {
    std::vector<std::int64_t> theirs;
    for (int other = 1; other <= kLanes; ++other) {
      const Lane& o = lanes_[static_cast<std::size_t>(other - 1)];
      if (other == e.lane || o.touches.size() < 2) continue;
      // Their split of this length, or their latest when they are not there
      // yet (count >= 2 here: the lane has a previous split).
      const std::size_t k = std::min(count, o.touches.size()) - 1;
      theirs.push_back(o.touches[k] - o.touches[k - 1]);
    }
    if (!theirs.empty()) {
      std::nth_element(theirs.begin(), theirs.begin() + theirs.size() / 2, theirs.end());
      const std::int64_t middle = theirs[theirs.size() / 2];
      if (middle > 0 && middle <= kLeaderNearRatio * static_cast<double>(previous)) {
        return Set(
            e.lane, LaneFlagged::Reason::LeaderMissed,
            "先頭のタッチ漏れ? (ラップ " + Seconds(split) + " 前の " + Seconds(previous) + ")");
      }
    }
  }
  if ((previous > 0 && split < kExtraRatio * static_cast<double>(previous)) ||
      (fastest > 0 && split < kExtraRatio * static_cast<double>(fastest))) {
    return Set(e.lane, LaneFlagged::Reason::ExtraTouch,
               "余分なタッチ? (ラップ " + Seconds(split) + ")");
  }
  // Faster than a length can be swum, with nothing to compare it to (a
  // false touch before the field).
  if (const std::int64_t least = MinimumSplit(metresPerLap); least > 0 && split < least) {
    return Set(
        e.lane, LaneFlagged::Reason::TooFast,
        "速すぎるタッチ (" + std::to_string(metresPerLap) + "m を " + Seconds(split) + " 秒)");
  }
  return std::nullopt;
}

}  // namespace poolside
