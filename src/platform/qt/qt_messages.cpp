#include "platform/qt/qt_messages.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace poolside {

namespace {
const char* kTitle = "Seiko";

QString Text(const std::string& t) {
  QString q = QString::fromStdString(t);
  q.replace("\r\n", "\n");  // one line break, not two
  q.replace(QChar('\r'), QChar('\n'));
  return q;
}
}  // namespace

void QtMessageSink::ShowMessage(const std::string& text) {
  QMessageBox::information(QApplication::activeWindow(), kTitle, Text(text));
}

bool QtMessageSink::AskOkCancel(const std::string& text) {
  return QMessageBox::question(QApplication::activeWindow(), kTitle, Text(text),
                               QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}

bool QtMessageSink::AskOkCancelDefaultCancel(const std::string& text) {
  return QMessageBox::question(QApplication::activeWindow(), kTitle, Text(text),
                               QMessageBox::Ok | QMessageBox::Cancel,
                               QMessageBox::Cancel) == QMessageBox::Ok;
}

int QtMessageSink::AskChoice(const std::string& text, const std::vector<std::string>& buttons,
                             int defaultButton, int escapeButton) {
  QMessageBox box(QMessageBox::Question, kTitle, Text(text), QMessageBox::NoButton,
                  QApplication::activeWindow());
  std::vector<QPushButton*> made;
  for (const std::string& b : buttons) {
    made.push_back(box.addButton(QString::fromStdString(b), QMessageBox::ActionRole));
  }
  const auto valid = [&](int i) { return i >= 0 && i < static_cast<int>(made.size()); };
  // Without a default button Enter picks nothing; without an escape button
  // Escape and the close box leave the question unanswered (-1).
  if (valid(defaultButton)) {
    box.setDefaultButton(made[static_cast<std::size_t>(defaultButton)]);
  } else {
    for (QPushButton* b : made) b->setAutoDefault(false);
  }
  if (valid(escapeButton)) box.setEscapeButton(made[static_cast<std::size_t>(escapeButton)]);
  box.exec();
  for (std::size_t i = 0; i < made.size(); ++i) {
    if (box.clickedButton() == made[i]) return static_cast<int>(i);
  }
  return valid(escapeButton) ? escapeButton : -1;
}

void QtMessageSink::ShowError(const std::string& text) {
  QMessageBox::critical(QApplication::activeWindow(), kTitle, Text(text));
}

namespace {
QMessageBox* ShowWarning(const std::string& text) {
  auto* box = new QMessageBox(QMessageBox::Warning, kTitle, Text(text), QMessageBox::Ok);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setModal(false);
  box->show();
  return box;
}
}  // namespace

void QtMessageSink::Warn(const std::string& text) { ShowWarning(text); }

void QtMessageSink::WarnUntilSettled(const std::string& key, const std::string& text) {
  open_[key] = ShowWarning(text);
}

void QtMessageSink::Settled(const std::string& key, const std::string& text) {
  auto it = open_.find(key);
  if (it == open_.end()) return;
  // A box the operator closed already is gone (deleted on close).
  if (QMessageBox* box = it->second.data(); box != nullptr && box->isVisible()) {
    box->setIcon(QMessageBox::Information);
    box->setText(Text(text));
  }
  open_.erase(it);
}

}  // namespace poolside
