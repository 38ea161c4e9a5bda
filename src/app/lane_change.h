#pragma once
// One change of a lane's watches or official time, as the desk's backup
// window and `poolside --backups` both make it: the event the feed is told
// (BackupsRecorded) and, for a decision, the goal file's rewrite
// (finish/lane_decision.h).

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "feed/race_events.h"
#include "finish/lane_decision.h"
#include "meetdata/meet_data.h"
#include "results/race_result.h"

namespace poolside {

struct LaneChange {
  BackupsRecorded event;
  std::optional<DecisionPlan> plan;  // a decision: the goal file's rewrite
};

// The change of lane `lane` of `before` (the race's result now): `watches`
// typed as the time boxes read them (none: the lane's watches stay),
// `use` "console", "backup" or a typed time ("": no decision) and the
// reason. Throws RuntimeError saying what is wrong (no entry, a time that
// is none, no reason, no backup time, an unfinished race).
LaneChange PlanLaneChange(const MeetData& meet, const RaceResult& before, int lane,
                          const std::optional<std::vector<std::string>>& watches,
                          const std::string& use, const std::string& reason);

// Writes it: the time taken, `journal` told the event first (a capture line
// survives a decision cut short), then the goal files. Throws IoError
// naming the file. The caller publishes change.event afterwards.
void ApplyLaneChange(const MeetData& meet, LaneChange& change,
                     const std::function<void(const RaceEvent&)>& journal);

// What the change writes, for a person (the preview).
std::string DescribeLaneChange(const LaneChange& change);

}  // namespace poolside
