#include "ui/view_builder.h"

#include <QMenuBar>

#include <QAction>
#include <QMenu>

namespace poolside {

RegisteredControl ViewBuilder::Entry(const std::string& name, QWidget* widget) const {
  RegisteredControl rc;
  rc.name = window_ + "." + name;
  rc.widget = widget;
  return rc;
}

QtTextBox* ViewBuilder::Box(const std::string& name, int index, const std::string& text) {
  auto* edit = new QLineEdit(QString::fromStdString(text), parent_);
  edit->setObjectName(QString::fromStdString(Name(name, index)));
  boxes_.push_back(std::make_unique<QtTextBox>(edit));
  QtTextBox* box = boxes_.back().get();
  box->SetBackColor(kWhite);
  RegisteredControl rc = Entry(Name(name, index), edit);
  rc.textBox = box;
  registry_.Add(rc);
  return box;
}

QtLabel* ViewBuilder::Caption(const std::string& name, int index, const std::string& caption) {
  auto* label = new QLabel(parent_);
  label->setObjectName(QString::fromStdString(Name(name, index)));
  labels_.push_back(std::make_unique<QtLabel>(label));
  QtLabel* l = labels_.back().get();
  l->SetCaption(caption);
  RegisteredControl rc = Entry(Name(name, index), label);
  rc.label = l;
  registry_.Add(rc);
  return l;
}

QtButton* ViewBuilder::Push(const std::string& name, const std::string& caption) {
  auto* button = new QPushButton(QString::fromStdString(caption), parent_);
  button->setObjectName(QString::fromStdString(name));
  button->setAutoDefault(false);
  button->setDefault(false);
  buttons_.push_back(std::make_unique<QtButton>(button));
  RegisteredControl rc = Entry(name, button);
  rc.button = buttons_.back().get();
  registry_.Add(rc);
  return buttons_.back().get();
}

void ViewBuilder::AddAction(const std::string& name, QAction* action) {
  action->setObjectName(QString::fromStdString(name));
  RegisteredControl rc;
  rc.name = window_ + "." + name;
  rc.action = action;
  registry_.Add(rc);
}

QAction* ViewBuilder::Menu(QMenu* menu, const std::string& name, const std::string& caption) {
  QAction* a = menu->addAction(QString::fromStdString(caption));
  AddAction(name, a);
  return a;
}

QAction* ViewBuilder::BarEntry(QMenuBar* bar, const std::string& name, const std::string& caption) {
  QAction* a = bar->addAction(QString::fromStdString(caption));
  AddAction(name, a);
  return a;
}

QMenu* ViewBuilder::BarMenu(QMenuBar* bar, const std::string& name, const std::string& caption) {
  QMenu* menu = bar->addMenu(QString::fromStdString(caption));
  AddAction(name, menu->menuAction());
  return menu;
}

}  // namespace poolside
