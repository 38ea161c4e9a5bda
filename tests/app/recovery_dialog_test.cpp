// The recovery dialog beside the timing window: it does not block the
// window, follows its reception (apply only while stopped, its own stop
// button while receiving), and the standard buttons read in Japanese.

#include <QApplication>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include "app/qt_translations.h"
#include "capture/capture_journal.h"
#include "recovery/recovery_panel.h"
#include "support/fakes.h"
#include "support/temp_dir.h"
#include "ui/recovery_dialog.h"

namespace poolside {
namespace {

using testing::FakeMessages;
using testing::TempDir;

QApplication& App() {
  static int argc = 1;
  static char name[] = "test_app";
  static char* argv[] = {name, nullptr};
  if (!QApplication::instance()) new QApplication(argc, argv);
  return *static_cast<QApplication*>(QApplication::instance());
}

QPushButton* Button(QWidget& w, const QString& text) {
  for (QPushButton* b : w.findChildren<QPushButton*>()) {
    if (b->text() == text) return b;
  }
  return nullptr;
}

TEST(RecoveryDialog, StaysBesideTheWindowAndFollowsItsReception) {
  App();
  TempDir dir;
  {
    CaptureJournal journal({"v", {}});
    ASSERT_TRUE(journal.Open(dir.File("capture")));
    RaceShown shown;
    shown.race = 4;
    shown.program = 2;
    shown.heat = 1;
    journal.OnRaceEvent(shown);
    // A stretch with a touch: one without any has nothing to apply.
    journal.OnRaceEvent(LaneTouched{3, 1, "   30.00", 3000, 1, 50, false});
  }
  PathMapper paths;
  FakeMessages messages;
  RecoveryPanel panel(paths, {dir.File("capture")}, messages);
  bool receiving = true;
  int stops = 0;
  RaceFeed feed;
  RecoveryDialog dialog(
      panel, 4, feed, [&] { return receiving; },
      [&] {
        ++stops;
        receiving = false;
      },
      nullptr);
  dialog.show();
  EXPECT_FALSE(dialog.isModal());
  QPushButton* apply = Button(dialog, "適用");
  QPushButton* stop = Button(dialog, "受信を停止");
  ASSERT_NE(apply, nullptr);
  ASSERT_NE(stop, nullptr);
  EXPECT_FALSE(apply->isEnabled());
  EXPECT_TRUE(stop->isEnabled());
  QTest::mouseClick(stop, Qt::LeftButton);
  EXPECT_EQ(stops, 1);
  EXPECT_TRUE(apply->isEnabled());
  EXPECT_FALSE(stop->isEnabled());
  // Started again in the window: the dialog follows the feed.
  receiving = true;
  feed.Publish(ReceptionStarted{1, "", ""});
  EXPECT_FALSE(apply->isEnabled());
  EXPECT_TRUE(stop->isEnabled());
  receiving = false;
  feed.Publish(ReceptionStopped{1, ""});
  EXPECT_TRUE(apply->isEnabled());

  // The captured race as a table row: race, program-heat, local times.
  auto* races = dialog.findChild<QTableWidget*>();
  ASSERT_NE(races, nullptr);
  ASSERT_EQ(races->rowCount(), 1);
  EXPECT_EQ(races->item(0, 1)->text(), "4");
  EXPECT_EQ(races->item(0, 2)->text(), "2-1");
  EXPECT_EQ(races->item(0, 4)->text().size(), 8);  // HH:MM:SS
  EXPECT_EQ(races->item(0, 6)->text(), "未終了");
}

TEST(RecoveryDialog, StandardButtonsReadInJapanese) {
  QApplication& app = App();
  if (!LoadQtJapaneseTexts(app)) GTEST_SKIP() << "qt6-translations-l10n is not installed";
  QMessageBox box(QMessageBox::Question, "Seiko", "?", QMessageBox::Ok | QMessageBox::Cancel);
  EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), "キャンセル");
}

}  // namespace
}  // namespace poolside
