#pragma once
// Every control of the program's windows by its script name
// ("frmRace.txtKiro(3)", "frmKyogi.mLpPage"), with its widget or menu action
// and its adapter. Filled by the views as they build their widgets; read by
// the automation runner and the wiring tests.

#include <map>
#include <string>

#include "platform/controls.h"

class QWidget;
class QAction;

namespace poolside {

struct RegisteredControl {
  std::string name;            // "frmRace.txtKiro(3)"
  QWidget* widget = nullptr;   // null for a menu entry
  QAction* action = nullptr;   // menu entries only
  TextBox* textBox = nullptr;  // exactly one of textBox, label, button is
  Label* label = nullptr;      // set for a widget; none for a menu entry
  Button* button = nullptr;
};

class ControlRegistry {
 public:
  void Add(const RegisteredControl& control);
  // Removes every control of window `window` ("frmKyogi").
  void RemoveWindow(const std::string& window);
  const RegisteredControl* Find(const std::string& name) const;
  // Name of the control whose widget is `w`, or "" when none.
  std::string NameOf(const QWidget* w) const;

 private:
  std::map<std::string, RegisteredControl> controls_;
};

}  // namespace poolside
