#pragma once
// The automation runner: carries out a script line by line against the real
// windows (docs/automation.md holds the contract), and the message sink of a
// script run, which prints every box and answers questions from a queue.

#include <deque>
#include <ostream>
#include <string>

#include "platform/messages.h"
#include "platform/paths.h"
#include "platform/scripted_port.h"
#include "ui/app_windows.h"

namespace poolside {

class ScriptMessageSink : public MessageSink {
 public:
  explicit ScriptMessageSink(std::ostream& out) : out_(out) {}
  void ShowMessage(const std::string& text) override;  // "message: TEXT"
  bool AskOkCancel(const std::string& text) override;  // + "answer: OK|Cancel"
  void ShowError(const std::string& text) override;    // "error: TEXT"
  void Warn(const std::string& text) override;         // standard error only
  void QueueAnswer(bool ok) { answers_.push_back(ok); }

 private:
  std::ostream& out_;
  std::deque<bool> answers_;
};

class ScriptRunner {
 public:
  ScriptRunner(AppWindows& windows, ScriptedPort& port, ScriptMessageSink& messages,
               const PathMapper& paths, std::ostream& out);
  // Runs the script from the event loop; returns the exit status: 0 at its
  // end or at `end`, 2 for a line that cannot be understood or names a
  // control that does not exist (the message names the line number).
  int Run(const std::string& scriptPath);

 private:
  AppWindows& windows_;
  ScriptedPort& port_;
  ScriptMessageSink& messages_;
  const PathMapper& paths_;
  std::ostream& out_;
};

}  // namespace poolside
