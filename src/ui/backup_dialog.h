#pragma once
// The backup window of the timing desk (frmBackup; F9, menu 修正 → 予備計時):
// one race's lanes with their watches and official times, a lane's watches
// typed in the order of the timekeepers' cards, the time to use with its
// reason, the sign-off (F10 in the timing window, or 公式にする here) and
// the slip. Non-modal, beside the timing window; the logic is BackupPanel.

#include <array>
#include <functional>
#include <memory>

#include <QDialog>

#include "app/backup_panel.h"
#include "platform/qt/qt_controls.h"
#include "ui/view_builder.h"

namespace poolside {

class BackupDialog : public QDialog {
 public:
  BackupDialog(BackupPanel& panel, ControlRegistry& registry, QWidget* parent);
  // Shows race `race`.
  void ShowRace(int race);
  // Signs the race shown off (asks first).
  void SignOff();
  // Shown again after any change of the race (the owner told it).
  void Refresh();

 private:
  void Record(bool decide);
  void SyncRace();  // the race typed in txtRace

  BackupPanel& panel_;
  ViewBuilder b_;
  QtTextBox* race_;
  QtLabel* state_;
  std::array<QtLabel*, 10> rows_{};
  QtTextBox* lane_;
  std::array<QtTextBox*, 3> watches_{};
  QtTextBox* use_;
  QtTextBox* reason_;
};

}  // namespace poolside
