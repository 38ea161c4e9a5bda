#include "timing/touch_flags.h"

namespace poolside {

void TouchFlagger::OnRaceEvent(const RaceEvent& event) {
  if (auto flag = watch_.Take(event)) {
    host_.Post([this, f = *flag] { feed_.Publish(f); });
  }
}

void FlagMarks::OnRaceEvent(const RaceEvent& event) {
  if (std::holds_alternative<RaceShown>(event)) {
    for (Label* mark : marks_) {
      if (mark == nullptr) continue;
      mark->SetCaption("");
      mark->SetBackColor(kFaceColor);
    }
  } else if (const auto* f = std::get_if<LaneFlagged>(&event)) {
    if (f->lane < 1 || f->lane > kLanes || marks_[f->lane - 1] == nullptr) return;
    Label* mark = marks_[f->lane - 1];
    const bool on =
        f->reason != LaneFlagged::Reason::Cleared && f->reason != LaneFlagged::Reason::Accepted;
    mark->SetCaption(on ? "確認: " + f->message : "");
    mark->SetBackColor(on ? kFlagColor : kFaceColor);
  }
}

}  // namespace poolside
