#pragma once
// The result view beside the timing window (F8, menu 表示 → 結果): rank,
// time or status text and splits of each lane of the race finished last, or
// of any race chosen; lanes without a finish are marked. Shows ResultBoard.

#include <QWidget>

#include <functional>

#include "results/result_board.h"

class QLabel;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace poolside {

class ResultView : public QWidget {
 public:
  // `board` outlives the view.
  explicit ResultView(ResultBoard& board, QWidget* parent = nullptr);
  // Shows the window to the right of `beside`.
  void ShowBeside(QWidget* beside);
  void Refresh();
  // The accept key (Alt+A, or its button): the lane of the row chosen is
  // accepted as it is when it has an open flag.
  std::function<void(const LaneFlagged&)> onAccept;
  // Chooses the row of lane `lane`; false when no row shows it.
  bool SelectLane(int lane);
  void AcceptSelected();

 private:
  ResultBoard& board_;
  QSpinBox* race_;
  QLabel* heading_;
  QTableWidget* table_;
  QPushButton* accept_;
};

}  // namespace poolside
