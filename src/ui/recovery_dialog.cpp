#include "ui/recovery_dialog.h"

#include <QBrush>
#include <QColor>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "vocabulary/data_folder.h"

namespace poolside {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

QTableWidget* Table(const QStringList& headings, QWidget* parent) {
  auto* t = new QTableWidget(0, static_cast<int>(headings.size()), parent);
  t->setHorizontalHeaderLabels(headings);
  t->verticalHeader()->setVisible(false);
  t->setEditTriggers(QAbstractItemView::NoEditTriggers);
  t->setSelectionBehavior(QAbstractItemView::SelectRows);
  t->setSelectionMode(QAbstractItemView::SingleSelection);
  t->horizontalHeader()->setStretchLastSection(true);
  return t;
}

void Put(QTableWidget* t, int row, int column, const std::string& text, bool marked = false) {
  auto* item = new QTableWidgetItem(Q(text));
  if (marked) {
    item->setBackground(QBrush(QColor(255, 230, 140)));
    QFont f = item->font();
    f.setBold(true);
    item->setFont(f);
  }
  t->setItem(row, column, item);
}

}  // namespace

RecoveryDialog::RecoveryDialog(RecoveryPanel& panel, int currentRace, RaceFeed& feed,
                               std::function<bool()> receiving, std::function<void()> stopReception,
                               QWidget* parent)
    : QDialog(parent),
      panel_(panel),
      feed_(feed),
      receiving_(std::move(receiving)),
      stopReception_(std::move(stopReception)) {
  setObjectName("frmRecover");
  setWindowTitle("記録からの再計時");
  setModal(false);
  auto* top = new QVBoxLayout(this);
  top->addWidget(new QLabel("記録されたレース (選ぶとそのレース番号が入ります)", this));
  races_ = Table({"記録", "レース", "プロ-組", "種目", "開始", "終了", "状態", "ゴールしたコース"},
                 this);
  races_->setObjectName("grdRaces");
  top->addWidget(races_, 2);
  if (!panel_.Refresh() || !panel_.Problem().empty()) {
    top->addWidget(new QLabel(Q(panel_.Problem()), this));
  }
  FillRaces();

  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel("再計時するレース番号", this));
  race_ = new QSpinBox(this);
  race_->setObjectName("txtRace");
  race_->setRange(1, kBookRaces);
  race_->setValue(currentRace >= 1 && currentRace <= kBookRaces ? currentRace : 1);
  row->addWidget(race_);
  auto* preview = new QPushButton("プレビュー", this);
  apply_ = new QPushButton("適用", this);
  stop_ = new QPushButton("受信を停止", this);
  auto* close = new QPushButton("閉じる", this);
  preview->setObjectName("cmdPreview");
  apply_->setObjectName("cmdApply");
  stop_->setObjectName("cmdStop");
  close->setObjectName("cmdClose");
  row->addWidget(preview);
  row->addWidget(apply_);
  row->addStretch();
  row->addWidget(stop_);
  row->addWidget(close);
  top->addLayout(row);
  receivingNote_ =
      new QLabel("受信中は適用できません。ここか計時画面で受信を停止してください。", this);
  receivingNote_->setObjectName("lblReceiving");
  top->addWidget(receivingNote_);

  target_ = new QLabel(this);
  target_->setObjectName("lblTarget");
  top->addWidget(target_);
  preview_ = Table({"コース", "順位 (再計時)", "記録 (再計時)", "ラップ (再計時)", "順位 (現在)",
                    "記録 (現在)", "ラップ (現在)", "違い"},
                   this);
  preview_->setObjectName("grdPreview");
  top->addWidget(preview_, 3);
  statuses_ = new QLabel(this);
  statuses_->setObjectName("lblStatuses");
  statuses_->setWordWrap(true);
  top->addWidget(statuses_);
  resize(1000, 680);

  // Picking a captured race previews it into its own race at once.
  connect(races_, &QTableWidget::currentCellChanged, this, [this](int r, int, int, int) {
    if (r >= 0 && r < static_cast<int>(panel_.Races().size())) {
      race_->setValue(panel_.Races()[static_cast<std::size_t>(r)].race);
      UpdateReception();
      ShowPreview();
    }
  });
  connect(preview, &QPushButton::clicked, this, [this] { ShowPreview(); });
  connect(apply_, &QPushButton::clicked, this, [this] { ApplySelected(); });
  connect(stop_, &QPushButton::clicked, this, [this] {
    if (receiving_()) stopReception_();
    UpdateReception();
  });
  connect(close, &QPushButton::clicked, this, &QDialog::close);
  // The window goes on while the dialog is open: follow its reception.
  watch_.dialog = this;
  feed_.Attach(watch_);
  UpdateReception();
  // The latest finished captured race is the likeliest to need it.
  if (const int suggested = panel_.SuggestedIndex(); suggested > 0) {
    races_->setCurrentCell(suggested - 1, 0);
  }
}

RecoveryDialog::~RecoveryDialog() { feed_.Detach(watch_); }

void RecoveryDialog::ReceptionWatch::OnRaceEvent(const RaceEvent& event) {
  if (std::holds_alternative<ReceptionStarted>(event) ||
      std::holds_alternative<ReceptionStopped>(event)) {
    dialog->UpdateReception();
  }
}

void RecoveryDialog::FillRaces() {
  const std::vector<CapturedRaceRow> rows = panel_.Rows();
  races_->setRowCount(static_cast<int>(rows.size()));
  for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
    const CapturedRaceRow& r = rows[static_cast<std::size_t>(i)];
    const std::string cells[] = {r.index, r.race, r.programHeat, r.event,
                                 r.start, r.end,  r.finished,    r.lanes};
    for (int c = 0; c < 8; ++c) Put(races_, i, c, cells[c]);
  }
  races_->resizeColumnsToContents();
}

void RecoveryDialog::UpdateReception() {
  const bool on = receiving_();
  // Nothing to re-time in a stretch without a touch.
  apply_->setEnabled(!on && panel_.HasTouches(SelectedIndex()));
  stop_->setEnabled(on);
  receivingNote_->setVisible(on);
}

int RecoveryDialog::SelectedIndex() const { return races_->currentRow() + 1; }

void RecoveryDialog::ShowPreview() {
  RetimingPreview p;
  std::string problem;
  preview_->setRowCount(0);
  if (!panel_.PreviewTable(SelectedIndex(), race_->value(), p, problem)) {
    target_->setText(Q(problem));
    statuses_->clear();
    return;
  }
  target_->setText(Q("レース " + std::to_string(race_->value()) + " " + p.target +
                     " として再計時すると (色のついた行が今のファイルと違います)"));
  preview_->setRowCount(static_cast<int>(p.lanes.size()));
  for (int i = 0; i < static_cast<int>(p.lanes.size()); ++i) {
    const PreviewRow& r = p.lanes[static_cast<std::size_t>(i)];
    const bool m = r.differs;
    Put(preview_, i, 0, std::to_string(r.lane), m);
    Put(preview_, i, 1, r.retimed.rank, m && r.retimed.rank != r.now.rank);
    Put(preview_, i, 2, r.retimed.result, m && r.retimed.result != r.now.result);
    Put(preview_, i, 3, r.retimed.splits, m && r.retimed.splits != r.now.splits);
    Put(preview_, i, 4, r.now.rank);
    Put(preview_, i, 5, r.now.result);
    Put(preview_, i, 6, r.now.splits);
    Put(preview_, i, 7, m ? "＊ 違う" : "", m);
  }
  preview_->resizeColumnsToContents();
  std::string lines;
  for (const std::string& s : p.statuses) lines += (lines.empty() ? "状態: " : "、 ") + s;
  for (const std::string& s : p.problems) lines += "\n今のファイル: " + s;
  statuses_->setText(Q(lines));
}

void RecoveryDialog::ApplySelected() {
  if (panel_.Apply(SelectedIndex(), race_->value(), receiving_())) {
    target_->setText("書き込みました。");
    ShowPreview();
  }
}

}  // namespace poolside
