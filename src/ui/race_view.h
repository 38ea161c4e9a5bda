#pragma once
// The timing window frmRace: builds its widgets, hands their adapters to the
// logic (RaceControls) and connects the widgets' events to RaceWindow through
// the window's wiring (timing/race_wiring.h).

#include <array>
#include <functional>
#include <memory>

#include <QWidget>

#include "platform/messages.h"
#include "timing/race_window.h"
#include "ui/view_builder.h"

class QAction;
class QMenu;

namespace poolside {

class RaceView : public QWidget {
 public:
  explicit RaceView(ControlRegistry& registry);
  const RaceControls& Controls() const { return controls_; }
  // Connects the widgets to the window's handlers; failures the handlers
  // throw are shown through `messages`.
  void Wire(RaceWindow& race, MessageSink& messages);
  // The link-health label lblLink (shown by LinkWatch).
  Label* LinkLabel() const { return lblLink_; }
  // The marks beside the lane rows (lblFlag(0..9)), for FlagMarks.
  std::array<Label*, kLanes> FlagLabels() const {
    std::array<Label*, kLanes> out{};
    for (int i = 0; i < kLanes; ++i) out[i] = flags_[i];
    return out;
  }
  // Runs on Ctrl+R (opens the recovery dialog).
  std::function<void()> onRecover;
  // Runs on F7 and 修正 → タッチの修正 (opens the touch repair dialog).
  std::function<void()> onRepairTouches;
  // The backup window (F9) and the sign-off of the race finished last (F10).
  std::function<void()> onBackups;
  std::function<void()> onSignOff;
  // Runs on F8 and 表示 → 結果 (shows the result view).
  std::function<void()> onShowResults;
  // Runs on 大会 → 名簿の取り込み (copies a chosen entry list into the folder).
  std::function<void()> onImportEntries;
  // 大会 → 計時席に昇格 (mShokaku), shown on a second desk only: `run` is
  // called when chosen; null takes the entry away again.
  void OfferPromotion(std::function<void()> run);
  // Runs when the "競技" button is clicked (opens the competition screen).
  std::function<void()> onOpenCompetition;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  ViewBuilder b_;
  RaceControls controls_;
  QtButton* cmdKyogi_ = nullptr;
  QtLabel* lblLink_ = nullptr;
  QMenu* meetMenu_ = nullptr;
  QAction* promote_ = nullptr;
  std::function<void()> onPromote_;
  std::array<QtLabel*, kLanes> flags_{};
  RaceWindow* race_ = nullptr;
};

}  // namespace poolside
