#include "ui/touch_dialog.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include "vocabulary/data_folder.h"
#include "vocabulary/lanes.h"

namespace poolside {

TouchDialog::TouchDialog(RaceWindow& window, MessageSink& messages, QWidget* parent)
    : QDialog(parent), panel_(window, messages) {
  setWindowTitle("タッチの修正");
  const QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  auto* top = new QVBoxLayout(this);

  auto* pick = new QHBoxLayout;
  pick->addWidget(new QLabel("レース", this));
  race_ = new QSpinBox(this);
  race_->setRange(1, kBookRaces);
  pick->addWidget(race_);
  pick->addWidget(new QLabel("コース", this));
  lane_ = new QSpinBox(this);
  lane_->setRange(1, kLanes);
  pick->addWidget(lane_);
  pick->addStretch();
  top->addLayout(pick);

  top->addWidget(new QLabel("タッチ (番号・記録・種別 L ラップ / G ゴール・スプリット)", this));
  touches_ = new QListWidget(this);
  touches_->setFont(mono);
  top->addWidget(touches_);

  auto* what = new QHBoxLayout;
  kind_ = new QComboBox(this);
  kind_->addItem("選んだタッチを削除 (誤タッチ)");
  kind_->addItem("選んだタッチの後に挿入 (タッチ漏れ)");
  kind_->addItem("選んだタッチをゴールにする");
  kind_->addItem("選んだゴールをラップにする");
  what->addWidget(kind_);
  what->addWidget(new QLabel("タイム", this));
  time_ = new QLineEdit(this);
  time_->setPlaceholderText("空欄: タイム不明");
  time_->setFixedWidth(120);
  what->addWidget(time_);
  top->addLayout(what);

  auto* buttons = new QHBoxLayout;
  auto* preview = new QPushButton("プレビュー", this);
  auto* apply = new QPushButton("適用", this);
  auto* close = new QPushButton("閉じる", this);
  buttons->addWidget(preview);
  buttons->addWidget(apply);
  // The lane looked at and accepted as it is: its open flag closes.
  auto* accept = new QPushButton("そのまま受け入れる(&A)", this);
  accept->setObjectName("cmdAccept");
  buttons->addWidget(accept);
  buttons->addStretch();
  buttons->addWidget(close);
  top->addLayout(buttons);
  preview_ = new QPlainTextEdit(this);
  preview_->setReadOnly(true);
  preview_->setFont(mono);
  top->addWidget(preview_);
  resize(640, 520);

  auto changed = [this] { Reload(); };
  connect(race_, &QSpinBox::valueChanged, this, changed);
  connect(lane_, &QSpinBox::valueChanged, this, changed);
  connect(kind_, &QComboBox::currentIndexChanged, this, [this](int k) {
    time_->setEnabled(k == 1);
    preview_->clear();
  });
  time_->setEnabled(false);
  connect(touches_, &QListWidget::currentRowChanged, this, [this] { preview_->clear(); });
  connect(preview, &QPushButton::clicked, this, [this] {
    preview_->setPlainText(QString::fromStdString(
        panel_.Preview(Kind(), Index(), time_->text().trimmed().toStdString())));
  });
  connect(apply, &QPushButton::clicked, this, [this] {
    const int row = touches_->currentRow();
    if (!panel_.Apply(Kind(), Index(), time_->text().trimmed().toStdString())) return;
    Reload();
    touches_->setCurrentRow(std::min(row, touches_->count() - 1));
    preview_->setPlainText("書き込みました。");
  });
  connect(close, &QPushButton::clicked, this, &QDialog::close);
  connect(accept, &QPushButton::clicked, this, [this] {
    if (onAccept) onAccept(race_->value(), lane_->value());
    preview_->setPlainText("このコースをそのまま受け入れました。");
  });
}

void TouchDialog::ShowRace(int race, int lane) {
  const QSignalBlocker blockRace(race_), blockLane(lane_);
  race_->setValue(race >= 1 && race <= kBookRaces ? race : 1);
  lane_->setValue(lane >= 1 && lane <= 10 ? lane : 1);
  Reload();
}

void TouchDialog::Reload() {
  touches_->clear();
  preview_->clear();
  if (!panel_.Select(race_->value(), lane_->value())) {
    preview_->setPlainText(QString::fromStdString(panel_.Problem()));
    return;
  }
  for (const std::string& line : panel_.Lines()) touches_->addItem(QString::fromStdString(line));
  if (panel_.Lines().empty()) preview_->setPlainText("このコースにタッチはありません。");
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
