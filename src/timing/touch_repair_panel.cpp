#include "timing/touch_repair_panel.h"

#include "meetdata/settings.h"
#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/record_file.h"
#include "vocabulary/lap_goal_files.h"

namespace poolside {

bool TouchRepairPanel::Select(int race, int lane) {
  race_ = race;
  lane_ = lane;
  lines_.clear();
  touches_.clear();
  problem_.clear();
  const std::string path = LapPath(window_.Meet(), race);
  if (!PathExists(path)) {
    problem_ = "ラップファイル " + path + " がありません";
    return false;
  }
  try {
    const LapTouches parsed = ParseLapText(LapFileBytes(path));
    if (!parsed.problem.empty()) {
      problem_ = "ラップファイル " + path + ": " + parsed.problem;
      return false;
    }
    lines_ = LaneTouchLines(parsed.touches, lane);
    touches_ = parsed.touches;
  } catch (const IoError& e) {
    problem_ = e.what();
    return false;
  }
  return true;
}

bool TouchRepairPanel::Build(RepairKind kind, int index, const std::string& time, TouchRepair& out,
                             std::string& why) const {
  out = TouchRepair{race_, lane_, index, kind, ""};
  if (kind == RepairKind::InsertAfter && !time.empty()) {
    const auto text = ConsoleTimeText(time);
    if (!text) {
      why = "タイム 「" + time + "」 は読めません (1:02.34 や 34.91 の形で入力してください)";
      return false;
    }
    out.timeText = *text;
    // A missed touch lies between the touches around it.
    if (auto problem = InsertedTimeProblem(touches_, lane_, index, out.timeText)) {
      why = *problem;
      return false;
    }
  }
  return true;
}

int TouchRepairPanel::MetresPerLapOfMeet() const {
  return MetresPerLap(window_.Meet().Settings.LapBaseCode, window_.Meet().Settings.LapDoubleCode);
}

bool TouchRepairPanel::PreviewRows(RepairKind kind, int index, const std::string& time,
                                   std::vector<TouchRow>& before, std::vector<TouchRow>& after,
                                   std::string& why) {
  TouchRepair repair;
  if (!Build(kind, index, time, repair, why)) return false;
  try {
    const RepairPlan plan = window_.PlanTouchRepair(repair);
    const int metres = MetresPerLapOfMeet();
    before = LaneTouchRows(touches_, lane_, metres);
    after = LaneTouchRows(plan.touches, lane_, metres);
  } catch (const RuntimeError& e) {
    why = e.what();
    return false;
  }
  return true;
}

std::string TouchRepairPanel::Preview(RepairKind kind, int index, const std::string& time) {
  TouchRepair repair;
  std::string why;
  if (!Build(kind, index, time, repair, why)) return why;
  try {
    return DescribeRepairPlan(window_.PlanTouchRepair(repair));
  } catch (const RuntimeError& e) {
    return e.what();
  }
}

bool TouchRepairPanel::Apply(RepairKind kind, int index, const std::string& time) {
  TouchRepair repair;
  std::string why;
  if (!Build(kind, index, time, repair, why)) {
    messages_.ShowMessage(why);
    return false;
  }
  const bool official = isOfficial && isOfficial(race_);
  if (!messages_.AskOkCancel(
          "レース " + std::to_string(race_) + " の " + std::to_string(lane_) +
          " コースのタッチを修正します (" + RepairWords(repair) + ")。" +
          (official ? "レース " + std::to_string(race_) + " は公式です。修正すると速報に戻ります。"
                    : std::string()) +
          "よろしいですか。")) {
    return false;
  }
  if (auto failure = window_.RepairTouches(repair)) {
    messages_.ShowMessage(*failure);
    return false;
  }
  Select(race_, lane_);
  return true;
}

}  // namespace poolside
