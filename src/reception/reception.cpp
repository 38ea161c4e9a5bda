#include "reception/reception.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "format/time_values.h"

namespace poolside {

Reception::Reception(std::string laneMap) : laneMap_(std::move(laneMap)) { ResetLanes(); }

BlockMeaning Reception::Take(std::string_view block) {
  const LineClass line = Classify(block);
  switch (line) {
    case LineClass::Clock:
      return TakeClock(block);
    case LineClass::Result:
      return TakeResult(block);
    case LineClass::Noise:
      ++noiseBlocks_;
      break;
    case LineClass::Foreign:
    case LineClass::Ignored:
      break;
  }
  BlockMeaning meaning;
  meaning.line = line;
  return meaning;
}

BlockMeaning Reception::TakeClock(std::string_view block) {
  BlockMeaning meaning;
  meaning.line = LineClass::Clock;
  meaning.clockText = TimeTextOf(block);
  const bool zero = meaning.clockText == kZeroClock;
  const std::int32_t packed = PackedTime(meaning.clockText);
  const std::int64_t clock =
      static_cast<std::int64_t>(packed / 10000) * 6000 + (packed / 100 % 100) * 100 + packed % 100;
  const bool touched =
      std::any_of(lapCount_.begin(), lapCount_.end(), [](std::int16_t n) { return n > 0; });
  if (!goalSeen_ && touched && !zero) {
    const bool farBack = lastClock_ >= 0 && clock + kFarBack < lastClock_;
    if (zeroWithoutFinish_ || farBack) meaning.consoleRestart = true;
    zeroWithoutFinish_ = false;
  } else if (!goalSeen_ && touched && zero) {
    zeroWithoutFinish_ = true;
  }
  if (!zero) lastClock_ = clock;
  if (goalSeen_ && zero) {
    // Reset whether or not the finish then succeeds, so that the zero clock
    // the console repeats does not finish the race again.
    meaning.finishRace = true;
    goalSeen_ = false;
    finishedOnce_ = true;
    lastLane_ = 0;
    lastTime_.clear();
    lastKind_ = '\0';
  }
  return meaning;
}

BlockMeaning Reception::TakeResult(std::string_view block) {
  BlockMeaning meaning;
  meaning.line = LineClass::Result;
  const char kind = KindOf(block)[0];  // a result always has column 15
  const int rank = RankOf(block);
  const int lane = LaneOf(block, laneMap_);
  std::string timeText = TimeTextOf(block);

  if (timeText == lastTime_ && lane == lastLane_ && kind == lastKind_) return meaning;
  lastLane_ = lane;
  lastTime_ = timeText;
  lastKind_ = kind;
  // An identifier that is not in the lane map has no row.
  if (!IsLane(lane)) return meaning;

  const auto at = LaneIndex(lane);
  laneTime_[at] = PackedTime(timeText);
  if (lapCount_[at] < std::numeric_limits<std::int16_t>::max()) ++lapCount_[at];
  meaning.finish = kind != 'L';
  lastKindOf_[at] = meaning.finish ? 'G' : 'L';
  typed_[at] = false;
  if (meaning.finish) goalSeen_ = true;
  meaning.lane = lane;
  meaning.rank = rank;
  meaning.packed = laneTime_[at];
  meaning.laps = lapCount_[at];
  meaning.timeText = std::move(timeText);
  return meaning;
}

void Reception::ResetLanes() {
  for (int lane = 1; lane <= kLanes; ++lane) {
    const auto at = LaneIndex(lane);
    laneRank_[at] = 0;
    laneTime_[at] = kNoTime;
    lapCount_[at] = 0;
    lastKindOf_[at] = '\0';
    typed_[at] = false;
  }
  lastClock_ = -1;
  zeroWithoutFinish_ = false;
}

void Reception::SetLaneTime(int lane, std::int32_t value) {
  if (!IsLane(lane)) return;
  laneTime_[LaneIndex(lane)] = value;
  typed_[LaneIndex(lane)] = true;
}

void Reception::RestoreLane(int lane, int laps, const std::string& lastTime, char lastKind) {
  if (!IsLane(lane)) return;
  const auto at = LaneIndex(lane);
  lapCount_[at] = static_cast<std::int16_t>(
      std::min<int>(std::max(laps, 0), std::numeric_limits<std::int16_t>::max()));
  lastKindOf_[at] = laps > 0 ? lastKind : '\0';
  if (typed_[at]) return;
  laneTime_[at] = laps > 0 ? PackedTime(lastTime) : kNoTime;
  if (lastKindOf_[at] == 'G') goalSeen_ = true;
}

void Reception::RestoreFilter(int lane, std::string timeText, char kind) {
  lastLane_ = lane;
  lastTime_ = std::move(timeText);
  lastKind_ = kind;
}

bool Reception::NoFinish(int lane) const {
  if (!IsLane(lane)) return false;
  const auto at = LaneIndex(lane);
  return lastKindOf_[at] == 'L' && !typed_[at];
}

LaneArray<std::int32_t> Reception::FinishTimes() const {
  LaneArray<std::int32_t> times = laneTime_;
  for (int lane = 1; lane <= kLanes; ++lane) {
    if (NoFinish(lane)) times[LaneIndex(lane)] = kNoTime;
  }
  return times;
}

void Reception::SetRanking(const LaneArray<std::int16_t>& rank,
                           const LaneArray<std::int32_t>& time) {
  for (int lane = 1; lane <= kLanes; ++lane) {
    const auto at = LaneIndex(lane);
    laneRank_[at] = rank[at];
    laneTime_[at] = time[at];
  }
}

}  // namespace poolside
