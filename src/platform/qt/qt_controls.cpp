#include "platform/qt/qt_controls.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPalette>

#include "platform/errors.h"

namespace poolside {

int VirtualKeyOf(int k) {
  switch (k) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return kKeyEnter;
    case Qt::Key_Left:
      return kKeyLeft;
    case Qt::Key_Up:
      return kKeyUp;
    case Qt::Key_Right:
      return kKeyRight;
    case Qt::Key_Down:
      return kKeyDown;
    case Qt::Key_Backspace:
      return 8;
    case Qt::Key_Tab:
      return 9;
    case Qt::Key_Escape:
      return 27;
    case Qt::Key_Space:
      return 32;
    case Qt::Key_Delete:
      return 46;
    default:
      break;
  }
  if ((k >= Qt::Key_0 && k <= Qt::Key_9) || (k >= Qt::Key_A && k <= Qt::Key_Z)) return k;
  return k < 256 ? k : 0;
}

int QtKeyOf(int vk) {
  switch (vk) {
    case kKeyEnter:
      return Qt::Key_Return;
    case kKeyLeft:
      return Qt::Key_Left;
    case kKeyUp:
      return Qt::Key_Up;
    case kKeyRight:
      return Qt::Key_Right;
    case kKeyDown:
      return Qt::Key_Down;
    case 8:
      return Qt::Key_Backspace;
    case 9:
      return Qt::Key_Tab;
    case 27:
      return Qt::Key_Escape;
    case 46:
      return Qt::Key_Delete;
    default:
      return vk;  // digits, letters and the space share their codes
  }
}

int ShiftStateOf(Qt::KeyboardModifiers m) {
  int s = 0;
  if (m & Qt::ShiftModifier) s |= kShiftMask;
  if (m & Qt::ControlModifier) s |= kCtrlMask;
  if (m & Qt::AltModifier) s |= kAltMask;
  return s;
}

namespace {
QColor ToQColor(const Color& c) {
  if (c.face) return QApplication::palette().color(QPalette::Button);
  return QColor(c.r, c.g, c.b);
}

// Carets count characters; QLineEdit counts UTF-16 units.
int UnitsToChars(const QString& s, int units) {
  int chars = 0;
  for (int i = 0; i < units && i < s.size(); ++i)
    if (!s.at(i).isLowSurrogate()) ++chars;
  return chars;
}

int CharsToUnits(const QString& s, int chars) {
  int i = 0;
  for (int c = 0; c < chars && i < s.size(); ++c) {
    i += s.at(i).isHighSurrogate() ? 2 : 1;
  }
  return std::min<int>(i, s.size());
}
}  // namespace

std::string QtTextBox::Text() const { return edit_->text().toStdString(); }

void QtTextBox::SetText(const std::string& text) {
  QString q = QString::fromStdString(text);
  if (q != edit_->text()) edit_->setText(q);  // textChanged runs the change handling
  edit_->setCursorPosition(edit_->text().size());
}

int QtTextBox::Caret() const { return UnitsToChars(edit_->text(), edit_->cursorPosition()); }

void QtTextBox::SetCaret(int position) {
  edit_->setCursorPosition(CharsToUnits(edit_->text(), std::max(0, position)));
}

void QtTextBox::SetBackColor(const Color& c) {
  back_ = c;
  QPalette p = edit_->palette();
  p.setColor(QPalette::Base, ToQColor(c));
  edit_->setPalette(p);
}

void QtLabel::SetCaption(const std::string& caption) {
  caption_ = caption;
  QString q = QString::fromStdString(caption);
  q.replace("\r\n", "\n");
  q.replace(QChar('\r'), QChar('\n'));
  label_->setText(q);
}

void QtLabel::SetBackColor(const Color& c) {
  back_ = c;
  QPalette p = label_->palette();
  p.setColor(QPalette::Window, ToQColor(c));
  label_->setPalette(p);
  label_->setAutoFillBackground(true);
}

bool QtLabel::Bold() const { return label_->font().bold(); }

void QtLabel::SetBold(bool on) {
  QFont f = label_->font();
  if (f.bold() == on) return;
  f.setBold(on);
  label_->setFont(f);
}

bool KeyForwarder::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* ke = static_cast<QKeyEvent*>(event);
    int vk = VirtualKeyOf(ke->key());
    if (vk != 0) handler_(vk, ShiftStateOf(ke->modifiers()));
  }
  return QObject::eventFilter(watched, event);
}

void Guarded(const std::function<void()>& action,
             const std::function<void(const std::string&)>& onError) {
  try {
    action();
  } catch (const std::exception& e) {
    onError(e.what());
  } catch (...) {
    // Nothing may escape into Qt's event loop: the program keeps running.
    onError("予期しないエラーが発生しました (unexpected failure)");
  }
}

}  // namespace poolside
