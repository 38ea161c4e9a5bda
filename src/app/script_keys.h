#pragma once
// The keys of a script's `key` line: the key word ("Enter", "Left", ... or a
// decimal key code) and the Qt key event that a key code and shift state
// give the widget.

#include <string>

#include <QString>
#include <Qt>

namespace poolside {

// The key code of a key word: Enter, Left, Up, Right, Down or a decimal key
// code from 1 to 255. Throws ScriptError for anything else.
int ScriptKeyCode(const std::string& word);

// A key code as a QKeyEvent needs it: the Qt key and the text it types.
struct QtKeyPress {
  int key = 0;
  QString text;
};

// The key and text of key code `vk` under shift state `shift` (the shift,
// ctrl and alt bits of the key handlers): letters type upper case with
// Shift, digits and the keypad's digits type their digit, period and minus
// of both keyboards type "." and "-"; with Ctrl or Alt nothing is typed.
QtKeyPress KeyPressOf(int vk, int shift);
Qt::KeyboardModifiers ModifiersOf(int shift);

}  // namespace poolside
