#include <optional>
#include <string>

#include "format/time_text.h"
#include "format/time_values.h"
#include "platform/controls.h"
#include "platform/cp932.h"
#include "platform/numbers.h"
#include "timing/race_window.h"

namespace poolside {

void RaceWindow::OnTimeBoxKeyDown(int lane, int keyCode) {
  if (lane < 1 || lane > kLanes) return;
  TextBox* box = c_.txtKiro[lane - 1];
  if (keyCode == kKeyUp) {
    if (lane > 1) c_.txtKiro[lane - 2]->SetFocus();
    return;
  }
  if (keyCode == kKeyDown) {
    if (lane < kLanes) c_.txtKiro[lane]->SetFocus();
    return;
  }
  if (keyCode != kKeyEnter) return;
  const std::string text = box->Text();
  if (text.empty()) return;
  const std::size_t length = Utf8Length(text);
  if (length >= 7) {
    box->SetText("");
    return;
  }
  int caret = box->Caret();
  if (caret < 0) caret = 0;
  // Digits typed with an input method on read as their half-width twins.
  const std::string left = HalfWidthNumberText(Utf8Prefix(text, static_cast<std::size_t>(caret)));
  const double typed = LeadingValue(left);
  const std::optional<std::int32_t> rounded = RoundToInt32(typed);
  // A negative or oversized value is no time and no code: rejected like a
  // too long entry.
  if (!rounded || typed < 0) {
    box->SetText("");
    return;
  }
  std::int32_t value = *rounded;
  if (value >= 1 && value <= 7) value += kDisqualifiedBase;
  if (value == 8) value = kWithdrawn;
  if (value == 9) value = kNoTime;
  StoreTypedTime(lane, value);
  if (lane < kLanes) c_.txtKiro[lane]->SetFocus();
}

void RaceWindow::StoreTypedTime(int lane, std::int32_t value) {
  if (lane < 1 || lane > kLanes) return;
  TextBox* box = c_.txtKiro[lane - 1];
  reception_.SetLaneTime(lane, value);
  typed_[lane - 1] = value;
  box->SetText(TimeText(value));
  feed_->Publish(ManualEntryStored{book_.RaceNo, lane, value, box->Text()});
}

std::vector<int> RaceWindow::UnfinishedTypedLanes() const {
  std::vector<int> lanes;
  for (int lane = 1; lane <= kLanes; ++lane) {
    // A console result for the lane since then has replaced the typed value;
    // a typed 9 (no time) is what the cleared lane holds anyway.
    const std::optional<std::int32_t>& typed = typed_[lane - 1];
    if (typed && *typed != kNoTime && reception_.LaneTime(lane) == *typed) lanes.push_back(lane);
  }
  return lanes;
}

bool RaceWindow::ConfirmDroppingTypedEntries() {
  const std::vector<int> lanes = UnfinishedTypedLanes();
  if (lanes.empty()) return true;
  std::string names;
  for (int lane : lanes) names += (names.empty() ? "" : "・") + std::to_string(lane);
  // Enter keeps the entries: OK drops them.
  return messages_.AskOkCancelDefaultCancel(
      "レース " + std::to_string(book_.RaceNo) + " の " + names +
      " コースに入力した記録は、まだ確定されていません。\r"
      "このままレースを表示し直すと、入力した記録は消えます。\r"
      "よろしいですか？ (キャンセルでこのレースに戻ります)");
}

}  // namespace poolside
