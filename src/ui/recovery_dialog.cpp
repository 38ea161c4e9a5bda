#include "ui/recovery_dialog.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace poolside {

RecoveryDialog::RecoveryDialog(RecoveryPanel& panel, int currentRace, bool receiving,
                               QWidget* parent)
    : QDialog(parent), panel_(panel), receiving_(receiving) {
  setWindowTitle("記録からの再計時");
  auto* top = new QVBoxLayout(this);
  list_ = new QListWidget(this);
  const QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  list_->setFont(mono);
  top->addWidget(new QLabel("記録されたレース", this));
  top->addWidget(list_);
  if (!panel_.Refresh() || !panel_.Problem().empty()) {
    top->addWidget(new QLabel(QString::fromStdString(panel_.Problem()), this));
  }
  for (const std::string& line : panel_.Lines()) list_->addItem(QString::fromStdString(line));

  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel("レース番号", this));
  race_ = new QSpinBox(this);
  race_->setRange(1, 1024);
  race_->setValue(currentRace >= 1 && currentRace <= 1024 ? currentRace : 1);
  row->addWidget(race_);
  auto* preview = new QPushButton("プレビュー", this);
  apply_ = new QPushButton("適用", this);
  auto* close = new QPushButton("閉じる", this);
  row->addWidget(preview);
  row->addWidget(apply_);
  row->addStretch();
  row->addWidget(close);
  top->addLayout(row);
  if (receiving_) {
    apply_->setEnabled(false);
    top->addWidget(new QLabel("受信中は適用できません。受信を停止してください。", this));
  }
  preview_ = new QPlainTextEdit(this);
  preview_->setReadOnly(true);
  preview_->setFont(mono);
  top->addWidget(preview_);
  resize(900, 600);

  connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0 && row < static_cast<int>(panel_.Races().size())) {
      race_->setValue(panel_.Races()[static_cast<std::size_t>(row)].race);
    }
    preview_->clear();
  });
  connect(preview, &QPushButton::clicked, this, [this] { ShowPreview(); });
  connect(apply_, &QPushButton::clicked, this, [this] { ApplySelected(); });
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

int RecoveryDialog::SelectedIndex() const { return list_->currentRow() + 1; }

void RecoveryDialog::ShowPreview() {
  preview_->setPlainText(QString::fromStdString(panel_.Preview(SelectedIndex(), race_->value())));
}

void RecoveryDialog::ApplySelected() {
  if (panel_.Apply(SelectedIndex(), race_->value(), receiving_)) {
    preview_->setPlainText("書き込みました。\n" + preview_->toPlainText());
  }
}

}  // namespace poolside
