#pragma once
// The automation runner: carries out a script line by line against the real
// windows (docs/automation.md holds the contract). Its parts:
//   script_parser.h    the words of a line, control names, quoting
//   script_messages.h  the message sink that prints the boxes
//   script_keys.h      key words and key codes as Qt key events
//   script_input.h     running events, pressing keys, clicking
//   script_printers.h  what show, focus, state and file print

#include <ostream>
#include <string>

#include "app/script_messages.h"
#include "platform/paths.h"
#include "platform/scripted_port.h"
#include "ui/app_windows.h"

namespace poolside {

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
