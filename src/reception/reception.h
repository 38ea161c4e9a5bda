#pragma once
// Reception: what each block read from the timing console means, one block
// at a time, with the state that takes (the duplicate filter, whether a
// finish was seen, each lane's time, lap count and rank). Plain code: no
// port, no controls, no files. The timing window shows what a block meant
// and writes the lap file (timing/port_notification.cpp); without a screen
// the same window runs headless (recovery/headless_window.h).

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "reception/console_line.h"
#include "vocabulary/lanes.h"

namespace poolside {

// What one block meant. Only the fields of its kind are set.
struct BlockMeaning {
  LineClass line = LineClass::Foreign;  // Foreign: resynchronise the port
  // Clock: the 8 characters to show (Latin-1 bytes). `finishRace` when this
  // zero clock ends a race whose finish was seen: the caller finishes the
  // race before it shows the clock (the filter and the goal flag are already
  // reset, whether the finish succeeds or not).
  std::string clockText;
  bool finishRace = false;
  // Clock: the console's clock went back to zero (or far back) without a
  // finish in a race with touches, and runs again: the console was
  // restarted. Set once, on the first running clock of the new run.
  bool consoleRestart = false;
  // Result accepted by the filter for a lane of the map (`lane` 0 when the
  // filter took it, or its identifier is not in the map): append a lap
  // record, show rank and time; a finish also paints the lane.
  int lane = 0;
  int rank = 0;
  std::string timeText;  // columns 7-14, Latin-1 bytes
  std::int32_t packed = 0;
  int laps = 0;
  bool finish = false;  // "G"; "L" is a lap
};

class Reception {
 public:
  explicit Reception(std::string laneMap = std::string(kDefaultLaneMap));

  // Takes one block (the text of one read of the port).
  BlockMeaning Take(std::string_view block);

  // A clock this far back (hundredths) in a race with touches and no
  // finish is a restarted console even without a zero clock seen.
  static constexpr std::int64_t kFarBack = 1000;

  // A new race on screen: every lane empty (time 999999, no laps, rank 0).
  // The duplicate filter and the goal flag are kept.
  void ResetLanes();
  // A time or status value typed into lane `lane` (1..10).
  void SetLaneTime(int lane, std::int32_t value);
  // Lane `lane` after its touches were repaired: `laps` records, the last of
  // kind `lastKind` ('\0' when none) with `lastTime`. Its time follows the
  // last touch unless a value was typed after the touches.
  void RestoreLane(int lane, int laps, const std::string& lastTime, char lastKind);
  // The duplicate filter as it stood after the result `timeText` (8
  // characters) of kind `kind` for lane `lane` (a reception started again
  // over a race's kept touches).
  void RestoreFilter(int lane, std::string timeText, char kind);
  // The ranks and goal file values of a finish.
  void SetRanking(const LaneArray<std::int16_t>& rank, const LaneArray<std::int32_t>& time);

  // The lane identifiers: character p is the console's identifier of lane
  // p + 1. Only the first ten characters count.
  std::string& LaneMap() { return laneMap_; }
  const std::string& LaneMap() const { return laneMap_; }

  // --- state, lanes 1..10
  const LaneArray<std::int32_t>& LaneTimes() const { return laneTime_; }
  // True when the lane's last accepted result is a lap and nothing was typed
  // after it: the console never reported its finish.
  bool NoFinish(int lane) const;
  // The times a finish ranks: LaneTimes(), with kNoTime for every NoFinish
  // lane (a lap is never ranked as a finish).
  LaneArray<std::int32_t> FinishTimes() const;
  // True when the lane's time was typed after its last touch.
  bool Typed(int lane) const { return typed_.at(LaneIndex(lane)); }
  std::int32_t LaneTime(int lane) const { return laneTime_.at(LaneIndex(lane)); }
  std::int16_t LapCount(int lane) const { return lapCount_.at(LaneIndex(lane)); }
  std::int16_t LaneRank(int lane) const { return laneRank_.at(LaneIndex(lane)); }
  // The duplicate filter: the last result accepted (lane 0 for an identifier
  // not in the map), its time text and kind ('\0' before the first).
  int LastLane() const { return lastLane_; }
  const std::string& LastTime() const { return lastTime_; }
  char LastKind() const { return lastKind_; }
  bool GoalSeen() const { return goalSeen_; }
  // True once a race was finished by a zero clock (the goal flag then reads
  // "0" rather than empty in the automation runner's state).
  bool FinishedOnce() const { return finishedOnce_; }
  // Result records dropped as noise (LineClass::Noise).
  long long NoiseBlocks() const { return noiseBlocks_; }

 private:
  BlockMeaning TakeClock(std::string_view block);
  BlockMeaning TakeResult(std::string_view block);

  std::string laneMap_;
  LaneArray<std::int32_t> laneTime_{};
  LaneArray<std::int16_t> lapCount_{};
  LaneArray<std::int16_t> laneRank_{};
  LaneArray<char> lastKindOf_{};  // kind of each lane's last accepted result, '\0' before
  LaneArray<bool> typed_{};       // a value typed after the lane's last result
  int lastLane_ = 0;
  std::string lastTime_;
  char lastKind_ = '\0';
  bool goalSeen_ = false;
  bool finishedOnce_ = false;
  // The console's clock: the last running clock in hundredths (-1 before
  // one), and a zero clock seen without a finish in a race with touches.
  std::int64_t lastClock_ = -1;
  bool zeroWithoutFinish_ = false;
  long long noiseBlocks_ = 0;
};

}  // namespace poolside
