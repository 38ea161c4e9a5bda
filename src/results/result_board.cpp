#include "results/result_board.h"

#include <algorithm>

namespace poolside {

void ResultBoard::OnRaceEvent(const RaceEvent& event) {
  const auto* changed = std::get_if<RaceResultChanged>(&event);
  if (changed == nullptr) return;
  using Cause = RaceResultChanged::Cause;
  const bool news = changed->cause == Cause::Finished || changed->cause == Cause::Recovered ||
                    changed->cause == Cause::Repaired;
  if (!news && changed->race != result_.race) return;
  result_ = *changed->result;
  if (onChange) onChange();
}

void ResultBoard::Show(int race) {
  const auto result = results_ ? results_(race) : nullptr;
  if (!result) return;
  result_ = *result;
  if (onChange) onChange();
}

std::vector<ResultRow> ResultBoard::Rows() const {
  std::vector<const LaneResult*> lanes;
  for (const LaneResult& l : result_.lanes) {
    if (l.entry != 0 || !l.splits.empty() ||
        (l.status != LaneStatus::NoTime && l.status != LaneStatus::Unreadable)) {
      lanes.push_back(&l);
    }
  }
  std::stable_sort(lanes.begin(), lanes.end(), [](const LaneResult* a, const LaneResult* b) {
    return (a->rank > 0 ? a->rank : 1000) < (b->rank > 0 ? b->rank : 1000);
  });
  std::vector<ResultRow> rows;
  for (const LaneResult* l : lanes) {
    ResultRow row;
    row.rank = l->rank > 0 ? std::to_string(l->rank) : "";
    row.lane = l->lane;
    row.name = l->who.name;
    row.club = l->who.club;
    row.result = LaneResultText(*l);
    if (l->status == LaneStatus::NoFinish) row.mark = "要確認: タイムを入力するかタッチを修正 (F7)";
    if (!l->goalRead || !l->lapsRead) row.mark = "ファイルが読めません";
    if (const std::string note = LaneFlagNote(*l); !note.empty()) {
      row.mark = row.mark.empty() ? note : note + " / " + row.mark;
      row.flagged = true;
    }
    for (const Split& s : l->splits) {
      if (!row.splits.empty()) row.splits += "  ";
      if (s.distance > 0) row.splits += std::to_string(s.distance) + "m ";
      row.splits += s.text.empty() ? "?" : s.text;
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

std::optional<LaneFlagged> ResultBoard::Accept(int lane) const {
  if (!IsLane(lane) || result_.lanes[LaneIndex(lane)].flags.empty()) return std::nullopt;
  return LaneFlagged{result_.race, lane, LaneFlagged::Reason::Accepted, ""};
}

RepairStart RepairDialogStart(int raceOnScreen, const LaneArray<int>& laps,
                              const ResultBoard& board) {
  RepairStart start{raceOnScreen, 1};
  const bool touched = std::any_of(laps.begin(), laps.end(), [](int n) { return n > 0; });
  if (touched || board.Race() <= 0) return start;
  start.race = board.Race();
  for (const LaneResult& l : board.Result().lanes) {
    if (l.status == LaneStatus::NoFinish) {
      start.lane = l.lane;
      break;
    }
  }
  return start;
}

std::string ResultBoard::Heading() const {
  if (result_.race == 0) return "終了したレースはまだありません";
  std::string h = "レース " + std::to_string(result_.race) + "  プロNo " +
                  std::to_string(result_.program) + "  " + std::to_string(result_.heat) + "組  " +
                  result_.sex.label + " " + result_.raceClass.label + " " + result_.event.label +
                  " " + result_.round.label;
  if (result_.official) h += "  公式";
  for (const ReadProblem& p : result_.problems) h += "\n" + p.file + ": " + p.what;
  return h;
}

}  // namespace poolside
