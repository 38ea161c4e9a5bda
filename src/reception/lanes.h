#pragma once
// The ten lanes of the pool and per-lane values indexed by lane number.

#include <array>

namespace poolside {

inline constexpr int kLanes = 10;

// Index 1..10 for lanes 1..10; index 0 is unused.
template <typename T>
using LaneArray = std::array<T, kLanes + 1>;

}  // namespace poolside
