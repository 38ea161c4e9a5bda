// The window set of a script run: sub-windows are created on demand, a
// modal one never blocks the caller, and the program print window takes
// the page it is opened for.

#include "ui/qt_app_windows.h"

#include <QApplication>
#include <QDialog>

#include <gtest/gtest.h>

#include "support/fakes.h"
#include "support/temp_dir.h"
#include "ui/sub_windows.h"

namespace poolside {
namespace {

void EnsureApp() {
  static int argc = 1;
  static char name[] = "test_app";
  static char* argv[] = {name, nullptr};
  if (!QApplication::instance()) new QApplication(argc, argv);
}

class AppWindowsTest : public ::testing::Test {
 protected:
  void SetUp() override { EnsureApp(); }
  testing::TempDir dir;
  PathMapper paths;
  MeetData meet{paths};
  testing::FakeMessages messages;
  testing::FakeSerialPort port;
  QtWindowHost host;
  QtAppWindows windows{
      meet, messages, port, host, paths, /*scriptRun=*/true, dir.Path() + "/r.pdf"};
};

TEST_F(AppWindowsTest, KnowsItsWindowsAndCreatesSubWindowsOnDemand) {
  for (const char* n : {"frmRace", "frmKyogi", "frmOhda", "frmKijun", "frmProjun", "frmKiroku",
                        "frmVwPage", "frmLpPage"})
    EXPECT_TRUE(windows.IsKnownWindow(n)) << n;
  EXPECT_FALSE(windows.IsKnownWindow("frmNone"));
  EXPECT_FALSE(windows.LoadWindow("frmNone"));

  EXPECT_EQ(windows.FindWindow("frmKiroku"), nullptr);
  ASSERT_TRUE(windows.LoadWindow("frmKiroku"));
  QWidget* w = windows.FindWindow("frmKiroku");
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(w->windowTitle(), "記録");
  windows.CloseWindow("frmKiroku");
  EXPECT_FALSE(w->isVisible());
  ASSERT_TRUE(windows.LoadWindow("frmKiroku"));
  EXPECT_EQ(windows.FindWindow("frmKiroku"), w);  // the same window again
}

TEST_F(AppWindowsTest, ModalWindowOfAScriptRunDoesNotBlock) {
  windows.ShowSubWindow("frmOhda", /*modal=*/true);  // returns: no nested loop
  QWidget* w = windows.FindWindow("frmOhda");
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(w->windowModality(), Qt::ApplicationModal);
  windows.CloseWindow("frmOhda");
  EXPECT_FALSE(w->isVisible());
}

TEST_F(AppWindowsTest, ProgramPrintOpensOnTheGivenPage) {
  windows.ShowProgramPrint(17);
  const RegisteredControl* s = windows.Controls().Find("frmLpPage.txtLpS");
  const RegisteredControl* e = windows.Controls().Find("frmLpPage.txtLpE");
  ASSERT_NE(s, nullptr);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(s->textBox->Text(), "17");
  EXPECT_EQ(e->textBox->Text(), "17");
  EXPECT_TRUE(windows.FindWindow("frmLpPage")->isVisible());
  // Without a page the boxes keep what they hold.
  s->textBox->SetText("3");
  windows.ShowProgramPrint(std::nullopt);
  EXPECT_EQ(s->textBox->Text(), "3");
  EXPECT_EQ(e->textBox->Text(), "17");
}

TEST_F(AppWindowsTest, RankingGoesIntoTheConfiguredPdf) {
  windows.PrintRanking("50m 背泳ぎ", {{1, 3, 501, "  31.02"}});
  EXPECT_TRUE(dir.Exists("r.pdf"));
  EXPECT_TRUE(messages.messages.empty());
}

}  // namespace
}  // namespace poolside
