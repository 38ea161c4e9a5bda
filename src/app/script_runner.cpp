#include "app/script_runner.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <vector>

#include "app/script_input.h"
#include "app/script_keys.h"
#include "app/script_parser.h"
#include "app/script_printers.h"

namespace poolside {

ScriptRunner::ScriptRunner(AppWindows& windows, ScriptedPort& port, ScriptMessageSink& messages,
                           const PathMapper& paths, std::ostream& out)
    : windows_(windows), port_(port), messages_(messages), paths_(paths), out_(out) {}

namespace {

// One script run: each command's words checked and handed to the windows,
// the port, the message sink or a printer.
class Executor {
 public:
  Executor(AppWindows& windows, ScriptedPort& port, ScriptMessageSink& messages,
           const PathMapper& paths, std::ostream& out)
      : windows_(windows), port_(port), messages_(messages), paths_(paths), out_(out) {}

  // Carries out one line's words; returns an exit status to end with, or -1
  // to go on. Throws ScriptError for a line that cannot be understood.
  int Execute(const std::vector<std::string>& w) {
    for (const Command& command : kCommands) {
      if (w[0] != command.name) continue;
      Arity(w, command.minWords, command.maxWords);
      return (this->*command.run)(w);
    }
    throw ScriptError("unknown command " + w[0]);
  }

 private:
  using Words = std::vector<std::string>;
  // A command: its name, the number of words of its line (itself included)
  // and what it does.
  struct Command {
    const char* name;
    std::size_t minWords;
    std::size_t maxWords;
    int (Executor::*run)(const Words&);
  };
  static const Command kCommands[19];

  int End(const Words&) { return 0; }
  int Load(const Words& w) {
    RequireWindow(w[1]);
    return windows_.LoadWindow(w[1]) ? -1 : 1;  // a failed load reported itself
  }
  int Close(const Words& w) {
    RequireWindow(w[1]);
    windows_.CloseWindow(w[1]);
    return -1;
  }
  int SetText(const Words& w) {
    TextBoxOf(w[1]).SetText(w[2]);
    return -1;
  }
  int Caret(const Words& w) {
    TextBoxOf(w[1]).SetCaret(ParseScriptNumber(w[2], "the caret position", 0, 1000000));
    return -1;
  }
  int Key(const Words& w) {
    const RegisteredControl& c = Control(w[1]);
    if (!c.widget) throw ScriptError(w[1] + " is a menu entry, not a control with a focus");
    PressKey(c, ScriptKeyCode(w[2]),
             w.size() > 3 ? ParseScriptNumber(w[3], "the shift state", 0, 7) : 0);
    return -1;
  }
  int ClickCommand(const Words& w) {
    Click(Control(w[1]));
    return -1;
  }
  int Answer(const Words& w) {
    // OK: the default button, Cancel: the escape button, any other text
    // the button of that text (a question with buttons of its own).
    messages_.QueueAnswer(w[1]);
    return -1;
  }
  int Port(const Words& w) {
    port_.DeliverBlock(w[1]);
    return -1;
  }
  int PortStream(const Words& w) {
    port_.Stream(w[1]);
    return -1;
  }
  int PortLost(const Words&) {
    port_.Vanish();
    return -1;
  }
  int PortBack(const Words&) {
    port_.Return();
    return -1;
  }
  int Wait(const Words& w) {
    RunEventsFor(ParseScriptNumber(w[1], "the wait in milliseconds", 0, 600000));
    return -1;
  }
  // Runs the events until the control shows TEXT (its text or caption
  // contains it), for at most MS milliseconds (10 s when not given); a
  // control that never shows it ends the run with status 1.
  int WaitFor(const Words& w) {
    const RegisteredControl& c = Control(w[1]);
    const int ms =
        w.size() > 3 ? ParseScriptNumber(w[3], "the wait in milliseconds", 0, 600000) : 10000;
    const std::string name = c.name;
    const bool shown = RunEventsUntil(
        [&] {
          const RegisteredControl* now = windows_.Controls().Find(name);
          return now && ControlText(*now).find(w[2]) != std::string::npos;
        },
        ms);
    if (shown) return -1;
    return TimedOut(name + " did not show " + QuoteScriptText(w[2]), ms);
  }
  // Runs the events until the file PATH exists (something outside the
  // program made it), for at most MS milliseconds (10 s when not given).
  int WaitFile(const Words& w) {
    const int ms =
        w.size() > 2 ? ParseScriptNumber(w[2], "the wait in milliseconds", 0, 600000) : 10000;
    const std::string native = paths_.Resolve(w[1]);
    const bool there = RunEventsUntil(
        [&] {
          std::error_code ec;
          return std::filesystem::exists(native, ec);
        },
        ms);
    return there ? -1 : TimedOut(w[1] + " did not appear", ms);
  }
  int TimedOut(const std::string& what, int ms) {
    out_.flush();
    std::cerr << "error: " << what << " within " << ms << " ms\n";
    return 1;
  }
  int Show(const Words& w) {
    if (IsPlainName(w[1])) {
      RequireWindow(w[1]);
      PrintWindow(out_, w[1], windows_.FindWindow(w[1]));
    } else {
      PrintControl(out_, Control(w[1]));
    }
    return -1;
  }
  int Focus(const Words&) {
    PrintFocus(out_, windows_.Controls());
    return -1;
  }
  int State(const Words&) {
    PrintState(out_, windows_.Race());
    return -1;
  }
  int File(const Words& w) {
    PrintFile(out_, paths_, w[1]);
    return -1;
  }

  static void Arity(const Words& w, std::size_t min, std::size_t max) {
    if (w.size() < min || w.size() > max) {
      std::string expected = std::to_string(min - 1);
      if (max != min) expected += " to " + std::to_string(max - 1);
      throw ScriptError(w[0] + " takes " + expected + " argument(s), not " +
                        std::to_string(w.size() - 1));
    }
  }

  void RequireWindow(const std::string& name) {
    if (!windows_.IsKnownWindow(name)) throw ScriptError("unknown window " + name);
  }

  const RegisteredControl& Control(const std::string& text) {
    const auto name = ParseControlName(text);
    if (!name) throw ScriptError("not a control name: " + text);
    const RegisteredControl* c = windows_.Controls().Find(name->FullName());
    if (!c) {
      if (!windows_.IsKnownWindow(name->window))
        throw ScriptError("unknown window " + name->window + " in " + text);
      throw ScriptError("no control " + text + " (unknown, or its window is not loaded)");
    }
    return *c;
  }

  TextBox& TextBoxOf(const std::string& name) {
    const RegisteredControl& c = Control(name);
    if (!c.textBox) throw ScriptError(name + " is not a text box");
    return *c.textBox;
  }

  AppWindows& windows_;
  ScriptedPort& port_;
  ScriptMessageSink& messages_;
  const PathMapper& paths_;
  std::ostream& out_;
};

const Executor::Command Executor::kCommands[19] = {
    {"end", 1, 1, &Executor::End},
    {"load", 2, 2, &Executor::Load},
    {"close", 2, 2, &Executor::Close},
    {"settext", 3, 3, &Executor::SetText},
    {"caret", 3, 3, &Executor::Caret},
    {"key", 3, 4, &Executor::Key},
    {"click", 2, 2, &Executor::ClickCommand},
    {"answer", 2, 2, &Executor::Answer},
    {"port", 2, 2, &Executor::Port},
    {"portstream", 2, 2, &Executor::PortStream},
    {"portlost", 1, 1, &Executor::PortLost},
    {"portback", 1, 1, &Executor::PortBack},
    {"wait", 2, 2, &Executor::Wait},
    {"waitfor", 3, 4, &Executor::WaitFor},
    {"waitfile", 2, 3, &Executor::WaitFile},
    {"show", 2, 2, &Executor::Show},
    {"focus", 1, 1, &Executor::Focus},
    {"state", 1, 1, &Executor::State},
    {"file", 2, 2, &Executor::File},
};

}  // namespace

int ScriptRunner::Run(const std::string& scriptPath) {
  std::ifstream in(scriptPath, std::ios::binary);
  if (!in) {
    std::cerr << "error: cannot read the script " << scriptPath << "\n";
    return 2;
  }
  Executor executor(windows_, port_, messages_, paths_, out_);
  RunPostedEvents();  // what the start-up posted comes before the first line
  std::string line;
  int lineNo = 0;
  while (std::getline(in, line)) {
    ++lineNo;
    if (IsSkippedScriptLine(line)) continue;
    int status = -1;
    try {
      const std::vector<std::string> words = SplitScriptWords(line);
      if (words.empty()) continue;
      status = executor.Execute(words);
    } catch (const ScriptError& e) {
      out_.flush();
      std::cerr << "error: " << scriptPath << ": line " << lineNo << ": " << e.what() << "\n";
      return 2;
    } catch (const std::exception& e) {
      // A failure that escaped a handler ends that action only.
      messages_.ShowError(e.what());
    }
    RunPostedEvents();
    out_.flush();
    if (status >= 0) return status;
  }
  return 0;
}

}  // namespace poolside
