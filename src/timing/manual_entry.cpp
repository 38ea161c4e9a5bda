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
  const std::string left = Utf8Prefix(text, static_cast<std::size_t>(caret));
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
  reception_.SetLaneTime(lane, value);
  box->SetText(TimeText(value));
  feed_->Publish(ManualEntryStored{book_.RaceNo, lane, value, box->Text()});
  if (lane < kLanes) c_.txtKiro[lane]->SetFocus();
}

}  // namespace poolside
