// The two windows and the sub-windows on the offscreen platform: every
// control is registered under its script name with its initial text, keys
// and clicks reach the logic, and the windows render.

#include <QApplication>
#include <QFile>
#include <QMenuBar>
#include <QPixmap>
#include <QTest>

#include <gtest/gtest.h>

#include "meetdata/meet_data.h"
#include "platform/qt/qt_window_host.h"
#include "support/fakes.h"
#include "support/temp_dir.h"
#include "ui/control_registry.h"
#include "ui/kyogi_view.h"
#include "ui/qt_printer.h"
#include "ui/race_view.h"
#include "ui/sub_windows.h"

namespace poolside {
namespace {

using testing::FakeHost;
using testing::FakeMessages;
using testing::FakeSerialPort;
using testing::TempDir;

void EnsureApp() {
  static int argc = 1;
  static char name[] = "test_app";
  static char* argv[] = {name, nullptr};
  if (!QApplication::instance()) new QApplication(argc, argv);
}

std::string TextOf(const ControlRegistry& r, const std::string& name) {
  const RegisteredControl* c = r.Find(name);
  if (!c) return "<missing " + name + ">";
  if (c->textBox) return c->textBox->Text();
  if (c->label) return c->label->Caption();
  if (c->button) return c->button->Caption();
  return c->action->text().toStdString();
}

class ViewsTest : public ::testing::Test {
 protected:
  void SetUp() override { EnsureApp(); }
  ControlRegistry registry;
};

TEST_F(ViewsTest, TimingWindowHasEveryControlWithItsFixedText) {
  RaceView view(registry);
  EXPECT_EQ(view.windowTitle(), "Seiko");
  for (const char* n :
       {"lblRace",   "lblPNo",   "lblKumi",    "lblSei",     "lblKubun", "lblShu",
        "lblYoKetu", "lblNin",   "lblTimer",   "lblVersion", "txtBiko",  "txtKetugo",
        "txtPort",   "cmdShoki", "cmdKakutei", "cmdZushin",  "cmdKyogi", "Label1",
        "Label2",    "Label3",   "Label4",     "Label5",     "Label6",   "Label7"})
    EXPECT_NE(registry.Find(std::string("frmRace.") + n), nullptr) << n;
  for (int i = 0; i < 10; ++i)
    for (const char* n : {"txtJun", "txtKiro", "txtShukai", "txtSingo", "txtTSingo"})
      EXPECT_NE(registry.Find("frmRace." + ViewBuilder::Name(n, i)), nullptr) << n << i;
  EXPECT_EQ(registry.Find("frmRace.txtKiro(10)"), nullptr);

  EXPECT_EQ(TextOf(registry, "frmRace.lblRace"), "レースＮｏ．");
  EXPECT_EQ(TextOf(registry, "frmRace.Label4"), "結合");
  EXPECT_EQ(TextOf(registry, "frmRace.Label3"), "Port");
  EXPECT_EQ(TextOf(registry, "frmRace.Label7"), "ｺｰｽ順位  記 録   距離");
  EXPECT_EQ(TextOf(registry, "frmRace.txtPort"), "1");
  EXPECT_EQ(TextOf(registry, "frmRace.cmdShoki"), "初期");
  EXPECT_EQ(TextOf(registry, "frmRace.cmdKakutei"), "確定");
  EXPECT_EQ(TextOf(registry, "frmRace.cmdZushin"), "受信");
  EXPECT_EQ(TextOf(registry, "frmRace.cmdKyogi"), "競技");
  EXPECT_EQ(registry.Find("frmRace.cmdShoki")->widget->toolTip(), "結合レースのセット");
  EXPECT_EQ(registry.Find("frmRace.txtKetugo")->textBox->ToolTip(), race_texts::kStatusTip);
  EXPECT_EQ(registry.Find("frmRace.txtBiko")->textBox->ToolTip(), race_texts::kSelectTip);
  const char* ids[] = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "0"};
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(TextOf(registry, ViewBuilder::Name("frmRace.txtSingo", i)), ids[i]);
    EXPECT_EQ(TextOf(registry, ViewBuilder::Name("frmRace.txtTSingo", i)), ids[i]);
    auto* edit =
        static_cast<QLineEdit*>(registry.Find(ViewBuilder::Name("frmRace.txtSingo", i))->widget);
    EXPECT_FALSE(edit->isReadOnly());
    EXPECT_GT(edit->maxLength(), 1);  // the logic cuts a longer entry itself
  }
  EXPECT_EQ(registry.NameOf(registry.Find("frmRace.txtKiro(3)")->widget), "frmRace.txtKiro(3)");
}

TEST_F(ViewsTest, EnterNeverClicksAButton) {
  RaceView view(registry);
  view.show();
  auto* zushin = static_cast<QPushButton*>(registry.Find("frmRace.cmdZushin")->widget);
  int clicks = 0;
  QObject::connect(zushin, &QPushButton::clicked, [&] { ++clicks; });
  zushin->setFocus();
  QTest::keyClick(zushin, Qt::Key_Return);
  QTest::keyClick(zushin, Qt::Key_Enter);
  EXPECT_EQ(clicks, 0);
  QTest::mouseClick(zushin, Qt::LeftButton);
  EXPECT_EQ(clicks, 1);
}

TEST_F(ViewsTest, CtrlROpensRecoveryAndTheLinkLabelIsAScriptControlBelowTheLanes) {
  RaceView view(registry);
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  int opened = 0;
  view.onRecover = [&] { ++opened; };
  QTest::keyClick(&view, Qt::Key_R, Qt::ControlModifier);
  EXPECT_EQ(opened, 1);
  const RegisteredControl* link = registry.Find("frmRace.lblLink");
  ASSERT_NE(link, nullptr);
  ASSERT_NE(link->label, nullptr);
  EXPECT_EQ(link->label, view.LinkLabel());
  // Below the last lane row: a warning never covers a lane.
  const QWidget* lane10 = registry.Find("frmRace.txtKiro(9)")->widget;
  EXPECT_GT(link->widget->mapTo(&view, QPoint(0, 0)).y(),
            lane10->mapTo(&view, QPoint(0, lane10->height())).y());
}

TEST_F(ViewsTest, TimingWindowClicksReachTheLogicAndFailuresAreShown) {
  TempDir dir;
  PathMapper paths;
  paths.MapDrive('c', dir.Path());
  MeetData meet(paths);
  FakeMessages messages;
  FakeSerialPort port;
  FakeHost host;
  RaceView view(registry);
  RaceWindow race(view.Controls(), meet, messages, port, host);
  view.Wire(race, messages);
  int opened = 0;
  view.onOpenCompetition = [&] { ++opened; };

  registry.Find("frmRace.txtPort")->textBox->SetText("x");
  QTest::mouseClick(registry.Find("frmRace.cmdZushin")->widget, Qt::LeftButton);
  // Port "x" is no port number: the user is told and the button is back to
  // its start caption.
  ASSERT_FALSE(messages.messages.empty());
  EXPECT_NE(messages.messages.back().find("\"x\""), std::string::npos) << messages.messages.back();
  EXPECT_EQ(TextOf(registry, "frmRace.cmdZushin"), "受信");
  EXPECT_FALSE(port.IsOpen());

  QTest::mouseClick(registry.Find("frmRace.cmdKyogi")->widget, Qt::LeftButton);
  EXPECT_EQ(opened, 1);

  // A lane identifier typed into the second row reaches the lane map.
  auto* t3 = static_cast<QLineEdit*>(registry.Find("frmRace.txtTSingo(2)")->widget);
  t3->selectAll();
  QTest::keyClicks(t3, "7");
  EXPECT_EQ(race.SpareLaneMap()[2], '7');
  registry.Find("frmRace.txtSingo(0)")->textBox->SetText("5");
  EXPECT_EQ(race.LaneMap()[0], '5');
}

TEST_F(ViewsTest, CompetitionScreenHasEveryControlMenuAndInitialText) {
  KyogiView view(registry);
  EXPECT_EQ(view.windowTitle(), "Form1");
  EXPECT_EQ(TextOf(registry, "frmKyogi.lblTKumi"), "Label6");
  EXPECT_EQ(TextOf(registry, "frmKyogi.lblDate"), "yyyy:mm:dd");
  for (const char* n : {"lblZikan", "lblYZikan", "lblSZikan"})
    EXPECT_EQ(TextOf(registry, std::string("frmKyogi.") + n), "99:99:99");
  EXPECT_EQ(TextOf(registry, "frmKyogi.Label1"),
            "コース  名   前         ﾌﾘｶﾅ       県     所属     歳 学年 順  記録  無 年    備考  "
            "予選   旧 番 号    番号       ");
  EXPECT_EQ(TextOf(registry, "frmKyogi.lblKosu(0)"), " １");
  EXPECT_EQ(TextOf(registry, "frmKyogi.lblKosu(9)"), "１０");
  EXPECT_EQ(TextOf(registry, "frmKyogi.lblKosu(11)"), "補欠２");
  for (const char* n :
       {"txtNamae", "txtKana", "txtKen", "txtSho", "txtTosi", "txtGaku", "txtJun", "txtKiro",
        "txtMu", "txtNen", "txtHoj", "txtBiko", "txtQkiro", "txtQban", "txtNo"}) {
    EXPECT_NE(registry.Find(ViewBuilder::Name(std::string("frmKyogi.") + n, 11)), nullptr) << n;
    EXPECT_EQ(registry.Find(ViewBuilder::Name(std::string("frmKyogi.") + n, 12)), nullptr) << n;
  }
  EXPECT_EQ(TextOf(registry, "frmKyogi.cmdKeiji"), "計時");
  EXPECT_EQ(TextOf(registry, "frmKyogi.cmdOhda"), "オーダ");
  EXPECT_EQ(TextOf(registry, "frmKyogi.Command1"), "記録調整");
  EXPECT_EQ(TextOf(registry, "frmKyogi.txtCOM"), "1");
  EXPECT_NE(registry.Find("frmKyogi.txtToi"), nullptr);
  EXPECT_EQ(TextOf(registry, "frmKyogi.Label4"),
            "　　世界　　　アジア　     日本　　　　地域　　　　県　　　　　地区");
  EXPECT_EQ(TextOf(registry, "frmKyogi.Label5(0)"), "標準３");
  EXPECT_EQ(TextOf(registry, "frmKyogi.Label5(8)"), "無差別");
  EXPECT_EQ(TextOf(registry, "frmKyogi.txtTKiro(0)"), "99:99:99");
  EXPECT_EQ(TextOf(registry, "frmKyogi.txtTKiro(25)"), "99:99:99");
  EXPECT_EQ(registry.Find("frmKyogi.txtTKiro(26)"), nullptr);
  const std::pair<const char*, const char*> menus[] = {
      {"mOwari", "終わり"},   {"mKijun", "概要"},        {"mProjun", "競技順"},
      {"mKiroku", "記録"},    {"mLpRank", "ランキング"}, {"mLpPage", "プログラム"},
      {"mVwPage", "ﾌﾟﾚﾋﾞｭｰ"}, {"mWKyogi", "競技"},       {"mWProjun", "プロ順"},
      {"mWShikaku", "記録"},  {"mWHpro", "ﾌﾟﾛﾍﾟｰｼﾞ"},    {"mWRel", "ﾘﾚｰ"}};
  for (auto [name, caption] : menus) {
    const RegisteredControl* c = registry.Find(std::string("frmKyogi.") + name);
    ASSERT_NE(c, nullptr) << name;
    ASSERT_NE(c->action, nullptr) << name;
    EXPECT_EQ(c->action->text().toStdString(), caption);
  }
}

class RecordingKyogiHost : public KyogiHost {
 public:
  void ShowTimingWindow() override { calls.push_back("timing"); }
  void ShowSubWindow(const std::string& name, bool modal) override {
    calls.push_back(name + (modal ? " modal" : ""));
  }
  void ShowProgramPrint(std::optional<int>) override { calls.push_back("print"); }
  void PrintRanking(const std::string&, const std::vector<RankingLine>&) override {
    calls.push_back("ranking");
  }
  void EndProgram(int status) override { calls.push_back("end " + std::to_string(status)); }
  std::vector<std::string> calls;
};

TEST_F(ViewsTest, CompetitionScreenMenusKeysAndClicksReachTheLogic) {
  PathMapper paths;
  MeetData meet(paths);
  FakeMessages messages;
  RecordingKyogiHost host;
  KyogiView view(registry);
  KyogiWindow kyogi(view.Controls(), meet, messages, host, paths);
  view.Wire(kyogi, messages);
  view.show();

  registry.Find("frmKyogi.mKijun")->action->trigger();
  registry.Find("frmKyogi.mVwPage")->action->trigger();
  ASSERT_EQ(host.calls.size(), 2u);
  EXPECT_EQ(host.calls[0], "frmKijun");
  EXPECT_EQ(host.calls[1], "frmVwPage");

  // Enter on the timing button brings the timing window up once: the key
  // handler does it and the button itself does not click.
  host.calls.clear();
  QWidget* keiji = registry.Find("frmKyogi.cmdKeiji")->widget;
  keiji->setFocus();
  QTest::keyClick(keiji, Qt::Key_Return);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"timing"}));
  QTest::mouseClick(keiji, Qt::LeftButton);
  EXPECT_EQ(host.calls.size(), 2u);

  host.calls.clear();
  registry.Find("frmKyogi.mOwari")->action->trigger();
  EXPECT_EQ(host.calls, (std::vector<std::string>{"end 0"}));
  EXPECT_TRUE(messages.errors.empty());
}

TEST_F(ViewsTest, SubWindowsHaveTheirTitlesAndThePrintWindowItsPageBoxes) {
  const std::pair<const char*, const char*> subs[] = {
      {"frmOhda", "オーダ"}, {"frmKijun", "概要"},     {"frmProjun", "競技順"},
      {"frmKiroku", "記録"}, {"frmVwPage", "ﾌﾟﾚﾋﾞｭｰ"}, {"frmLpPage", "プログラム印刷"}};
  for (auto [name, title] : subs) {
    EXPECT_EQ(SubWindowTitle(name), title);
    SubWindow w(registry, name, title);
    EXPECT_EQ(w.windowTitle().toStdString(), title);
  }
  EXPECT_EQ(SubWindowTitle("frmNope"), "");
  EXPECT_NE(registry.Find("frmLpPage.txtLpS"), nullptr);
  EXPECT_NE(registry.Find("frmLpPage.txtLpE"), nullptr);
  registry.RemoveWindow("frmLpPage");
  EXPECT_EQ(registry.Find("frmLpPage.txtLpS"), nullptr);
  EXPECT_NE(registry.Find("frmOhda.cmdClose"), nullptr);
}

TEST_F(ViewsTest, WindowsRenderToANonEmptyPicture) {
  RaceView race(registry);
  KyogiView kyogi(registry);
  race.show();
  kyogi.show();
  QPixmap r = race.grab();
  QPixmap k = kyogi.grab();
  EXPECT_GT(r.width(), 200);
  EXPECT_GT(r.height(), 200);
  EXPECT_GT(k.width(), 400);
  EXPECT_FALSE(k.toImage().isNull());
}

TEST_F(ViewsTest, RankingPrintsIntoAPdfAndReportsAFileThatCannotBeWritten) {
  TempDir dir;
  FakeMessages messages;
  std::string pdf = dir.Path() + "/rank.pdf";
  PrintRankingPage("100m 自由形 決勝", {{1, 4, 1203, "  58.31"}, {2, 5, 1207, "  59.02"}}, pdf,
                   messages);
  QFile f(QString::fromStdString(pdf));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_TRUE(f.read(4) == "%PDF");
  EXPECT_TRUE(messages.messages.empty());

  PrintRankingPage("x", {}, dir.Path() + "/no/such/dir/rank.pdf", messages);
  ASSERT_EQ(messages.messages.size(), 1u);
  EXPECT_NE(messages.messages[0].find("rank.pdf"), std::string::npos);
}

TEST_F(ViewsTest, WindowHostRunsPostedTasksInOrderFromTheEventLoop) {
  QtWindowHost host;
  std::vector<int> order;
  host.PostDelayed(30, [&] {
    order.push_back(3);
    QApplication::quit();
  });
  host.Post([&] { order.push_back(1); });
  host.Post([&] { order.push_back(2); });
  EXPECT_TRUE(order.empty());  // nothing runs before the loop does
  QApplication::exec();
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

}  // namespace
}  // namespace poolside
