#include "finish/lane_decision.h"

#include "finish/race_files.h"
#include "format/time_values.h"
#include "platform/errors.h"
#include "platform/record_file.h"
#include "racebook/race_book.h"
#include "vocabulary/lanes.h"

namespace poolside {

DecisionPlan PlanDecision(const MeetData& meet, int race, int lane,
                          std::optional<std::int32_t> packed) {
  if (race < 1 || race > kBookRaces) {
    throw RuntimeError("レース番号 " + std::to_string(race) + " は 1 から " +
                       std::to_string(kBookRaces) + " までです");
  }
  if (!IsLane(lane)) throw RuntimeError("コース " + std::to_string(lane) + " はありません");
  DecisionPlan plan;
  plan.race = race;
  plan.lane = lane;
  plan.goalPath = GoalPath(meet, race);
  if (!FileExists(plan.goalPath)) {
    throw RuntimeError("レース " + std::to_string(race) +
                       " はまだ終わっていません (ゴールファイル " + plan.goalPath +
                       " がありません)");
  }
  plan.goalBefore = GoalFileBytes(plan.goalPath);
  LaneArray<std::int32_t> values = GoalValues(plan.goalPath, plan.goalBefore);
  const std::int32_t now = values[LaneIndex(lane)];
  if (IsDisqualifiedValue(now)) {
    throw RuntimeError("レース " + std::to_string(race) + " の " + std::to_string(lane) +
                       " コースは失格です (時間は決めません)");
  }
  const std::string lapPath = LapPath(meet, race);
  const std::string lapBefore = FileExists(lapPath) ? LapFileBytes(lapPath) : std::string();
  if (packed) {
    plan.value = *packed;
  } else {
    const LapTouches parsed = ParseLapText(lapBefore);
    if (!parsed.problem.empty()) {
      throw IoError("ラップファイル " + lapPath + " が読めません: " + parsed.problem);
    }
    plan.value = FinishValueOfTouches(parsed.touches, lane);
  }
  values[LaneIndex(lane)] = plan.value;
  plan.ranking = RankLanes(values);
  plan.goalAfter = GoalText(plan.ranking);
  if (FileExists(lapPath)) {
    plan.combinedTargets = CombinedCopyTargets(meet, race, plan.goalBefore, lapBefore);
  }
  return plan;
}

std::vector<PlannedFile> DecisionFiles(const MeetData& meet, const DecisionPlan& plan) {
  std::vector<PlannedFile> files = {{plan.goalPath, plan.goalBefore, plan.goalAfter}};
  for (int target : plan.combinedTargets) {
    files.push_back(
        {GoalPath(meet, target), CopiedItems(plan.goalBefore), CopiedItems(plan.goalAfter)});
  }
  return files;
}

void ApplyDecisionPlan(const MeetData& meet, const DecisionPlan& plan) {
  for (const PlannedFile& file : DecisionFiles(meet, plan)) {
    ReplaceFileAtomically(file.path, file.after);
  }
}

void NoteDecision(BackupsRecorded& event, const DecisionPlan& plan) {
  event.finished = true;
  for (std::size_t i = 0; i < kLanes; ++i) {
    event.rank[i] = plan.ranking.rank[i];
    event.time[i] = plan.ranking.time[i];
  }
  event.combinedTargets = plan.combinedTargets;
}

std::string DescribeDecisionPlan(const DecisionPlan& plan) {
  std::string out = "file " + plan.goalPath + " size=" + std::to_string(plan.goalAfter.size()) +
                    "\n" + plan.goalAfter + "\n";
  for (int target : plan.combinedTargets) out += "copy race " + std::to_string(target) + "\n";
  return out;
}

}  // namespace poolside
