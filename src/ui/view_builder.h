#pragma once
// Creates the named controls of one window, keeps their adapters and puts
// them in the control registry under "WINDOW.NAME" or "WINDOW.NAME(INDEX)".

#include <memory>
#include <string>
#include <vector>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "platform/qt/qt_controls.h"
#include "ui/control_registry.h"

class QAction;
class QMenu;
class QMenuBar;

namespace poolside {

class ViewBuilder {
 public:
  ViewBuilder(ControlRegistry& registry, std::string window, QWidget* parent)
      : registry_(registry), window_(std::move(window)), parent_(parent) {}

  static std::string Name(const std::string& name, int index) {
    return index < 0 ? name : name + "(" + std::to_string(index) + ")";
  }
  QtTextBox* Box(const std::string& name, int index = -1, const std::string& text = "");
  QtLabel* Caption(const std::string& name, int index = -1, const std::string& caption = "");
  QtButton* Push(const std::string& name, const std::string& caption);
  QAction* Menu(QMenu* menu, const std::string& name, const std::string& caption);
  // An entry of the menu bar itself, and a menu of the bar, registered
  // under their names.
  QAction* BarEntry(QMenuBar* bar, const std::string& name, const std::string& caption);
  QMenu* BarMenu(QMenuBar* bar, const std::string& name, const std::string& caption);
  const std::string& Window() const { return window_; }

 private:
  // The registry entry of `widget` under "WINDOW.name".
  RegisteredControl Entry(const std::string& name, QWidget* widget) const;
  void AddAction(const std::string& name, QAction* action);

  ControlRegistry& registry_;
  std::string window_;
  QWidget* parent_;
  std::vector<std::unique_ptr<QtTextBox>> boxes_;
  std::vector<std::unique_ptr<QtLabel>> labels_;
  std::vector<std::unique_ptr<QtButton>> buttons_;
};

}  // namespace poolside
