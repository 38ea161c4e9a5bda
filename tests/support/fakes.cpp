#include "support/fakes.h"

#include "platform/cp932.h"
#include "platform/errors.h"

#include <utility>

namespace poolside::testing {

namespace {
const void* g_focus = nullptr;
}

const void* FocusedControl() { return g_focus; }
void ClearFocus() { g_focus = nullptr; }

void FakeTextBox::SetText(const std::string& t) {
  if (t == text) return;
  text = t;
  caret = static_cast<int>(Utf8Length(text));
  ++changeCount;
  if (onChange) onChange();
}

bool FakeTextBox::HasFocus() const { return g_focus == this; }
void FakeTextBox::SetFocus() { g_focus = this; }
bool FakeButton::HasFocus() const { return g_focus == this; }
void FakeButton::SetFocus() { g_focus = this; }

bool FakeMessages::AskOkCancel(const std::string& text) {
  questions.push_back(text);
  if (answers.empty()) return true;
  bool a = answers.front();
  answers.pop_front();
  return a;
}

int FakeMessages::AskChoice(const std::string& text, const std::vector<std::string>&,
                            int defaultButton, int) {
  questions.push_back(text);
  if (choices.empty()) return defaultButton;
  const int c = choices.front();
  choices.pop_front();
  return c;
}

void FakeSerialPort::OpenPort() {
  calls.push_back("open");
  if (failOpen) throw IoError("COM" + std::to_string(PortNumber()) + ": cannot open (test)");
  ++opens;
}

void FakeSerialPort::Close() {
  calls.push_back("close");
  if (IsOpen()) ++closes;
  BufferedPort::Close();
}

void FakeSerialPort::Hold(const std::string& block) {
  Buffer() = block;
  wholeNextRead_ = true;
}

std::string FakeSerialPort::Read() {
  if (std::exchange(wholeNextRead_, false)) return std::exchange(Buffer(), std::string());
  return BufferedPort::Read();
}

void FakeHost::RunPosted() {
  while (!posted.empty()) {
    auto tasks = std::move(posted);
    posted.clear();
    for (auto& t : tasks) t();
  }
}

void FakeHost::RunDelayed() {
  auto tasks = std::move(delayed);
  delayed.clear();
  for (auto& t : tasks) t.second();
}

}  // namespace poolside::testing
