#include "app/script_keys.h"

#include "app/script_parser.h"
#include "platform/controls.h"
#include "platform/qt/qt_controls.h"

namespace poolside {

int ScriptKeyCode(const std::string& word) {
  if (word == "Enter") return kKeyEnter;
  if (word == "Left") return kKeyLeft;
  if (word == "Up") return kKeyUp;
  if (word == "Right") return kKeyRight;
  if (word == "Down") return kKeyDown;
  return ParseScriptNumber(word, "the key (Enter, Left, Up, Right, Down or a key code)", 1, 255);
}

QtKeyPress KeyPressOf(int vk, int shift) {
  QtKeyPress k;
  const bool shifted = (shift & kShiftMask) != 0;
  switch (vk) {
    case 190:  // period of the main keyboard
    case 110:  // decimal point of the keypad
      k.key = Qt::Key_Period;
      k.text = ".";
      return k;
    case 189:  // minus of the main keyboard
    case 109:  // minus of the keypad
      k.key = Qt::Key_Minus;
      k.text = "-";
      return k;
    default:
      break;
  }
  if (vk >= 96 && vk <= 105) {  // keypad digits
    k.key = Qt::Key_0 + (vk - 96);
    k.text = QString(QChar('0' + (vk - 96)));
    return k;
  }
  k.key = QtKeyOf(vk);
  if (vk == kKeyEnter) {
    k.text = "\r";
  } else if (vk == 32) {
    k.text = " ";
  } else if (vk >= '0' && vk <= '9') {
    k.text = QString(QChar(vk));
  } else if (vk >= 'A' && vk <= 'Z') {
    k.text = QString(QChar(shifted ? vk : vk - 'A' + 'a'));
  }
  if (shift & (kCtrlMask | kAltMask)) k.text.clear();
  return k;
}

Qt::KeyboardModifiers ModifiersOf(int shift) {
  Qt::KeyboardModifiers m = Qt::NoModifier;
  if (shift & kShiftMask) m |= Qt::ShiftModifier;
  if (shift & kCtrlMask) m |= Qt::ControlModifier;
  if (shift & kAltMask) m |= Qt::AltModifier;
  return m;
}

}  // namespace poolside
