#pragma once
// The touch repair dialog of the timing window (F7, menu 修正 → タッチの
// 修正): a race and lane, the lane's touches, the repair, a preview and an
// apply that asks first. Non-modal, beside the timing window; the logic is
// TouchRepairPanel.

#include <functional>
#include <memory>

#include <QDialog>

#include "timing/touch_repair_panel.h"

class QComboBox;
class QLineEdit;
class QListWidget;
class QLabel;
class QTableWidget;
class QSpinBox;

namespace poolside {

class TouchDialog : public QDialog {
 public:
  TouchDialog(RaceWindow& window, MessageSink& messages, QWidget* parent);
  // Shows lane `lane` of race `race`, the time box empty.
  void ShowRace(int race, int lane = 1);
  // Shown beside `beside` (the timing window), never over its lanes.
  void ShowBeside(QWidget* beside);
  // Tells whether race N is signed off (公式), for the question before a
  // repair.
  void SetOfficialCheck(std::function<bool(int race)> check) {
    panel_.isOfficial = std::move(check);
  }
  // The accept key (Alt+A): lane `lane` of race `race` accepted as it is.
  std::function<void(int race, int lane)> onAccept;

 private:
  void Reload();
  void ShowPreview();
  void Say(const QString& text);
  RepairKind Kind() const;
  int Index() const;

  TouchRepairPanel panel_;
  QSpinBox* race_;
  QSpinBox* lane_;
  QListWidget* touches_;
  QComboBox* kind_;
  QLineEdit* time_;
  QLabel* note_;
  QTableWidget* preview_;
};

}  // namespace poolside
