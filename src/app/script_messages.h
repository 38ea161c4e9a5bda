#pragma once
// The message sink of a script run: prints every box on the script's output
// and answers questions from a queue that the script's `answer` lines fill.

#include <deque>
#include <ostream>
#include <string>

#include "platform/messages.h"

namespace poolside {

class ScriptMessageSink : public MessageSink {
 public:
  explicit ScriptMessageSink(std::ostream& out) : out_(out) {}
  void ShowMessage(const std::string& text) override;  // "message: TEXT"
  bool AskOkCancel(const std::string& text) override;  // + "answer: OK|Cancel"
  // + "answer: BUTTON" with the chosen button's text.
  int AskChoice(const std::string& text, const std::vector<std::string>& buttons, int defaultButton,
                int escapeButton) override;
  void ShowError(const std::string& text) override;  // "error: TEXT"
  void Warn(const std::string& text) override;
  void Settled(const std::string& key, const std::string& text) override;  // standard error only
  void QueueAnswer(bool ok) { answers_.push_back(ok ? "OK" : "Cancel"); }
  // "OK" is the default button, "Cancel" the escape button, any other text
  // the button with that text.
  void QueueAnswer(const std::string& button) { answers_.push_back(button); }

 private:
  std::ostream& out_;
  std::deque<std::string> answers_;
};

}  // namespace poolside
