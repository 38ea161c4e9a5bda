#include "platform/qt/qt_messages.h"

#include <QApplication>
#include <QMessageBox>

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

void QtMessageSink::ShowError(const std::string& text) {
  QMessageBox::critical(QApplication::activeWindow(), kTitle, Text(text));
}

void QtMessageSink::Warn(const std::string& text) {
  auto* box = new QMessageBox(QMessageBox::Warning, kTitle, Text(text), QMessageBox::Ok);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setModal(false);
  box->show();
}

}  // namespace poolside
