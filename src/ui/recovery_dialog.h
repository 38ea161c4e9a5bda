#pragma once
// The recovery dialog of the timing window (Ctrl+R): the captured races,
// the race to re-time into, a preview and an apply that asks first. Apply
// is disabled while the window is receiving.

#include <functional>

#include <QDialog>

#include "capture/recovery_panel.h"

class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

namespace poolside {

class RecoveryDialog : public QDialog {
 public:
  RecoveryDialog(RecoveryPanel& panel, int currentRace, bool receiving, QWidget* parent);

 private:
  void ShowPreview();
  void ApplySelected();
  int SelectedIndex() const;

  RecoveryPanel& panel_;
  bool receiving_;
  QListWidget* list_;
  QSpinBox* race_;
  QPlainTextEdit* preview_;
  QPushButton* apply_;
};

}  // namespace poolside
