#include "ui/backup_dialog.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/numbers.h"
#include "vocabulary/data_folder.h"

namespace poolside {

namespace {

std::string Pad(const std::string& text, std::size_t width) {
  // Fixed columns for a fixed font (ASCII figures; names go last).
  return text.size() >= width ? text + " " : text + std::string(width - text.size(), ' ');
}

std::string Join(const std::vector<std::string>& words, const char* between) {
  std::string out;
  for (const std::string& w : words) out += (out.empty() ? "" : between) + w;
  return out;
}

int Number(const QtTextBox* box) {
  const double v = LeadingValue(HalfWidthNumberText(box->Text()));
  return v >= 1 && v <= 100000 ? static_cast<int>(v) : 0;
}

}  // namespace

BackupDialog::BackupDialog(BackupPanel& panel, ControlRegistry& registry, QWidget* parent)
    : QDialog(parent), panel_(panel), b_(registry, "frmBackup", this) {
  setWindowTitle("予備計時");
  setObjectName("frmBackup");
  QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  auto* top = new QVBoxLayout(this);

  auto* pick = new QHBoxLayout;
  pick->addWidget(new QLabel("レース", this));
  race_ = b_.Box("txtRace");
  race_->Widget()->setFixedWidth(60);
  pick->addWidget(race_->Widget());
  state_ = b_.Caption("lblState");
  pick->addWidget(state_->Widget());
  pick->addStretch();
  top->addLayout(pick);

  auto* head = new QLabel(
      "コース 計時      ウォッチ                    予備      差      採用    記録      "
      "理由 / フラグ",
      this);
  head->setFont(mono);
  top->addWidget(head);
  for (int i = 0; i < kLanes; ++i) {
    rows_[i] = b_.Caption("lblRow", i);
    rows_[i]->Widget()->setFont(mono);
    top->addWidget(rows_[i]->Widget());
  }

  auto* entry = new QGridLayout;
  entry->addWidget(new QLabel("コース", this), 0, 0);
  lane_ = b_.Box("txtLane");
  lane_->Widget()->setFixedWidth(50);
  entry->addWidget(lane_->Widget(), 0, 1);
  entry->addWidget(new QLabel("ウォッチ (10456 = 1:04.56)", this), 0, 2);
  for (int i = 0; i < 3; ++i) {
    watches_[i] = b_.Box("txtWatch", i);
    watches_[i]->Widget()->setFixedWidth(90);
    entry->addWidget(watches_[i]->Widget(), 0, 3 + i);
  }
  entry->addWidget(new QLabel("採用 (console / backup / 時間)", this), 1, 0, 1, 3);
  use_ = b_.Box("txtUse");
  entry->addWidget(use_->Widget(), 1, 3);
  entry->addWidget(new QLabel("理由", this), 1, 4);
  reason_ = b_.Box("txtReason");
  entry->addWidget(reason_->Widget(), 1, 5);
  top->addLayout(entry);

  auto* buttons = new QHBoxLayout;
  QtButton* record = b_.Push("cmdRecord", "ウォッチを記録");
  QtButton* decide = b_.Push("cmdDecide", "決定");
  QtButton* sign = b_.Push("cmdSignOff", "公式にする");
  QtButton* closing = b_.Push("cmdClose", "閉じる");
  for (QtButton* b : {record, decide, sign}) buttons->addWidget(b->Widget());
  buttons->addStretch();
  buttons->addWidget(closing->Widget());
  top->addLayout(buttons);
  resize(900, 520);

  connect(record->Widget(), &QPushButton::clicked, this, [this] { Record(false); });
  connect(decide->Widget(), &QPushButton::clicked, this, [this] { Record(true); });
  connect(sign->Widget(), &QPushButton::clicked, this, [this] { SignOff(); });
  connect(closing->Widget(), &QPushButton::clicked, this, [this] { close(); });
  connect(race_->Widget(), &QLineEdit::editingFinished, this, [this] {
    if (const int race = Number(race_); race > 0 && race <= kBookRaces) {
      panel_.Select(race);
      Refresh();
    }
  });
  // A lane chosen: its watches and decision in the boxes.
  connect(lane_->Widget(), &QLineEdit::editingFinished, this, [this] {
    const int lane = Number(lane_);
    const auto result = panel_.Result();
    if (!result || lane < 1 || lane > kLanes) return;
    const LaneResult& l = result->lanes[LaneIndex(lane)];
    for (std::size_t i = 0; i < watches_.size(); ++i) {
      watches_[i]->SetText(i < l.watches.size() ? HundredthsText(l.watches[i]) : "");
    }
    use_->SetText(l.use == TimeUse::Typed ? HundredthsText(l.typed) : TimeUseWord(l.use));
    reason_->SetText(l.reason);
  });
}

void BackupDialog::ShowRace(int race) {
  race_->SetText(std::to_string(race));
  panel_.Select(race);
  Refresh();
}

void BackupDialog::Refresh() {
  if (panel_.Race() == 0) return;
  state_->SetCaption(panel_.State());
  const std::vector<BackupRow> rows = panel_.Rows();
  for (int i = 0; i < kLanes; ++i) {
    std::string text;
    for (const BackupRow& row : rows) {
      if (row.lane != i + 1) continue;
      text = Pad(std::to_string(row.lane), 6) + Pad(row.console, 10) +
             Pad(Join(row.watches, " "), 26) + Pad(row.backup, 10) + Pad(row.difference, 8) +
             Pad(row.used, 8) + Pad(row.time, 10) + row.reason +
             (row.flags.empty() ? "" : (row.reason.empty() ? "" : " / ") + Join(row.flags, ",")) +
             (row.open ? "  ← 要決定" : "");
    }
    rows_[i]->SetCaption(text);
    rows_[i]->Widget()->setStyleSheet(
        text.find("要決定") != std::string::npos ? "background:#ffc0c0" : "");
  }
}

void BackupDialog::SyncRace() {
  if (const int race = Number(race_); race > 0 && race <= kBookRaces && race != panel_.Race()) {
    panel_.Select(race);
  }
}

void BackupDialog::Record(bool decide) {
  SyncRace();
  const int lane = Number(lane_);
  std::vector<std::string> watches;
  for (QtTextBox* box : watches_) watches.push_back(box->Text());
  const bool done = decide ? panel_.Decide(lane, watches, use_->Text(), reason_->Text())
                           : panel_.Record(lane, watches);
  if (done) Refresh();
}

void BackupDialog::SignOff() {
  SyncRace();
  if (panel_.SignOff()) Refresh();
}

}  // namespace poolside
