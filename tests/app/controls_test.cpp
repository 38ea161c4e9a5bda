#include "platform/qt/qt_controls.h"

#include <QApplication>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "platform/errors.h"
#include "platform/qt/qt_messages.h"

namespace poolside {
namespace {

void EnsureApp() {
  static int argc = 1;
  static char name[] = "test_app";
  static char* argv[] = {name, nullptr};
  if (!QApplication::instance()) new QApplication(argc, argv);
}

class QtControlsTest : public ::testing::Test {
 protected:
  void SetUp() override { EnsureApp(); }
};

TEST_F(QtControlsTest, VirtualKeysOfTheKeysTheLogicReads) {
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Return), 13);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Enter), 13);  // keypad Enter
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Left), 37);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Up), 38);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Right), 39);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Down), 40);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_A), 65);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Z), 90);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_0), 48);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_9), 57);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_F1), 0);  // Qt codes above 255 are not passed on
  for (int vk : {13, 37, 38, 39, 40, 48, 57, 65, 90}) EXPECT_EQ(VirtualKeyOf(QtKeyOf(vk)), vk);
  EXPECT_EQ(ShiftStateOf(Qt::NoModifier), 0);
  EXPECT_EQ(ShiftStateOf(Qt::ShiftModifier), 1);
  EXPECT_EQ(ShiftStateOf(Qt::ControlModifier), 2);
  EXPECT_EQ(ShiftStateOf(Qt::AltModifier), 4);
  EXPECT_EQ(ShiftStateOf(Qt::ShiftModifier | Qt::AltModifier), 5);
}

TEST_F(QtControlsTest, KeyPressReachesTheHandlerAndStillTypes) {
  QLineEdit edit;
  std::vector<std::pair<int, int>> seen;
  edit.installEventFilter(new KeyForwarder(&edit, [&](int k, int s) { seen.push_back({k, s}); }));
  QTest::keyClick(&edit, Qt::Key_5);
  QTest::keyClick(&edit, Qt::Key_Return);
  QTest::keyClick(&edit, Qt::Key_Up, Qt::ShiftModifier);
  QTest::keyClick(&edit, Qt::Key_F2);
  ASSERT_EQ(seen.size(), 3u);  // F2 has no code for the logic
  EXPECT_EQ(seen[0], std::make_pair(53, 0));
  EXPECT_EQ(seen[1], std::make_pair(13, 0));
  EXPECT_EQ(seen[2], std::make_pair(38, 1));
  EXPECT_EQ(edit.text(), "5");  // the box handled the digit as usual, the arrow changed nothing
}

TEST_F(QtControlsTest, TextBoxKeepsUtf8AndCountsCaretInCharacters) {
  QLineEdit edit;
  QtTextBox box(&edit);
  box.SetText("𠮷野ａ1");  // a character outside the basic plane first
  EXPECT_EQ(box.Text(), "𠮷野ａ1");
  EXPECT_EQ(box.Caret(), 4);  // caret at the end after setting the text
  box.SetCaret(1);
  EXPECT_EQ(edit.cursorPosition(), 2);  // behind the surrogate pair
  EXPECT_EQ(box.Caret(), 1);
  box.SetCaret(99);
  EXPECT_EQ(box.Caret(), 4);
  box.SetCaret(-3);
  EXPECT_EQ(box.Caret(), 0);
}

TEST_F(QtControlsTest, SettingTheTextRunsTheChangeHandlingOnlyOnAChange) {
  QLineEdit edit("1");
  QtTextBox box(&edit);
  QSignalSpy changed(&edit, &QLineEdit::textChanged);
  box.SetText("1");
  EXPECT_EQ(changed.count(), 0);
  box.SetText("7");
  EXPECT_EQ(changed.count(), 1);
  box.SetText("");
  EXPECT_EQ(changed.count(), 2);
}

TEST_F(QtControlsTest, ColoursReachTheWidgets) {
  QLineEdit edit;
  QtTextBox box(&edit);
  box.SetBackColor(Color{255, 0, 0});
  EXPECT_EQ(edit.palette().color(QPalette::Base), QColor(255, 0, 0));
  EXPECT_EQ(box.BackColor().r, 255);

  QLabel label;
  QtLabel l(&label);
  l.SetBackColor(Color{0, 0, 255});
  EXPECT_TRUE(label.autoFillBackground());
  EXPECT_EQ(label.palette().color(QPalette::Window), QColor(0, 0, 255));
  l.SetBackColor(kFaceColor);
  EXPECT_EQ(label.palette().color(QPalette::Window),
            QApplication::palette().color(QPalette::Button));
}

TEST_F(QtControlsTest, LabelShowsCarriageReturnAsALineBreakButKeepsItsCaption) {
  QLabel label;
  QtLabel l(&label);
  l.SetCaption("予選\r決勝");
  EXPECT_EQ(l.Caption(), "予選\r決勝");
  EXPECT_EQ(label.text(), QString::fromUtf8("予選\n決勝"));
  l.SetCaption("a\r\nb");
  EXPECT_EQ(label.text(), "a\nb");
}

TEST_F(QtControlsTest, WarningBoxNeverWaitsForTheUser) {
  QtMessageSink sink;
  sink.Warn("COM1: 受信バッファがあふれました");  // returns at once, the box stays open
  QMessageBox* shown = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* b = qobject_cast<QMessageBox*>(w); b && b->isVisible()) shown = b;
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(shown->windowTitle(), "Seiko");
  EXPECT_EQ(shown->text(), QString::fromUtf8("COM1: 受信バッファがあふれました"));
  EXPECT_FALSE(shown->isModal());
  shown->close();
}

// The box of a lost line says when the line is back, instead of warning on.
TEST_F(QtControlsTest, AnOutagesBoxSaysWhenItIsOver) {
  QtMessageSink sink;
  sink.WarnUntilSettled("port", "COM1 が応答しません");
  QMessageBox* shown = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* b = qobject_cast<QMessageBox*>(w); b && b->isVisible()) shown = b;
  ASSERT_NE(shown, nullptr);
  sink.Settled("port", "COM1 は復旧しました");
  EXPECT_EQ(shown->text(), QString::fromUtf8("COM1 は復旧しました"));
  EXPECT_EQ(shown->icon(), QMessageBox::Information);
  shown->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  // A box the operator closed is left alone; a key never warned is nothing.
  sink.WarnUntilSettled("port", "COM1 が応答しません");
  sink.Settled("other", "x");
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* b = qobject_cast<QMessageBox*>(w); b && b->isVisible()) b->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  sink.Settled("port", "COM1 は復旧しました");
}

TEST_F(QtControlsTest, QuestionIsAnsweredByItsButtons) {
  QtMessageSink sink;
  auto answer = [](QMessageBox::StandardButton which) {
    QTimer::singleShot(0, [which] {
      for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* b = qobject_cast<QMessageBox*>(w); b && b->isVisible()) b->button(which)->click();
    });
  };
  answer(QMessageBox::Ok);
  EXPECT_TRUE(sink.AskOkCancel("上書きしますか"));
  answer(QMessageBox::Cancel);
  EXPECT_FALSE(sink.AskOkCancel("上書きしますか"));
  // A question whose OK loses something: Enter (the default button) is
  // Cancel, OK must be chosen.
  QTimer::singleShot(0, [] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* b = qobject_cast<QMessageBox*>(w); b && b->isVisible()) {
        QTest::keyClick(b, Qt::Key_Return);
      }
    }
  });
  EXPECT_FALSE(sink.AskOkCancelDefaultCancel("入力した記録は消えます"));
  answer(QMessageBox::Ok);
  EXPECT_TRUE(sink.AskOkCancelDefaultCancel("入力した記録は消えます"));
}

TEST_F(QtControlsTest, GuardedShowsEveryFailureAndGoesOn) {
  std::vector<std::string> shown;
  auto show = [&](const std::string& e) { shown.push_back(e); };
  Guarded([] { throw RuntimeError("meet.dat: 読めません"); }, show);
  Guarded([] { throw std::out_of_range("index 12"); }, show);
  Guarded([] { throw 42; }, show);
  Guarded([] {}, show);
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0], "meet.dat: 読めません");
  EXPECT_EQ(shown[1], "index 12");
  EXPECT_FALSE(shown[2].empty());
}

}  // namespace
}  // namespace poolside
