#include "ui/race_view.h"

#include "reception/console_line.h"
#include "timing/race_wiring.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMenu>
#include <QMenuBar>
#include <QVBoxLayout>

namespace poolside {

RaceView::RaceView(ControlRegistry& registry) : b_(registry, "frmRace", this) {
  setWindowTitle(race_texts::kCaption);
  auto& c = controls_;
  QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  mono.setPointSize(12);

  auto* top = new QVBoxLayout(this);
  // A menu bar of its own above the header: repairs and the result view,
  // reached by their keys as well.
  auto* bar = new QMenuBar(this);
  top->setMenuBar(bar);
  QMenu* fix = b_.BarMenu(bar, "mShusei", "修正");
  QAction* touches = b_.Menu(fix, "mTouches", "タッチの修正...");
  touches->setShortcut(QKeySequence(Qt::Key_F7));
  touches->setShortcutContext(Qt::WindowShortcut);
  connect(touches, &QAction::triggered, this, [this] {
    if (onRepairTouches) onRepairTouches();
  });
  QAction* backups = b_.Menu(fix, "mBackup", "予備計時...");
  backups->setShortcut(QKeySequence(Qt::Key_F9));
  backups->setShortcutContext(Qt::WindowShortcut);
  connect(backups, &QAction::triggered, this, [this] {
    if (onBackups) onBackups();
  });
  QAction* signOff = b_.Menu(fix, "mOfficial", "公式にする...");
  signOff->setShortcut(QKeySequence(Qt::Key_F10));
  signOff->setShortcutContext(Qt::WindowShortcut);
  connect(signOff, &QAction::triggered, this, [this] {
    if (onSignOff) onSignOff();
  });
  // Re-timing from the capture: Ctrl+R, and an entry of its own.
  QAction* recover = b_.Menu(fix, "mRecover", "記録からの再計時...");
  recover->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
  recover->setShortcutContext(Qt::WindowShortcut);
  connect(recover, &QAction::triggered, this, [this] {
    if (onRecover) onRecover();
  });
  QMenu* view = b_.BarMenu(bar, "mHyoji", "表示");
  QAction* results = b_.Menu(view, "mKekka", "結果...");
  results->setShortcut(QKeySequence(Qt::Key_F8));
  results->setShortcutContext(Qt::WindowShortcut);
  connect(results, &QAction::triggered, this, [this] {
    if (onShowResults) onShowResults();
  });
  QMenu* meet = b_.BarMenu(bar, "mTaikai", "大会");
  meetMenu_ = meet;
  QAction* entries = b_.Menu(meet, "mMeibo", "名簿の取り込み...");
  connect(entries, &QAction::triggered, this, [this] {
    if (onImportEntries) onImportEntries();
  });

  // Race header.
  auto* header = new QGridLayout;
  c.lblRace = b_.Caption("lblRace", -1, "レースＮｏ．");
  c.lblPNo = b_.Caption("lblPNo");
  c.lblKumi = b_.Caption("lblKumi");
  c.lblSei = b_.Caption("lblSei");
  c.lblKubun = b_.Caption("lblKubun");
  c.lblShu = b_.Caption("lblShu");
  c.lblYoKetu = b_.Caption("lblYoKetu");
  c.lblNin = b_.Caption("lblNin");
  QtLabel* label1 = b_.Caption("Label1", -1, "プロNo");
  QtLabel* label2 = b_.Caption("Label2", -1, "組");
  QtLabel* label5 = b_.Caption("Label5", -1, "種目");
  QtLabel* label6 = b_.Caption("Label6", -1, "人数");
  QtLabel* label4 = b_.Caption("Label4", -1, "結合");
  c.txtKetugo = b_.Box("txtKetugo");
  c.txtKetugo->SetToolTip(race_texts::kStatusTip);
  W(c.txtKetugo)->setFixedWidth(40);
  QFont big = font();
  big.setPointSize(16);
  big.setBold(true);
  W(c.lblRace)->setFont(big);
  W(c.lblRace)->setMinimumWidth(90);
  W(c.lblRace)->setAlignment(Qt::AlignCenter);
  header->addWidget(W(c.lblRace), 0, 0, 2, 1);
  header->addWidget(label1->Widget(), 0, 1);
  header->addWidget(W(c.lblPNo), 0, 2);
  header->addWidget(label2->Widget(), 0, 3);
  header->addWidget(W(c.lblKumi), 0, 4);
  header->addWidget(W(c.lblSei), 0, 5);
  header->addWidget(W(c.lblKubun), 0, 6);
  header->addWidget(label5->Widget(), 1, 1);
  header->addWidget(W(c.lblShu), 1, 2, 1, 3);
  header->addWidget(W(c.lblYoKetu), 1, 5);
  header->addWidget(label6->Widget(), 1, 6);
  header->addWidget(W(c.lblNin), 1, 7);
  header->addWidget(label4->Widget(), 0, 7);
  header->addWidget(W(c.txtKetugo), 0, 8);
  top->addLayout(header);

  // Race selection, clock.
  auto* sel = new QHBoxLayout;
  c.txtBiko = b_.Box("txtBiko");
  c.txtBiko->SetToolTip(race_texts::kSelectTip);
  c.lblTimer = b_.Caption("lblTimer");
  W(c.lblTimer)->setFont(big);
  W(c.lblTimer)->setMinimumWidth(140);
  sel->addWidget(W(c.txtBiko));
  sel->addStretch();
  sel->addWidget(W(c.lblTimer));
  top->addLayout(sel);

  // Lane rows.
  auto* lanes = new QGridLayout;
  QtLabel* label7 = b_.Caption("Label7", -1, "ｺｰｽ順位  記 録   距離");
  W(label7)->setFont(mono);
  lanes->addWidget(label7->Widget(), 0, 1, 1, 3);
  lanes->setColumnStretch(4, 1);  // rows stay left-aligned when the window grows
  for (int i = 0; i < kLanes; ++i) {
    auto* lane = new QLabel(QString::number(i + 1), this);
    lane->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lane->setFixedWidth(24);
    c.txtJun[i] = b_.Box("txtJun", i);
    c.txtKiro[i] = b_.Box("txtKiro", i);
    c.txtShukai[i] = b_.Box("txtShukai", i);
    c.txtKiro[i]->SetToolTip(race_texts::kTimeTip);
    for (TextBox* box : {c.txtJun[i], c.txtKiro[i], c.txtShukai[i]}) W(box)->setFont(mono);
    W(c.txtJun[i])->setFixedWidth(50);
    W(c.txtKiro[i])->setFixedWidth(130);
    W(c.txtShukai[i])->setFixedWidth(70);
    lanes->addWidget(lane, i + 1, 0);
    lanes->addWidget(W(c.txtJun[i]), i + 1, 1);
    lanes->addWidget(W(c.txtKiro[i]), i + 1, 2);
    lanes->addWidget(W(c.txtShukai[i]), i + 1, 3);
    // The mark of a suspicious touch, to the right of the row's boxes.
    flags_[i] = b_.Caption("lblFlag", i);
    lanes->addWidget(W(flags_[i]), i + 1, 4);
  }
  top->addLayout(lanes);

  // Lane identifiers of the console, two rows.
  auto* ids = new QGridLayout;
  for (int i = 0; i < kLanes; ++i) {
    c.txtSingo[i] = b_.Box("txtSingo", i, std::string(1, kDefaultLaneMap[i]));
    c.txtTSingo[i] = b_.Box("txtTSingo", i, std::string(1, kDefaultLaneMap[i]));
    W(c.txtSingo[i])->setFixedWidth(28);
    W(c.txtTSingo[i])->setFixedWidth(28);
    ids->addWidget(W(c.txtSingo[i]), 0, i);
    ids->addWidget(W(c.txtTSingo[i]), 1, i);
  }
  ids->setColumnStretch(kLanes, 1);
  top->addLayout(ids);

  // Port and buttons.
  auto* buttons = new QHBoxLayout;
  QtLabel* label3 = b_.Caption("Label3", -1, "Port");
  c.txtPort = b_.Box("txtPort", -1, "1");
  W(c.txtPort)->setFixedWidth(40);
  c.cmdShoki = b_.Push("cmdShoki", "初期");
  W(c.cmdShoki)->setToolTip("結合レースのセット");
  c.cmdKakutei = b_.Push("cmdKakutei", "確定");
  c.cmdZushin = b_.Push("cmdZushin", race_texts::kStart);
  cmdKyogi_ = b_.Push("cmdKyogi", "競技");
  buttons->addWidget(label3->Widget());
  buttons->addWidget(W(c.txtPort));
  buttons->addWidget(W(c.cmdShoki));
  buttons->addWidget(W(c.cmdKakutei));
  buttons->addWidget(W(c.cmdZushin));
  buttons->addStretch();
  buttons->addWidget(cmdKyogi_->Widget());
  top->addLayout(buttons);

  // Link health (LinkWatch): its own line under the buttons, wrapped, so a
  // warning never covers the lanes nor widens the window.
  lblLink_ = b_.Caption("lblLink");
  W(lblLink_)->setWordWrap(true);
  W(lblLink_)->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  top->addWidget(W(lblLink_));

  c.lblVersion = b_.Caption("lblVersion");
  top->addWidget(W(c.lblVersion));
}

void RaceView::OfferPromotion(std::function<void()> run) {
  onPromote_ = std::move(run);
  if (!promote_) {
    promote_ = b_.Menu(meetMenu_, "mShokaku", "計時席に昇格...");
    connect(promote_, &QAction::triggered, this, [this] {
      if (onPromote_) onPromote_();
    });
  }
  promote_->setVisible(static_cast<bool>(onPromote_));
  promote_->setEnabled(static_cast<bool>(onPromote_));
}

namespace {

// The widgets' signals onto the window's handlers; a failure a handler
// throws is shown through the message sink.
class QtRaceConnector : public RaceEventConnector {
 public:
  QtRaceConnector(QObject& context, MessageSink& messages)
      : context_(context), messages_(messages) {}
  void OnChange(TextBox& box, std::function<void()> handler) override {
    QObject::connect(W(&box), &QLineEdit::textChanged, &context_,
                     Guard(messages_, std::move(handler)));
  }
  void OnKeyDown(TextBox& box, std::function<void(int, int)> handler) override {
    QWidget* w = W(&box);
    MessageSink* messages = &messages_;
    w->installEventFilter(new KeyForwarder(
        w, [messages, handler](int k, int s) { Guard(*messages, [=] { handler(k, s); })(); }));
  }
  void OnClick(Button& button, std::function<void()> handler) override {
    QObject::connect(W(&button), &QPushButton::clicked, &context_,
                     Guard(messages_, std::move(handler)));
  }

 private:
  // Connections outlive the connector: they keep the sink, not `this`.
  static std::function<void()> Guard(MessageSink& sink, std::function<void()> f) {
    MessageSink* messages = &sink;
    return [messages, f = std::move(f)] {
      Guarded(f, [messages](const std::string& e) { messages->ShowError(e); });
    };
  }

  QObject& context_;
  MessageSink& messages_;
};

}  // namespace

void RaceView::Wire(RaceWindow& race, MessageSink& messages) {
  race_ = &race;
  QtRaceConnector connector(*this, messages);
  WireRaceControls(race, controls_, connector);
  connect(cmdKyogi_->Widget(), &QPushButton::clicked, this, [this] {
    if (onOpenCompetition) onOpenCompetition();
  });
}

void RaceView::closeEvent(QCloseEvent* event) {
  // Mid-race the operator is asked first; Cancel keeps everything running.
  if (race_ && !race_->ConfirmEndMidRace()) {
    event->ignore();
    return;
  }
  event->accept();
  if (race_) race_->Unload();  // closes every file and ends the program
}

}  // namespace poolside
