#include "ui/touch_dialog.h"

#include <QBrush>
#include <QColor>
#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "vocabulary/data_folder.h"
#include "vocabulary/lanes.h"

namespace poolside {

TouchDialog::TouchDialog(RaceWindow& window, MessageSink& messages, QWidget* parent)
    : QDialog(parent), panel_(window, messages) {
  setWindowTitle("タッチの修正");
  setObjectName("frmTouch");
  const QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  auto* top = new QVBoxLayout(this);

  auto* pick = new QHBoxLayout;
  pick->addWidget(new QLabel("レース", this));
  race_ = new QSpinBox(this);
  race_->setObjectName("txtRace");
  race_->setRange(1, kBookRaces);
  pick->addWidget(race_);
  pick->addWidget(new QLabel("コース", this));
  lane_ = new QSpinBox(this);
  lane_->setObjectName("txtLane");
  lane_->setRange(1, kLanes);
  pick->addWidget(lane_);
  pick->addStretch();
  top->addLayout(pick);

  top->addWidget(new QLabel("タッチ (番号・記録・種別 L ラップ / G ゴール・スプリット)", this));
  touches_ = new QListWidget(this);
  touches_->setObjectName("lstTouches");
  touches_->setFont(mono);
  top->addWidget(touches_);

  auto* what = new QHBoxLayout;
  kind_ = new QComboBox(this);
  kind_->setObjectName("cboKind");
  kind_->addItem("選んだタッチを削除 (誤タッチ)");
  kind_->addItem("選んだタッチの後に挿入 (タッチ漏れ)");
  kind_->addItem("選んだタッチをゴールにする");
  kind_->addItem("選んだゴールをラップにする");
  what->addWidget(kind_);
  what->addWidget(new QLabel("タイム", this));
  time_ = new QLineEdit(this);
  time_->setObjectName("txtTime");
  time_->setPlaceholderText("空欄: タイム不明");
  time_->setFixedWidth(120);
  what->addWidget(time_);
  top->addLayout(what);

  auto* buttons = new QHBoxLayout;
  auto* preview = new QPushButton("プレビュー", this);
  auto* apply = new QPushButton("適用", this);
  auto* close = new QPushButton("閉じる", this);
  preview->setObjectName("cmdPreview");
  apply->setObjectName("cmdApply");
  close->setObjectName("cmdClose");
  buttons->addWidget(preview);
  buttons->addWidget(apply);
  // The lane looked at and accepted as it is: its open flag closes.
  auto* accept = new QPushButton("そのまま受け入れる(&A)", this);
  accept->setObjectName("cmdAccept");
  buttons->addWidget(accept);
  buttons->addStretch();
  buttons->addWidget(close);
  top->addLayout(buttons);
  note_ = new QLabel(this);
  note_->setObjectName("lblNote");
  note_->setWordWrap(true);
  top->addWidget(note_);
  // The lane's touches before and after the repair, side by side.
  preview_ = new QTableWidget(0, 9, this);
  preview_->setObjectName("grdPreview");
  preview_->setHorizontalHeaderLabels({"番号", "修正前 記録", "スプリット", "距離", "種別",
                                       "修正後 記録", "スプリット", "距離", "種別"});
  preview_->verticalHeader()->setVisible(false);
  preview_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  top->addWidget(preview_);
  resize(720, 560);

  auto changed = [this] { Reload(); };
  connect(race_, &QSpinBox::valueChanged, this, changed);
  connect(lane_, &QSpinBox::valueChanged, this, changed);
  connect(kind_, &QComboBox::currentIndexChanged, this, [this](int k) {
    time_->setEnabled(k == 1);
    Say("");
  });
  time_->setEnabled(false);
  connect(touches_, &QListWidget::currentRowChanged, this, [this] { Say(""); });
  connect(preview, &QPushButton::clicked, this, [this] { ShowPreview(); });
  connect(apply, &QPushButton::clicked, this, [this] {
    const int row = touches_->currentRow();
    if (!panel_.Apply(Kind(), Index(), time_->text().trimmed().toStdString())) return;
    Reload();
    touches_->setCurrentRow(std::min(row, touches_->count() - 1));
    Say("書き込みました。");
  });
  connect(close, &QPushButton::clicked, this, &QDialog::close);
  connect(accept, &QPushButton::clicked, this, [this] {
    if (onAccept) onAccept(race_->value(), lane_->value());
    Say("このコースをそのまま受け入れました。");
  });
}

void TouchDialog::ShowRace(int race, int lane) {
  const QSignalBlocker blockRace(race_), blockLane(lane_);
  race_->setValue(race >= 1 && race <= kBookRaces ? race : 1);
  lane_->setValue(lane >= 1 && lane <= 10 ? lane : 1);
  Reload();
}

void TouchDialog::ShowBeside(QWidget* beside) {
  if (!isVisible() && beside != nullptr) {
    const QRect g = beside->frameGeometry();
    move(g.right() + 8, g.top());
  }
  show();
  raise();
}

void TouchDialog::Say(const QString& text) {
  note_->setText(text);
  preview_->setRowCount(0);
}

void TouchDialog::Reload() {
  touches_->clear();
  // Each race and lane starts with an empty time: a time typed for another
  // lane is never offered here.
  time_->clear();
  Say("");
  if (!panel_.Select(race_->value(), lane_->value())) {
    Say(QString::fromStdString(panel_.Problem()));
    return;
  }
  for (const std::string& line : panel_.Lines()) touches_->addItem(QString::fromStdString(line));
  if (panel_.Lines().empty()) Say("このコースにタッチはありません。");
}

void TouchDialog::ShowPreview() {
  std::vector<TouchRow> before, after;
  std::string why;
  if (!panel_.PreviewRows(Kind(), Index(), time_->text().trimmed().toStdString(), before, after,
                          why)) {
    Say(QString::fromStdString(why));
    return;
  }
  note_->setText("修正前と修正後のタッチ (色のついた行が変わります)");
  const std::size_t rows = std::max(before.size(), after.size());
  preview_->setRowCount(static_cast<int>(rows));
  auto put = [this](std::size_t row, int column, const std::string& text, bool changed) {
    auto* item = new QTableWidgetItem(QString::fromStdString(text));
    if (changed) item->setBackground(QBrush(QColor(255, 230, 140)));
    preview_->setItem(static_cast<int>(row), column, item);
  };
  for (std::size_t i = 0; i < rows; ++i) {
    const TouchRow* b = i < before.size() ? &before[i] : nullptr;
    const TouchRow* a = i < after.size() ? &after[i] : nullptr;
    const bool changed = !b || !a || b->time != a->time || b->kind != a->kind;
    put(i, 0, std::to_string(i + 1), changed);
    auto side = [&](const TouchRow* r, int column) {
      put(i, column, r ? r->time : "", changed);
      put(i, column + 1, r ? r->split : "", changed);
      put(i, column + 2, r && r->distance > 0 ? std::to_string(r->distance) + "m" : "", changed);
      put(i, column + 3, r ? std::string(r->kind == 'G' ? "ゴール" : "ラップ") : "", changed);
    };
    side(b, 1);
    side(a, 5);
  }
  preview_->resizeColumnsToContents();
}

RepairKind TouchDialog::Kind() const {
  switch (kind_->currentIndex()) {
    case 1:
      return RepairKind::InsertAfter;
    case 2:
      return RepairKind::AsFinish;
    case 3:
      return RepairKind::AsLap;
    default:
      return RepairKind::Drop;
  }
}

// The selected touch, from 1; inserting with none selected goes before the
// first touch.
int TouchDialog::Index() const { return touches_->currentRow() + 1; }

}  // namespace poolside
