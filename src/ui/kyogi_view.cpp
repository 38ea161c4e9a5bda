#include "ui/kyogi_view.h"

#include <QAction>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenuBar>
#include <QVBoxLayout>

namespace poolside {

namespace {
// Key handling of the two buttons: the handler moves the focus itself on
// Left and Right, so the button's own arrow-key focus move is held back.
class ButtonKeys : public QObject {
 public:
  ButtonKeys(QObject* parent, std::function<void(int)> handler)
      : QObject(parent), handler_(std::move(handler)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) {
      int vk = VirtualKeyOf(static_cast<QKeyEvent*>(event)->key());
      if (vk != 0) handler_(vk);
      if (vk == kKeyLeft || vk == kKeyRight) return true;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void(int)> handler_;
};

const char* kRowLabels[12] = {" １", " ２", " ３", " ４",  " ５",    " ６",
                              " ７", " ８", " ９", "１０", "補欠１", "補欠２"};
const char* kStandards[9] = {"標準３", "標準２", "標準１", "大会",  "学童",
                             "中学",   "高校",   "大学",   "無差別"};
const char* kColumnHeader =
    "コース  名   前         ﾌﾘｶﾅ       県     所属     歳 学年 順  記録  無 年    備考  予選   旧 "
    "番 号    "
    "番号       ";
}  // namespace

KyogiView::KyogiView(ControlRegistry& registry) : b_(registry, "frmKyogi", this) {
  setWindowTitle(kyogi_texts::kCaption);
  auto* central = new QWidget(this);
  setCentralWidget(central);
  auto& c = controls_;

  // Menus.
  QMenuBar* bar = menuBar();
  for (auto [n, t] : {std::pair{"mOwari", "終わり"},
                      {"mKijun", "概要"},
                      {"mProjun", "競技順"},
                      {"mKiroku", "記録"}})
    menus_.push_back({n, b_.BarEntry(bar, n, t)});
  QMenu* insatu = b_.BarMenu(bar, "mInsatu", "印刷");
  for (auto [n, t] :
       {std::pair{"mLpRank", "ランキング"}, {"mLpPage", "プログラム"}, {"mVwPage", "ﾌﾟﾚﾋﾞｭｰ"}})
    menus_.push_back({n, b_.Menu(insatu, n, t)});
  QMenu* work = b_.BarMenu(bar, "mWork", "旧データ入力");
  for (auto [n, t] : {std::pair{"mWKyogi", "競技"},
                      {"mWProjun", "プロ順"},
                      {"mWShikaku", "記録"},
                      {"mWHpro", "ﾌﾟﾛﾍﾟｰｼﾞ"},
                      {"mWRel", "ﾘﾚｰ"}})
    menus_.push_back({n, b_.Menu(work, n, t)});

  auto* top = new QVBoxLayout(central);
  // Header lines.
  auto* h1 = new QHBoxLayout;
  QtLabel* label2 = b_.Caption("Label2", -1, "No");
  QtLabel* pno = b_.Caption("lblPNo");
  QtLabel* sei = b_.Caption("lblSei");
  QtLabel* shubetu = b_.Caption("lblShubetu");
  QtLabel* shumoku = b_.Caption("lblShumoku");
  c.lblPNo = pno;
  c.lblSei = sei;
  c.lblShubetu = shubetu;
  c.lblShumoku = shumoku;
  for (QtLabel* l : {label2, pno, sei, shubetu, shumoku}) {
    l->Widget()->setMinimumWidth(60);
    h1->addWidget(l->Widget());
  }
  h1->addStretch();
  QtLabel* date = b_.Caption("lblDate", -1, "yyyy:mm:dd");
  c.lblDate = date;
  h1->addWidget(date->Widget());
  top->addLayout(h1);
  auto* h2 = new QHBoxLayout;
  QtLabel* yoketu = b_.Caption("lblYoKetu");
  QtLabel* kumi = b_.Caption("lblKumi");
  QtLabel* label3 = b_.Caption("Label3", -1, "組");
  QtLabel* tkumi = b_.Caption("lblTKumi", -1, "Label6");
  c.lblYoKetu = yoketu;
  c.lblKumi = kumi;
  c.lblTKumi = tkumi;
  for (QtLabel* l : {yoketu, kumi, label3, tkumi}) h2->addWidget(l->Widget());
  h2->addStretch();
  QtLabel* zikan = b_.Caption("lblZikan", -1, "99:99:99");
  QtLabel* yzikan = b_.Caption("lblYZikan", -1, "99:99:99");
  QtLabel* szikan = b_.Caption("lblSZikan", -1, "99:99:99");
  c.lblZikan = zikan;
  c.lblYZikan = yzikan;
  c.lblSZikan = szikan;
  for (QtLabel* l : {zikan, yzikan, szikan}) h2->addWidget(l->Widget());
  top->addLayout(h2);

  // Rows.
  QtLabel* label1 = b_.Caption("Label1", -1, kColumnHeader);
  QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  top->addWidget(label1->Widget());
  auto* rows = new QGridLayout;
  rows->setHorizontalSpacing(2);
  struct Col {
    const char* name;
    std::array<TextBox*, 12>* boxes;
    int width;
  };
  Col cols[] = {
      {"txtNamae", &c.txtNamae, 110}, {"txtKana", &c.txtKana, 110}, {"txtKen", &c.txtKen, 40},
      {"txtSho", &c.txtSho, 90},      {"txtTosi", &c.txtTosi, 30},  {"txtGaku", &c.txtGaku, 30},
      {"txtJun", &c.txtJun, 30},      {"txtKiro", &c.txtKiro, 70},  {"txtMu", &c.txtMu, 30},
      {"txtNen", &c.txtNen, 30},      {"txtHoj", &c.txtHoj, 24},    {"txtBiko", &c.txtBiko, 40},
      {"txtQkiro", &c.txtQkiro, 70},  {"txtQban", &c.txtQban, 50},  {"txtNo", &c.txtNo, 50}};
  for (int r = 0; r < 12; ++r) {
    QtLabel* kosu = b_.Caption("lblKosu", r, kRowLabels[r]);
    rows->addWidget(kosu->Widget(), r, 0);
    int col = 1;
    for (auto& cl : cols) {
      QtTextBox* box = b_.Box(cl.name, r);
      box->Widget()->setFixedWidth(cl.width);
      (*cl.boxes)[r] = box;
      rows->addWidget(box->Widget(), r, col++);
    }
  }
  top->addLayout(rows);

  // Competition number box and buttons.
  auto* h3 = new QHBoxLayout;
  QtTextBox* toi = b_.Box("txtToi");
  toi->Widget()->setFixedWidth(100);
  QtButton* keiji = b_.Push("cmdKeiji", "計時");
  QtButton* ohda = b_.Push("cmdOhda", "オーダ");
  QtButton* command1 = b_.Push("Command1", "記録調整");
  c.txtToi = toi;
  c.cmdKeiji = keiji;
  c.cmdOhda = ohda;
  c.Command1 = command1;
  QtTextBox* com = b_.Box("txtCOM", -1, "1");
  com->Widget()->setFixedWidth(30);
  h3->addWidget(toi->Widget());
  h3->addWidget(keiji->Widget());
  h3->addWidget(ohda->Widget());
  h3->addWidget(command1->Widget());
  h3->addWidget(com->Widget());
  h3->addStretch();
  top->addLayout(h3);

  // Record and standard levels.
  QtLabel* label4 = b_.Caption(
      "Label4", -1, "　　世界　　　アジア　     日本　　　　地域　　　　県　　　　　地区");
  top->addWidget(label4->Widget());
  auto* rec = new QGridLayout;
  for (int i = 0; i < 26; ++i) {
    QtTextBox* t = b_.Box("txtTKiro", i, "99:99:99");
    t->Widget()->setFixedWidth(70);
    rec->addWidget(t->Widget(), i / 9, i % 9);
  }
  for (int i = 0; i < 9; ++i)
    rec->addWidget(b_.Caption("Label5", i, kStandards[i])->Widget(), 3, i);
  top->addLayout(rec);
}

void KyogiView::Wire(KyogiWindow& k, MessageSink& messages) {
  auto guard = [&messages](std::function<void()> f) {
    return [&messages, f = std::move(f)] {
      Guarded(f, [&messages](const std::string& e) { messages.ShowError(e); });
    };
  };
  auto onKey = [guard](QWidget* w, std::function<void(int, int)> f) {
    w->installEventFilter(
        new KeyForwarder(w, [guard, f](int key, int s) { guard([=] { f(key, s); })(); }));
  };
  auto& c = controls_;
  onKey(W(c.txtToi), [&k](int key, int s) { k.OnToiKeyDown(key, s); });
  W(c.cmdKeiji)->installEventFilter(new ButtonKeys(W(c.cmdKeiji), [guard, &k](int key) {
    guard([&k, key] { k.OnKeijiKeyDown(key); })();
  }));
  W(c.cmdOhda)->installEventFilter(new ButtonKeys(
      W(c.cmdOhda), [guard, &k](int key) { guard([&k, key] { k.OnOhdaKeyDown(key); })(); }));
  std::pair<EntryColumn, std::array<TextBox*, 12>*> entries[] = {
      {EntryColumn::Jun, &c.txtJun}, {EntryColumn::Kiro, &c.txtKiro},
      {EntryColumn::Mu, &c.txtMu},   {EntryColumn::Nen, &c.txtNen},
      {EntryColumn::Hoj, &c.txtHoj}, {EntryColumn::Biko, &c.txtBiko},
      {EntryColumn::No, &c.txtNo}};
  for (auto& [col, boxes] : entries)
    for (int r = 0; r < 12; ++r)
      onKey(static_cast<QtTextBox*>((*boxes)[r])->Widget(),
            [&k, col = col, r](int key, int s) { k.OnEntryKeyDown(col, r, key, s); });
  connect(W(c.cmdKeiji), &QPushButton::clicked, this, guard([&k] { k.OnKeijiClick(); }));
  connect(W(c.cmdOhda), &QPushButton::clicked, this, guard([&k] { k.OnOhdaClick(); }));
  connect(W(c.Command1), &QPushButton::clicked, this, guard([&k] { k.OnAdjustClick(); }));
  for (auto& [name, action] : menus_)
    connect(action, &QAction::triggered, this, guard([&k, n = name] { k.OnMenu(n); }));
}

}  // namespace poolside
