#pragma once
// What a script's `show`, `focus`, `state` and `file` lines print
// (docs/automation.md gives the forms), one line each.

#include <ostream>
#include <string>

#include "platform/paths.h"
#include "timing/race_window.h"
#include "ui/control_registry.h"

class QWidget;

namespace poolside {

// "NAME caption="..." shown=0|1" of window `name`; `top` is null when the
// window does not exist.
void PrintWindow(std::ostream& out, const std::string& name, const QWidget* top);
// The control's name and the fields of its kind (text box, label, button or
// menu entry).
void PrintControl(std::ostream& out, const RegisteredControl& c);
// The text a control shows: a text box's text, a label's, button's or menu
// entry's caption.
std::string ControlText(const RegisteredControl& c);
// "focus: NAME"; a focus on an unregistered part of a control counts for
// the registered control that holds it; "focus:" alone when no control of
// the program has the focus.
void PrintFocus(std::ostream& out, const ControlRegistry& controls);
// The timing window's fields, "NAME=VALUE" one a line.
void PrintState(std::ostream& out, const RaceWindow& r);
// "file: PATH size=N", then the bytes as "hex: " lines of up to 32
// lowercase hex pairs separated by single blanks (none for an empty file);
// "file: PATH missing" when there is no such file (a folder counts as
// missing). PATH as written, resolved through `paths`.
void PrintFile(std::ostream& out, const PathMapper& paths, const std::string& path);

}  // namespace poolside
