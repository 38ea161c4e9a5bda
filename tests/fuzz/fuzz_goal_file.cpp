// Arbitrary bytes as a race's goal file (goal/gNNNN, Shift-JIS): no crash;
// a lane read has a rank of 0..10; problems are UTF-8; a file read whole is
// written again as a whole goal file that reads back the same lanes; a copy
// of twenty items is made or refused with an IoError naming the file; a
// number item read is written back as the same number.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "platform/errors.h"
#include "vocabulary/lap_goal_files.h"

using poolside::fuzz::IsUtf8;
using poolside::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(poolside::fuzz::Bytes(data, size));

  const poolside::GoalItems goal = poolside::ReadGoalItems(bytes);
  for (const std::string& p : goal.problems) Require(IsUtf8(p), "a problem that is not UTF-8");
  Require(goal.problems.size() <= poolside::kLanes + 1, "more problems than lanes");
  bool whole = goal.problems.empty();
  poolside::LaneArray<std::int16_t> rank{};
  poolside::LaneArray<std::int32_t> value{};
  for (int i = 0; i < poolside::kLanes; ++i) {
    const poolside::GoalLane& g = goal.lanes[i];
    if (!g.read) {
      whole = false;
      continue;
    }
    Require(g.rank >= 0 && g.rank <= poolside::kLanes, "a rank out of 0..10");
    rank[i] = static_cast<std::int16_t>(g.rank);
    value[i] = g.value;
  }
  if (whole) {
    const std::string written = poolside::GoalText(rank, value);
    Require(poolside::IsWholeGoalFile(written), "a goal file written that is not whole");
    const poolside::GoalItems again = poolside::ReadGoalItems(written);
    Require(again.problems.empty(), "a goal file written that does not read back");
    for (int i = 0; i < poolside::kLanes; ++i) {
      Require(again.lanes[i].rank == rank[i] && again.lanes[i].value == value[i],
              "a lane that changed on the way");
    }
  }
  for (const std::string& r : poolside::GoalFileRecords(bytes)) {
    Require(IsUtf8(r), "a compared record that is not UTF-8");
  }
  try {
    const std::string copy = poolside::CopiedItems(bytes, "goal\\g0001", poolside::kGoalItems);
    (void)copy;
  } catch (const poolside::IoError& e) {
    Require(std::string(e.what()).find("goal\\g0001") != std::string::npos,
            "a short copy that does not name the file");
  }
  if (const auto n = poolside::ParseFileNumber(bytes)) {
    Require(poolside::ParseFileNumber(poolside::FileNumber(*n)) == n,
            "a number that does not write back as itself");
  }
  return 0;
}
