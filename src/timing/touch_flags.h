#pragma once
// Suspicious touches at the desk: TouchFlagger watches the race feed with a
// TouchWatch and publishes each flag as LaneFlagged (posted after the event
// at hand, never inside it); FlagMarks shows the flags in a mark beside each
// lane's row (never over its boxes), with the reason in words.

#include <array>

#include "feed/race_feed.h"
#include "platform/controls.h"
#include "platform/window_host.h"
#include "timing/touch_watch.h"
#include "vocabulary/lanes.h"

namespace poolside {

class TouchFlagger : public RaceListener {
 public:
  TouchFlagger(RaceFeed& feed, WindowHost& host, SplitLimits limits = {})
      : feed_(feed), host_(host), watch_(limits) {}
  void OnRaceEvent(const RaceEvent& event) override;

 private:
  RaceFeed& feed_;
  WindowHost& host_;
  TouchWatch watch_;
};

// The amber of a flagged lane's mark.
inline constexpr Color kFlagColor{255, 224, 160, false};

class FlagMarks : public RaceListener {
 public:
  // One label per lane, lanes 1..10 (the window's lblFlag(0..9)).
  explicit FlagMarks(const std::array<Label*, kLanes>& marks) : marks_(marks) {}
  void OnRaceEvent(const RaceEvent& event) override;

 private:
  std::array<Label*, kLanes> marks_;
};

}  // namespace poolside
