#include "finish/ranking.h"

#include <string>
#include <vector>

#include "format/key_sort.h"
#include "format/time_values.h"
#include "platform/numbers.h"

namespace poolside {

namespace {

std::string LastChars(const std::string& s, std::size_t n) {
  return s.size() <= n ? s : s.substr(s.size() - n);
}

}  // namespace

Ranking RankLanes(const LaneArray<std::int32_t>& laneTime) {
  Ranking out;
  out.time = laneTime;
  // Keys whose character order is the ranking order: time right-aligned in
  // six characters, then the lane in two.
  std::vector<std::string> keys(kLanes + 1);
  for (int lane = 1; lane <= kLanes; ++lane) {
    keys[static_cast<std::size_t>(lane)] =
        LastChars("      " + std::to_string(laneTime[LaneIndex(lane)]), 6) +
        LastChars(std::to_string(lane + 100), 2);
  }
  SortStrings(keys, kLanes);
  long long previous = 0;
  int rank = 0;
  for (int a = 1; a <= kLanes; ++a) {
    const std::string& key = keys[static_cast<std::size_t>(a)];
    const int lane = std::stoi(key.substr(6, 2));
    const auto time = static_cast<long long>(LeadingValue(key.substr(0, 6)));
    if (time != previous) {
      previous = time;
      rank = a;
    }
    if (IsLane(lane)) out.rank[LaneIndex(lane)] = static_cast<std::int16_t>(rank);
  }
  for (int lane = 1; lane <= kLanes; ++lane) {
    const auto at = LaneIndex(lane);
    if (out.time[at] > kUnranked) out.rank[at] = 0;
    if (out.time[at] > kLastStatus) out.time[at] = kWithdrawn;
  }
  return out;
}

}  // namespace poolside
