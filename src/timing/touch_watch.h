#pragma once
// Touches that look wrong while a race runs, judged from the race feed's
// events alone (plain code, one race at a time):
//   - a missed touch: a split at least kMissedRatio times the lane's
//     previous split (its first split: the fastest first split of the
//     other lanes) while the lane has fewer touches than the lane ahead;
//   - an extra touch: a split shorter than kExtraRatio times the lane's
//     previous split, or than kExtraRatio times the fastest split of the
//     race (a splash, a hand on the pad at the turn);
//   - a premature finish: a finish whose lengths come short of the race's
//     distance (the event's metres, the meet's metres per lap), or, when
//     the distance is not known, a finish while no other lane has reached
//     one length less than it;
//   - a split that goes backwards: a touch earlier than the lane's previous;
//   - a touch beyond the distance: laps x metres per lap over the event's
//     metres;
//   - the leader's missed touch: a split at least kMissedRatio times the
//     lane's previous while the other lanes' splits of that length (their
//     latest, when they are not there yet) are, in the middle, at most
//     kLeaderNearRatio times it, whatever their counts;
//   - a touch too fast: a first touch or split faster than the minimum for
//     its metres (SplitLimits: 9.0 s a 25 m length, 19.0 s a 50 m length,
//     in proportion for a lap of other metres), a false touch before the
//     field.
// Each rule flags the lane with its reason in words; a repair of the lane's
// touches clears it.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "feed/race_events.h"

namespace poolside {

inline constexpr double kMissedRatio = 1.85;
inline constexpr double kExtraRatio = 0.5;
inline constexpr double kLeaderNearRatio = 1.4;

// The fastest a lap can be swum; a faster first touch or split is flagged.
struct SplitLimits {
  double per25 = 9.0;   // seconds for a lap of 25 m (laps under 50 m in proportion)
  double per50 = 19.0;  // seconds for a lap of 50 m (and longer laps in proportion)
};

class TouchWatch {
 public:
  explicit TouchWatch(SplitLimits limits = {}) : limits_(limits) {}
  // The flag an event raises or clears, if any.
  std::optional<LaneFlagged> Take(const RaceEvent& event);
  // The reason lane `lane` (1..10) is flagged, "" when it is not.
  const std::string& Flag(int lane) const;

 private:
  struct Lane {
    std::vector<std::int64_t> touches;  // hundredths, in order
    bool finished = false;
    std::string flag;
  };
  std::optional<LaneFlagged> Touch(const LaneTouched& e);
  std::optional<LaneFlagged> Set(int lane, LaneFlagged::Reason reason, std::string message);
  // Hundredths: the fastest lap of `metresPerLap` metres (0: no limit).
  std::int64_t MinimumSplit(int metresPerLap) const;

  SplitLimits limits_;

  int race_ = 0;
  int distance_ = 0;  // metres of the event, 0 when unknown
  std::array<Lane, kLanes> lanes_{};
};

// Metres of an event label ("100m自由形" is 100), 0 when it has none.
int EventDistance(const std::string& label);

}  // namespace poolside
