#pragma once
// The recovery dialog of the timing window (Ctrl+R): the captured races as
// a table, the race to re-time into, a preview table beside the race's
// files as they are now, and an apply that asks first. It does not block
// the window: reception can be stopped there or with the dialog's own
// button, and apply is enabled only while reception is stopped.

#include <functional>

#include <QDialog>

#include "feed/race_feed.h"
#include "recovery/recovery_panel.h"

class QLabel;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace poolside {

class RecoveryDialog : public QDialog {
 public:
  // `receiving` tells whether the window receives now; `stopReception`
  // stops it as 停止 does. The dialog follows the window's reception on
  // `feed` (its reception starting and stopping), which outlives it.
  RecoveryDialog(RecoveryPanel& panel, int currentRace, RaceFeed& feed,
                 std::function<bool()> receiving, std::function<void()> stopReception,
                 QWidget* parent);
  ~RecoveryDialog() override;

  // Brings the buttons and the note up to date with the window's reception.
  void UpdateReception();

 private:
  void FillRaces();
  void ShowPreview();
  void ApplySelected();
  int SelectedIndex() const;

  // Reception started or stopped in the window: the buttons follow.
  struct ReceptionWatch : RaceListener {
    RecoveryDialog* dialog = nullptr;
    void OnRaceEvent(const RaceEvent& event) override;
  };

  RecoveryPanel& panel_;
  RaceFeed& feed_;
  ReceptionWatch watch_;
  std::function<bool()> receiving_;
  std::function<void()> stopReception_;
  QTableWidget* races_;
  QSpinBox* race_;
  QLabel* target_;
  QTableWidget* preview_;
  QLabel* statuses_;
  QPushButton* apply_;
  QPushButton* stop_;
  QLabel* receivingNote_;
};

}  // namespace poolside
