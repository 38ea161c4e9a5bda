#pragma once
// Fakes of the control, message, port and host interfaces for the logic
// tests. They behave as the Qt widgets do where the logic relies on it: a
// text box runs its change handler when SetText changes the text, and the
// caret then stands after the last character.

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/buffered_port.h"
#include "platform/controls.h"
#include "platform/messages.h"
#include "platform/window_host.h"

namespace poolside::testing {

class FakeTextBox : public TextBox {
 public:
  std::string Text() const override { return text; }
  void SetText(const std::string& t) override;
  int Caret() const override { return caret; }
  void SetCaret(int p) override { caret = p; }
  Color BackColor() const override { return back; }
  void SetBackColor(const Color& c) override { back = c; }
  bool Enabled() const override { return enabled; }
  void SetEnabled(bool on) override { enabled = on; }
  bool HasFocus() const override;
  void SetFocus() override;
  std::string ToolTip() const override { return tip; }
  void SetToolTip(const std::string& t) override { tip = t; }

  // Typing: the text changes as SetText does.
  void Type(const std::string& t) { SetText(t); }

  std::string text;
  int caret = 0;
  Color back = kWhite;
  bool enabled = true;
  std::string tip;
  std::function<void()> onChange;
  int changeCount = 0;
};

class FakeLabel : public Label {
 public:
  std::string Caption() const override { return caption; }
  void SetCaption(const std::string& c) override { caption = c; }
  Color BackColor() const override { return back; }
  void SetBackColor(const Color& c) override { back = c; }
  bool Bold() const override { return bold; }
  void SetBold(bool on) override { bold = on; }
  std::string caption;
  Color back = kFaceColor;
  bool bold = false;
};

class FakeButton : public Button {
 public:
  std::string Caption() const override { return caption; }
  void SetCaption(const std::string& c) override { caption = c; }
  bool Enabled() const override { return enabled; }
  void SetEnabled(bool on) override { enabled = on; }
  bool HasFocus() const override;
  void SetFocus() override;
  std::string caption;
  bool enabled = true;
};

// Which fake control has the focus (one per test process).
const void* FocusedControl();
void ClearFocus();

class FakeMessages : public MessageSink {
 public:
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  bool AskOkCancel(const std::string& text) override;
  void ShowError(const std::string& text) override { errors.push_back(text); }
  void Warn(const std::string& text) override { warnings.push_back(text); }
  void Settled(const std::string& key, const std::string& text) override {
    settled.push_back(key + ": " + text);
  }
  // The question goes into `questions`; the answer is the next of `choices`
  // (a button's index), the default button when none is queued.
  int AskChoice(const std::string& text, const std::vector<std::string>& buttons, int defaultButton,
                int escapeButton) override;

  std::vector<std::string> messages;
  std::vector<std::string> questions;
  std::vector<std::string> errors;
  std::vector<std::string> warnings;
  std::vector<std::string> settled;  // "KEY: text" of each Settled
  std::deque<bool> answers;          // next answers to AskOkCancel; OK when empty
  std::deque<int> choices;           // next answers to AskChoice
};

// A serial port whose receive buffer the test fills.
class FakeSerialPort : public BufferedPort {
 public:
  void Close() override;
  std::string Read() override;

  // Appends bytes to the receive buffer without notifying (no size limit).
  void Feed(const std::string& bytes) { Buffer() += bytes; }
  // Bytes arriving on the line: buffered and notified as a port does.
  void Arrive(const std::string& bytes) { Receive(bytes); }
  // The next read returns exactly `block`, whatever the read length.
  void Hold(const std::string& block);
  // The device vanishes: the port is closed without a Close call.
  void Vanish() { BufferedPort::Close(); }
  const std::string& Waiting() { return Buffer(); }

  bool failOpen = false;  // Open throws IoError
  int opens = 0;
  int closes = 0;
  std::vector<std::string> calls;  // "open", "close", "discard", "inputlen 16"...

 protected:
  void OpenPort() override;

 private:
  bool wholeNextRead_ = false;
};

class FakeHost : public WindowHost {
 public:
  void Post(std::function<void()> task) override { posted.push_back(std::move(task)); }
  void PostDelayed(int ms, std::function<void()> task) override {
    delayed.push_back({ms, std::move(task)});
  }
  void EndProgram(int status) override {
    ended = true;
    endStatus = status;
  }
  // Runs the posted tasks as the event loop would.
  void RunPosted();
  // Runs the delayed tasks queued so far (as if their time had come).
  void RunDelayed();
  std::vector<std::function<void()>> posted;
  std::vector<std::pair<int, std::function<void()>>> delayed;
  bool ended = false;
  int endStatus = -1;
};

}  // namespace poolside::testing
