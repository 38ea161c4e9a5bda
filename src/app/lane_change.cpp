#include "app/lane_change.h"

#include <chrono>

#include "platform/errors.h"
#include "results/backup_times.h"

namespace poolside {

LaneChange PlanLaneChange(const MeetData& meet, const RaceResult& before, int lane,
                          const std::optional<std::vector<std::string>>& watches,
                          const std::string& use, const std::string& reason) {
  if (!IsLane(lane)) throw RuntimeError("コース " + std::to_string(lane) + " はありません");
  const LaneResult& now = before.lanes[LaneIndex(lane)];
  LaneChange change;
  BackupsRecorded& event = change.event;
  event.race = before.race;
  event.lane = lane;
  event.watches = now.watches;
  if (watches) {
    if (watches->size() > kMaxWatches) throw RuntimeError("ストップウォッチは 3 個までです");
    event.watches.clear();
    for (const std::string& typed : *watches) {
      const auto h = TypedHundredths(typed);
      if (!h) throw RuntimeError("時間ではありません: " + typed + " (10456 = 1:04.56)");
      event.watches.push_back(*h);
    }
  }
  const std::string where =
      "レース " + std::to_string(before.race) + " の " + std::to_string(lane) + " コース";
  if (now.entry == 0 && event.watches != now.watches) {
    throw RuntimeError(where + "にはエントリーがありません");
  }
  if (use.empty()) return change;
  TimeUse how = TimeUse::Undecided;
  std::optional<std::int64_t> typed;
  if (!ParseTimeUse(use, how)) {
    how = TimeUse::Typed;
    typed = TypedHundredths(use);
    if (!typed) throw RuntimeError("時間ではありません: " + use + " (10456 = 1:04.56)");
  }
  if (how != TimeUse::Console && reason.find_first_not_of(' ') == std::string::npos) {
    throw RuntimeError("計時以外の時間を使うには理由が必要です");
  }
  event.use = TimeUseWord(how);
  event.reason = how == TimeUse::Console ? "" : reason;
  std::optional<std::int32_t> packed;
  if (how == TimeUse::Backup) {
    const auto backup = BackupTime(event.watches);
    if (!backup) throw RuntimeError(where + "には予備計時がありません");
    packed = PackedTime(*backup);
  } else if (how == TimeUse::Typed) {
    event.typed = *typed;
    packed = PackedTime(*typed);
  }
  if (how != TimeUse::Console && !packed) {
    throw RuntimeError("その時間はゴールファイルに書けません: " + use);
  }
  change.plan = PlanDecision(meet, before.race, lane, packed);
  return change;
}

void ApplyLaneChange(const MeetData& meet, LaneChange& change,
                     const std::function<void(const RaceEvent&)>& journal) {
  change.event.at = IsoLocalTime(std::chrono::system_clock::now());
  if (change.plan) NoteDecision(change.event, *change.plan);
  if (journal) journal(change.event);
  if (change.plan) ApplyDecisionPlan(meet, *change.plan);
}

std::string DescribeLaneChange(const LaneChange& change) {
  const BackupsRecorded& e = change.event;
  std::string out =
      "race " + std::to_string(e.race) + " lane " + std::to_string(e.lane) + ": watches";
  for (std::int64_t t : e.watches) out += " " + HundredthsText(t);
  if (const auto backup = BackupTime(e.watches)) out += " backup " + HundredthsText(*backup);
  out += "\n";
  if (change.plan) {
    out += "use " + e.use + (e.reason.empty() ? "" : " (" + e.reason + ")") + "\n" +
           DescribeDecisionPlan(*change.plan);
  }
  return out;
}

}  // namespace poolside
