#include "app/script_messages.h"

#include <algorithm>
#include <iostream>

#include "app/script_parser.h"

namespace poolside {

void ScriptMessageSink::ShowMessage(const std::string& text) {
  out_ << "message: " << EscapeMessageText(text) << "\n";
  out_.flush();
}

bool ScriptMessageSink::AskOkCancel(const std::string& text) {
  bool ok = true;  // OK when no answer is queued
  if (!answers_.empty()) {
    ok = answers_.front() != "Cancel" && answers_.front() != "キャンセル";
    answers_.pop_front();
  }
  out_ << "message: " << EscapeMessageText(text) << "\n"
       << "answer: " << (ok ? "OK" : "Cancel") << "\n";
  out_.flush();
  return ok;
}

int ScriptMessageSink::AskChoice(const std::string& text, const std::vector<std::string>& buttons,
                                 int defaultButton, int escapeButton) {
  int chosen = defaultButton;  // the default button when no answer is queued
  if (!answers_.empty()) {
    const std::string answer = answers_.front();
    answers_.pop_front();
    if (answer == "Cancel") {
      chosen = escapeButton;
    } else if (answer != "OK") {
      auto at = std::find(buttons.begin(), buttons.end(), answer);
      // A text that names no button of this question takes the escape
      // button, the choice that changes nothing, and says so.
      if (at == buttons.end()) {
        std::string names;
        for (const std::string& b : buttons) names += (names.empty() ? "" : ", ") + b;
        std::cerr << "warning: answer \"" << answer << "\" names no button of the question ("
                  << names << "); taking the escape button\n";
      }
      chosen = at == buttons.end() ? escapeButton : static_cast<int>(at - buttons.begin());
    }
  }
  if (chosen >= static_cast<int>(buttons.size())) chosen = -1;
  if (chosen < 0) chosen = -1;  // no default: the question stays unanswered
  out_ << "message: " << EscapeMessageText(text) << "\n"
       << "answer: " << (chosen < 0 ? std::string("(none)") : EscapeMessageText(buttons[chosen]))
       << "\n";
  out_.flush();
  return chosen;
}

void ScriptMessageSink::ShowError(const std::string& text) {
  out_ << "error: " << EscapeMessageText(text) << "\n";
  out_.flush();
}

void ScriptMessageSink::Settled(const std::string&, const std::string& text) {
  std::cerr << "settled: " << EscapeMessageText(text) << "\n";
}

void ScriptMessageSink::Warn(const std::string& text) {
  std::cerr << "warning: " << EscapeMessageText(text) << "\n";
}

}  // namespace poolside
