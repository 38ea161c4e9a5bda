#include "ui/dialog_controls.h"

#include <QAbstractSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "platform/qt/qt_controls.h"

namespace poolside {

namespace {

// A dialog's label as it shows now (the dialog sets its text itself, not
// through an adapter that would remember it).
class ShownLabel : public Label {
 public:
  explicit ShownLabel(QLabel* label) : label_(label) {}
  std::string Caption() const override { return label_->text().toStdString(); }
  void SetCaption(const std::string& caption) override {
    label_->setText(QString::fromStdString(caption));
  }
  Color BackColor() const override { return kFaceColor; }
  void SetBackColor(const Color&) override {}

 private:
  QLabel* label_;
};

}  // namespace

bool IsDialogWindow(const std::string& name) {
  return name == "frmTouch" || name == "frmResult" || name == "frmRecover";
}

DialogControls::~DialogControls() {
  for (const auto& [window, adopted] : windows_) registry_.RemoveWindow(window);
}

void DialogControls::Forget(const std::string& window) {
  registry_.RemoveWindow(window);
  windows_.erase(window);
}

QWidget* DialogControls::Find(const std::string& window) const {
  const auto it = windows_.find(window);
  return it == windows_.end() ? nullptr : it->second.dialog;
}

void DialogControls::Adopt(const std::string& window, QWidget* dialog) {
  Forget(window);
  Adopted& a = windows_[window];
  a.dialog = dialog;
  for (QWidget* w : dialog->findChildren<QWidget*>()) {
    const std::string name = w->objectName().toStdString();
    if (name.empty() || name.rfind("qt_", 0) == 0) continue;
    RegisteredControl rc;
    rc.name = window + "." + name;
    rc.widget = w;
    QLineEdit* edit = qobject_cast<QLineEdit*>(w);
    // A spin box is typed into through its own line edit.
    if (auto* spin = qobject_cast<QAbstractSpinBox*>(w)) edit = spin->findChild<QLineEdit*>();
    if (edit != nullptr) {
      a.boxes.push_back(std::make_unique<QtTextBox>(edit));
      rc.textBox = a.boxes.back().get();
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
      a.labels.push_back(std::make_unique<ShownLabel>(label));
      rc.label = a.labels.back().get();
    } else if (auto* button = qobject_cast<QPushButton*>(w)) {
      a.buttons.push_back(std::make_unique<QtButton>(button));
      rc.button = a.buttons.back().get();
    }
    // Anything else (a table, a list, a choice) takes keys and clicks;
    // `show WINDOW` prints the rows of its tables and lists.
    registry_.Add(rc);
  }
}

}  // namespace poolside
