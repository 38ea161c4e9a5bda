#pragma once
// The referee's decision on a lane's official time, written as plain code:
// the race's goal file is rewritten whole and atomically with the chosen
// value, the race ranked again (times equal to the hundredth share a rank)
// and the copies of a combined race redone. The lap file is never touched:
// it keeps the console's records, so the console's time can always be
// taken back. The desk's backup window and `poolside --backups` both go
// through PlanDecision/ApplyDecisionPlan.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "feed/race_events.h"
#include "finish/ranking.h"
#include "finish/touch_repair.h"
#include "meetdata/meet_data.h"

namespace poolside {

struct DecisionPlan {
  int race = 0;
  int lane = 0;
  std::int32_t value = 0;  // the lane's value in the goal file afterwards
  std::string goalPath;
  std::string goalBefore;
  std::string goalAfter;
  Ranking ranking;
  std::vector<int> combinedTargets;  // races whose goal copies are redone
};

// Reads race `race`'s goal (and lap) file and works out what writing
// `packed` (a packed time) for `lane` writes; no `packed`: the console's
// finish as the lap file has it. Throws RuntimeError/IoError with a message
// naming the file: an unfinished race (no goal file), a disqualified lane.
DecisionPlan PlanDecision(const MeetData& meet, int race, int lane,
                          std::optional<std::int32_t> packed);
// The files the plan replaces, in writing order (the goal file, then the
// combined copies' goal files).
std::vector<PlannedFile> DecisionFiles(const MeetData& meet, const DecisionPlan& plan);
// Writes them, each atomically. Throws IoError naming the file.
void ApplyDecisionPlan(const MeetData& meet, const DecisionPlan& plan);
// The ranks, values and copies of an applied plan into its event.
void NoteDecision(BackupsRecorded& event, const DecisionPlan& plan);
// The goal file as --backups shows a preview.
std::string DescribeDecisionPlan(const DecisionPlan& plan);

}  // namespace poolside
