#pragma once
// Ranking a race: a pure function of the lane times.

#include <cstdint>

#include "vocabulary/lanes.h"

namespace poolside {

struct Ranking {
  LaneArray<std::int16_t> rank{};  // 0 for a lane that is not ranked
  LaneArray<std::int32_t> time{};  // the values of the goal file
};

// Lanes ranked by time (ties share a rank, the next rank skips); a status
// value above 666666 gets rank 0, one above 777777 goes into the goal file
// as 888888.
Ranking RankLanes(const LaneArray<std::int32_t>& laneTime);

}  // namespace poolside
