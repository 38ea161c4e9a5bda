#include <string>

#include "format/time_values.h"
#include "meetdata/settings.h"
#include "platform/cp932.h"
#include "platform/errors.h"
#include "timing/race_window.h"

namespace poolside {

RepairPlan RaceWindow::PlanTouchRepair(const TouchRepair& repair) const {
  return PlanRepair(meet_, repair);
}

std::optional<std::string> RaceWindow::RepairTouches(const TouchRepair& repair) {
  RepairPlan plan;
  try {
    plan = PlanRepair(meet_, repair);
  } catch (const RuntimeError& e) {
    return std::string(e.what());
  }
  const bool current = repair.race == book_.RaceNo;
  // The lap file being written is closed (Windows replaces no file that is
  // open), replaced whole, then opened again at its end whatever the
  // outcome, so that the touches still to come follow the repaired ones.
  const bool wasOpen = current && lap_.IsOpen();
  if (wasOpen) lap_.Close();
  try {
    ApplyRepairPlan(meet_, plan);
  } catch (const IoError& e) {
    std::string failure = "タッチを修正できません。\r" + std::string(e.what());
    if (wasOpen) {
      if (auto problem = lap_.Reopen(plan.lapPath)) failure += "\r" + *problem;
    }
    return failure;
  }
  if (wasOpen) {
    if (auto problem = lap_.Reopen(plan.lapPath)) return problem;
  }

  const int metresPerLap = MetresPerLap(meet_.Settings.LapBaseCode, meet_.Settings.LapDoubleCode);
  if (current) {
    const int lane = repair.lane;
    reception_.RestoreLane(lane, plan.laneLaps, plan.laneLastTime, plan.laneLastKind);
    TextBox* jun = c_.txtJun[lane - 1];
    TextBox* kiro = c_.txtKiro[lane - 1];
    if (!reception_.Typed(lane)) {
      kiro->SetText(plan.laneLaps > 0 ? plan.laneLastTime : std::string());
      if (plan.laneLaps == 0) jun->SetText("");
    }
    if (metresPerLap > 0) {
      c_.txtShukai[lane - 1]->SetText(
          plan.laneLaps > 0 ? std::to_string(plan.laneLaps * metresPerLap) : std::string());
    }
    const Color color = plan.laneLastKind == 'G' ? kLightRed : rowColor_[lane - 1];
    jun->SetBackColor(color);
    kiro->SetBackColor(color);
  }

  const TouchesRepaired repaired =
      RepairedEvent(plan, metresPerLap, current && reception_.Typed(repair.lane));
  feed_->Publish(repaired);
  return std::nullopt;
}

}  // namespace poolside
