#pragma once
// The values a lane's time takes besides a packed time (mmsshh).

#include <cstdint>

namespace poolside {

inline constexpr std::int32_t kNoTime = 999999;     // no time (empty lane, not finished)
inline constexpr std::int32_t kWithdrawn = 888888;  // 棄権
// 700000 + n: disqualification code n (1..7).
inline constexpr std::int32_t kDisqualifiedBase = 700000;
// Ranking: a value above kUnranked gets rank 0; one above kLastStatus goes
// into the goal file as kWithdrawn.
inline constexpr std::int32_t kUnranked = 666666;
inline constexpr std::int32_t kLastStatus = 777777;

// A packed time, not a status value (what a lane's value means in full is
// ClassifyLaneValue, results/race_result.h).
constexpr bool IsTimeValue(std::int32_t v) { return v >= 1 && v < kUnranked; }
// Disqualification codes 1..7.
constexpr bool IsDisqualifiedValue(std::int32_t v) {
  return v >= kDisqualifiedBase + 1 && v <= kDisqualifiedBase + 7;
}

}  // namespace poolside
