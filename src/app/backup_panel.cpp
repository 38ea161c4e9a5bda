#include "app/backup_panel.h"

#include <algorithm>
#include <chrono>
#include <exception>

#include "app/lane_change.h"
#include "vocabulary/race_status.h"

namespace poolside {

namespace {

std::vector<std::string> Given(const std::vector<std::string>& typed) {
  std::vector<std::string> out;
  for (const std::string& t : typed) {
    if (t.find_first_not_of(" \u3000") != std::string::npos) out.push_back(t);
  }
  return out;
}

std::string Lanes(const std::vector<int>& lanes) {
  std::string out;
  for (int lane : lanes) out += (out.empty() ? "" : "、") + std::to_string(lane);
  return out;
}

}  // namespace

void BackupPanel::Select(int race) { race_ = race; }

std::shared_ptr<const RaceResult> BackupPanel::Result() const { return results_.ResultOf(race_); }

std::vector<BackupRow> BackupPanel::Rows() const {
  const auto result = Result();
  return result ? BackupRows(*result) : std::vector<BackupRow>{};
}

std::string BackupPanel::State() const {
  const auto result = Result();
  if (!result) return {};
  return result->official ? "公式 " + result->officialAt : "速報";
}

bool BackupPanel::Record(int lane, const std::vector<std::string>& watches) {
  return Change(lane, watches, "", "");
}

bool BackupPanel::Decide(int lane, const std::vector<std::string>& watches, const std::string& use,
                         const std::string& reason) {
  const auto result = Result();
  if (result && result->official &&
      !messages_.AskOkCancel("レース " + std::to_string(race_) +
                             " は公式です。変更すると速報に戻ります。よろしいですか?")) {
    return false;
  }
  if (!Change(lane, watches, use, reason)) return false;
  if (onSlip) onSlip(*Result());
  return true;
}

bool BackupPanel::Change(int lane, const std::vector<std::string>& watches, const std::string& use,
                         const std::string& reason) {
  const auto before = Result();
  if (!before) return false;
  try {
    LaneChange change = PlanLaneChange(meet_, *before, lane, Given(watches), use, reason);
    // The desk's capture journals the event from the feed.
    ApplyLaneChange(meet_, change, {});
    feed_.Publish(change.event);
  } catch (const std::exception& e) {
    messages_.Warn(e.what());
    return false;
  }
  return true;
}

bool BackupPanel::SignOff() {
  const auto result = Result();
  if (!result) return false;
  if (!IsRaceDone(result->bookStatus)) {
    messages_.Warn("レース " + std::to_string(race_) +
                   " はまだ終わっていません (公式にできません)");
    return false;
  }
  std::vector<int> open = result->UndecidedLanes();
  for (int lane : result->FlaggedLanes()) {
    if (std::find(open.begin(), open.end(), lane) == open.end()) open.push_back(lane);
  }
  std::sort(open.begin(), open.end());
  std::string question = "レース " + std::to_string(race_) + " を公式にします。";
  if (!open.empty()) question += "\r決定のないフラグのコース: " + Lanes(open) + " コース。";
  if (!messages_.AskOkCancel(question + "\rよろしいですか?")) return false;
  feed_.Publish(RaceSignedOff{race_, true, IsoLocalTime(std::chrono::system_clock::now())});
  if (onSlip) onSlip(*Result());
  return true;
}

void BackupPanel::OnRaceEvent(const RaceEvent& event) {
  const auto* changed = std::get_if<RaceResultChanged>(&event);
  if (changed != nullptr && changed->race == race_ && race_ > 0 && onChanged) onChanged();
}

}  // namespace poolside
