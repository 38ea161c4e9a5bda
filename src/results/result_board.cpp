#include "results/result_board.h"

#include <algorithm>

namespace poolside {

void ResultBoard::OnRaceEvent(const RaceEvent& event) {
  if (const auto* f = std::get_if<RaceFinished>(&event)) {
    const DeskLanes desk = DeskLanesOf(*f);
    desk_[f->race] = desk;
    for (int target : f->combinedTargets) desk_[target] = desk;
    Show(f->race);
  } else if (const auto* r = std::get_if<TouchesRepaired>(&event)) {
    // The repaired lane's end now follows from its touches.
    auto known = desk_.find(r->race);
    if (known != desk_.end() && r->lane >= 1 && r->lane <= kLanes) {
      known->second.noFinish[static_cast<std::size_t>(r->lane - 1)] = r->noFinish;
      known->second.withdrawn[static_cast<std::size_t>(r->lane - 1)] = false;
    }
    if (r->finished) Show(r->race);
  }
}

void ResultBoard::Show(int race) {
  result_ = LoadRaceResult(sources_(race));
  if (auto known = desk_.find(race); known != desk_.end()) ApplyDeskLanes(result_, known->second);
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
    row.result = LaneResultText(*l);
    if (l->status == LaneStatus::NoFinish) row.mark = "要確認: タイムを入力するかタッチを修正 (F7)";
    if (!l->goalRead || !l->lapsRead) row.mark = "ファイルが読めません";
    for (const Split& s : l->splits) {
      if (!row.splits.empty()) row.splits += "  ";
      if (s.distance > 0) row.splits += std::to_string(s.distance) + "m ";
      row.splits += s.text.empty() ? "?" : s.text;
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

std::string ResultBoard::Heading() const {
  if (result_.race == 0) return "終了したレースはまだありません";
  std::string h = "レース " + std::to_string(result_.race) + "  プロNo " +
                  std::to_string(result_.program) + "  " + std::to_string(result_.heat) + "組  " +
                  result_.sex.label + " " + result_.raceClass.label + " " + result_.event.label +
                  " " + result_.round.label;
  for (const ReadProblem& p : result_.problems) h += "\n" + p.file + ": " + p.what;
  return h;
}

}  // namespace poolside
