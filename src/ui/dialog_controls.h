#pragma once
// The named controls of the desk's own dialogs (the touch repair window
// frmTouch, the result view frmResult, the recovery dialog frmRecover) in
// the control registry, so that the automation runner reaches them as it
// reaches the timing window's: every child widget with an object name, a
// line edit or a spin box as a text box, a label as a label, a push button
// as a button, anything else (a table, a list, a choice) as a widget that
// takes keys and clicks. A dialog made again replaces its window's entries.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/control_registry.h"

class QWidget;

namespace poolside {

class TextBox;
class Label;
class Button;

class DialogControls {
 public:
  explicit DialogControls(ControlRegistry& registry) : registry_(registry) {}
  ~DialogControls();
  DialogControls(const DialogControls&) = delete;
  DialogControls& operator=(const DialogControls&) = delete;

  // Registers the named children of `dialog` as window `window`; `dialog`
  // must outlive the registration or be adopted again (or Forget) first.
  void Adopt(const std::string& window, QWidget* dialog);
  void Forget(const std::string& window);
  // The dialog adopted as `window`, or null.
  QWidget* Find(const std::string& window) const;

 private:
  struct Adopted {
    QWidget* dialog = nullptr;
    std::vector<std::unique_ptr<TextBox>> boxes;
    std::vector<std::unique_ptr<Label>> labels;
    std::vector<std::unique_ptr<Button>> buttons;
  };
  ControlRegistry& registry_;
  std::map<std::string, Adopted> windows_;
};

// The names of the dialogs above.
bool IsDialogWindow(const std::string& name);

}  // namespace poolside
