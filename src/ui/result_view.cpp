#include "ui/result_view.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "vocabulary/data_folder.h"

namespace poolside {

ResultView::ResultView(ResultBoard& board, QWidget* parent)
    : QWidget(parent, Qt::Window), board_(board) {
  setWindowTitle("結果");
  setObjectName("frmResult");
  auto* top = new QVBoxLayout(this);
  auto* pick = new QHBoxLayout;
  pick->addWidget(new QLabel("レース", this));
  race_ = new QSpinBox(this);
  race_->setObjectName("txtRace");
  race_->setRange(1, kBookRaces);
  pick->addWidget(race_);
  auto* show = new QPushButton("表示", this);
  show->setObjectName("cmdShow");
  pick->addWidget(show);
  pick->addStretch();
  top->addLayout(pick);
  heading_ = new QLabel(this);
  heading_->setObjectName("lblHeading");
  heading_->setWordWrap(true);
  top->addWidget(heading_);
  table_ = new QTableWidget(0, 7, this);
  table_->setObjectName("grdResult");
  table_->setHorizontalHeaderLabels({"順位", "コース", "氏名", "所属", "記録", "確認", "ラップ"});
  table_->verticalHeader()->hide();
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->horizontalHeader()->setStretchLastSection(true);
  top->addWidget(table_);
  auto* actions = new QHBoxLayout;
  accept_ = new QPushButton("そのまま受け入れる(&A)", this);
  accept_->setObjectName("cmdAccept");
  accept_->setToolTip("選んだコースの要確認を、タッチを直さずにそのまま受け入れます");
  actions->addWidget(accept_);
  actions->addStretch();
  top->addLayout(actions);
  connect(accept_, &QPushButton::clicked, this, [this] { AcceptSelected(); });
  resize(880, 420);
  connect(show, &QPushButton::clicked, this, [this] { board_.Show(race_->value()); });
  board_.onChange = [this] { Refresh(); };
  Refresh();
}

void ResultView::ShowBeside(QWidget* beside) {
  if (!isVisible() && beside != nullptr) {
    const QRect g = beside->frameGeometry();
    move(g.right() + 8, g.top());
  }
  show();
  raise();
}

bool ResultView::SelectLane(int lane) {
  for (int i = 0; i < table_->rowCount(); ++i) {
    const QTableWidgetItem* item = table_->item(i, 1);
    if (item != nullptr && item->text().toInt() == lane) {
      table_->selectRow(i);
      return true;
    }
  }
  return false;
}

void ResultView::AcceptSelected() {
  const int row = table_->currentRow();
  const QTableWidgetItem* item = row >= 0 ? table_->item(row, 1) : nullptr;
  if (item == nullptr) return;
  if (const auto accepted = board_.Accept(item->text().toInt()); accepted && onAccept) {
    onAccept(*accepted);
  }
}

void ResultView::Refresh() {
  if (board_.Race() > 0) race_->setValue(board_.Race());
  heading_->setText(QString::fromStdString(board_.Heading()));
  const std::vector<ResultRow> rows = board_.Rows();
  table_->setRowCount(static_cast<int>(rows.size()));
  for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
    const ResultRow& r = rows[static_cast<std::size_t>(i)];
    const QString cells[] = {QString::fromStdString(r.rank),   QString::number(r.lane),
                             QString::fromStdString(r.name),   QString::fromStdString(r.club),
                             QString::fromStdString(r.result), QString::fromStdString(r.mark),
                             QString::fromStdString(r.splits)};
    for (int c = 0; c < 7; ++c) {
      auto* item = new QTableWidgetItem(cells[c]);
      if (!r.mark.empty()) item->setBackground(QColor(255, 224, 160));
      table_->setItem(i, c, item);
    }
  }
  table_->resizeColumnsToContents();
}

}  // namespace poolside
