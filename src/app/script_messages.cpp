#include "app/script_messages.h"

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
    ok = answers_.front();
    answers_.pop_front();
  }
  out_ << "message: " << EscapeMessageText(text) << "\n"
       << "answer: " << (ok ? "OK" : "Cancel") << "\n";
  out_.flush();
  return ok;
}

void ScriptMessageSink::ShowError(const std::string& text) {
  out_ << "error: " << EscapeMessageText(text) << "\n";
  out_.flush();
}

void ScriptMessageSink::Warn(const std::string& text) {
  std::cerr << "warning: " << EscapeMessageText(text) << "\n";
}

}  // namespace poolside
