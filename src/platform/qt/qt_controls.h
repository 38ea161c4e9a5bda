#pragma once
// The control interfaces over Qt widgets, and the key forwarding that turns
// a widget's key presses into the logic's key-down handling.

#include <functional>

#include <QLabel>
#include <QLineEdit>
#include <QObject>
#include <QPushButton>

#include "platform/controls.h"

namespace poolside {

// Virtual key code and shift state of a Qt key event (Enter 13, arrows 37-40,
// letters 65-90, digits 48-57; shift 1, ctrl 2, alt 4).
int VirtualKeyOf(int qtKey);
int ShiftStateOf(Qt::KeyboardModifiers modifiers);
// The Qt key for a virtual key code.
int QtKeyOf(int virtualKey);

class QtTextBox : public TextBox {
 public:
  explicit QtTextBox(QLineEdit* edit) : edit_(edit) {}
  std::string Text() const override;
  void SetText(const std::string& text) override;
  int Caret() const override;
  void SetCaret(int position) override;
  Color BackColor() const override { return back_; }
  void SetBackColor(const Color& c) override;
  bool Enabled() const override { return edit_->isEnabled(); }
  void SetEnabled(bool on) override { edit_->setEnabled(on); }
  bool HasFocus() const override { return edit_->hasFocus(); }
  void SetFocus() override { edit_->setFocus(Qt::OtherFocusReason); }
  std::string ToolTip() const override { return edit_->toolTip().toStdString(); }
  void SetToolTip(const std::string& tip) override {
    edit_->setToolTip(QString::fromStdString(tip));
  }
  QLineEdit* Widget() const { return edit_; }

 private:
  QLineEdit* edit_;
  Color back_ = kWhite;
};

class QtLabel : public Label {
 public:
  explicit QtLabel(QLabel* label) : label_(label) {}
  std::string Caption() const override { return caption_; }
  void SetCaption(const std::string& caption) override;
  Color BackColor() const override { return back_; }
  void SetBackColor(const Color& c) override;
  bool Bold() const override;
  void SetBold(bool on) override;
  QLabel* Widget() const { return label_; }

 private:
  QLabel* label_;
  std::string caption_;  // as set: a "\r" stays "\r" (shown as a line break)
  Color back_ = kFaceColor;
};

class QtButton : public Button {
 public:
  explicit QtButton(QPushButton* button) : button_(button) {}
  std::string Caption() const override { return button_->text().toStdString(); }
  void SetCaption(const std::string& caption) override {
    button_->setText(QString::fromStdString(caption));
  }
  bool Enabled() const override { return button_->isEnabled(); }
  void SetEnabled(bool on) override { button_->setEnabled(on); }
  bool HasFocus() const override { return button_->hasFocus(); }
  void SetFocus() override { button_->setFocus(Qt::OtherFocusReason); }
  QPushButton* Widget() const { return button_; }

 private:
  QPushButton* button_;
};

// Calls `handler(virtualKey, shift)` on every key press of the widget it is
// installed on, then lets the widget handle the key as usual.
class KeyForwarder : public QObject {
 public:
  KeyForwarder(QObject* parent, std::function<void(int, int)> handler)
      : QObject(parent), handler_(std::move(handler)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::function<void(int, int)> handler_;
};

// The widget behind an adapter made by this layer.
inline QLineEdit* W(TextBox* b) { return static_cast<QtTextBox*>(b)->Widget(); }
inline QLabel* W(Label* l) { return static_cast<QtLabel*>(l)->Widget(); }
inline QPushButton* W(Button* b) { return static_cast<QtButton*>(b)->Widget(); }

// Runs `action`, showing any failure it throws through `onError`; the
// program goes on.
void Guarded(const std::function<void()>& action,
             const std::function<void(const std::string&)>& onError);

}  // namespace poolside
