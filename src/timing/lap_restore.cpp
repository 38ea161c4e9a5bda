#include <string>
#include <vector>

#include "meetdata/settings.h"
#include "reception/console_line.h"
#include "timing/race_window.h"
#include "vocabulary/lap_goal_files.h"

namespace poolside {

std::string KeepLapQuestion(int race, int records) {
  return "レース " + std::to_string(race) + " のラップファイルには、すでに " +
         std::to_string(records) +
         " 件のタッチがあります (キャプチャにも残っています)。\r"
         "「" +
         race_texts::kKeepLap + "」はタッチを残して受信を続けます。「" + race_texts::kStartOver +
         "」はラップファイルを空にしてレースを最初から受け付けます。";
}

RaceWindow::LapOnScreen RaceWindow::ReadLapOnScreen() const {
  LapOnScreen held;
  const FileRead read = ReadLapFile(LapPath(meet_, book_.RaceNo));
  if (read.outcome != FileReadOutcome::Ok) return held;
  // The readable records: a record cut by a crash is not a touch.
  for (LapItem& item : ReadLapItems(read.bytes).records) held.touches.push_back(std::move(item));
  return held;
}

bool RaceWindow::LanesShow(const std::vector<LapItem>& touches) const {
  LaneArray<int> counts{};
  for (const LapItem& t : touches) {
    if (IsLane(t.lane)) ++counts[LaneIndex(t.lane)];
  }
  for (int lane = 1; lane <= kLanes; ++lane) {
    if (reception_.LapCount(lane) != counts[LaneIndex(lane)]) return false;
  }
  return true;
}

void RaceWindow::RestoreLanes(const std::vector<LapItem>& touches) {
  LaneArray<int> counts{};
  LaneArray<const LapItem*> last{};
  for (const LapItem& t : touches) {
    if (!IsLane(t.lane)) continue;
    ++counts[LaneIndex(t.lane)];
    last[LaneIndex(t.lane)] = &t;
  }
  const int metresPerLap = MetresPerLap(meet_.Settings.LapBaseCode, meet_.Settings.LapDoubleCode);
  for (int lane = 1; lane <= kLanes; ++lane) {
    const auto at = LaneIndex(lane);
    const LapItem* item = last[at];
    const std::string shown = item ? LapTimeField(item->timeText) : std::string();
    const char kind = item ? item->kind : '\0';
    reception_.RestoreLane(lane, counts[at], shown, kind);
    if (reception_.Typed(lane)) continue;
    TextBox* jun = c_.txtJun[at];
    TextBox* kiro = c_.txtKiro[at];
    // The console's rank is not in the file: the finish ranks by time.
    jun->SetText("");
    kiro->SetText(shown);
    c_.txtShukai[at]->SetText(metresPerLap > 0 && counts[at] > 0
                                  ? std::to_string(counts[at] * metresPerLap)
                                  : std::string());
    const Color color = kind == 'G' ? kLightRed : rowColor_[at];
    jun->SetBackColor(color);
    kiro->SetBackColor(color);
  }
  // A block the console sends again after the restart is the last record,
  // not a new touch.
  if (!touches.empty()) {
    const LapItem& tail = touches.back();
    reception_.RestoreFilter(tail.lane, LapTimeField(tail.timeText), tail.kind);
  }
}

void RaceWindow::PublishRestoredTouches(const std::vector<LapItem>& touches) {
  const int metresPerLap = MetresPerLap(meet_.Settings.LapBaseCode, meet_.Settings.LapDoubleCode);
  LaneArray<int> laps{};
  for (const LapItem& t : touches) {
    if (!IsLane(t.lane)) continue;
    const int n = ++laps[LaneIndex(t.lane)];
    LaneTouched touched;
    touched.lane = t.lane;
    touched.timeText = LapTimeField(t.timeText);
    touched.packed = PackedTime(touched.timeText);
    touched.laps = n;
    touched.metres = metresPerLap > 0 ? n * metresPerLap : 0;
    touched.finish = t.kind == 'G';
    feed_->Publish(touched);
  }
}

void RaceWindow::ClearLanes() {
  reception_.ResetLanes();
  typed_.fill(std::nullopt);
  for (int lane = 1; lane <= kLanes; ++lane) {
    c_.txtJun[lane - 1]->SetText("");
    c_.txtKiro[lane - 1]->SetText("");
    c_.txtShukai[lane - 1]->SetText("");
    c_.txtJun[lane - 1]->SetBackColor(rowColor_[lane - 1]);
    c_.txtKiro[lane - 1]->SetBackColor(rowColor_[lane - 1]);
  }
}

}  // namespace poolside
