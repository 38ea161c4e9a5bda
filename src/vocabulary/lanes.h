#pragma once
// The ten lanes of the pool. Lanes are numbered 1..10 everywhere a person or
// a file sees them; every per-lane array holds lane L at index L - 1.

#include <array>
#include <cstddef>

namespace poolside {

inline constexpr int kLanes = 10;

// Per-lane values: lane L at [LaneIndex(L)].
template <typename T>
using LaneArray = std::array<T, kLanes>;

constexpr bool IsLane(int lane) { return lane >= 1 && lane <= kLanes; }
constexpr std::size_t LaneIndex(int lane) { return static_cast<std::size_t>(lane - 1); }

}  // namespace poolside
