#include "app/script_runner.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <vector>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPalette>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include "app/script_parser.h"
#include "platform/errors.h"
#include "platform/qt/qt_controls.h"
#include "timing/race_window.h"

namespace poolside {

// --- message sink of a script run

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

// --- the runner

namespace {

// Lets posted events and zero-delay tasks run, including tasks that those
// tasks post in turn, so deferred messages appear before the next line.
void RunPostedEvents() {
  for (int round = 0; round < 8; ++round) {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
  }
}

void RunEventsFor(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
  RunPostedEvents();
}

const char* Flag(bool on) { return on ? "1" : "0"; }

std::string TipField(const QWidget* w) {
  if (!w || w->toolTip().isEmpty()) return {};
  return " tip=" + QuoteScriptText(w->toolTip().toStdString());
}

// A button shows the face colour unless its palette was given another one.
std::string ButtonBack(const QWidget* w) {
  const QColor c = w->palette().color(QPalette::Button);
  if (c == QApplication::palette().color(QPalette::Button)) return "face";
  return ColorName(Color{static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
                         static_cast<std::uint8_t>(c.blue()), false});
}

// A decimal key code for a QKeyEvent: the Qt key and the text it types.
struct QtKeyPress {
  int key = 0;
  QString text;
};

QtKeyPress KeyPressOf(int vk, int shift) {
  QtKeyPress k;
  const bool shifted = (shift & kShiftMask) != 0;
  switch (vk) {
    case 190:  // period of the main keyboard
    case 110:  // decimal point of the keypad
      k.key = Qt::Key_Period;
      k.text = ".";
      return k;
    case 189:  // minus of the main keyboard
    case 109:  // minus of the keypad
      k.key = Qt::Key_Minus;
      k.text = "-";
      return k;
    default:
      break;
  }
  if (vk >= 96 && vk <= 105) {  // keypad digits
    k.key = Qt::Key_0 + (vk - 96);
    k.text = QString(QChar('0' + (vk - 96)));
    return k;
  }
  k.key = QtKeyOf(vk);
  if (vk == kKeyEnter) {
    k.text = "\r";
  } else if (vk == 32) {
    k.text = " ";
  } else if (vk >= '0' && vk <= '9') {
    k.text = QString(QChar(vk));
  } else if (vk >= 'A' && vk <= 'Z') {
    k.text = QString(QChar(shifted ? vk : vk - 'A' + 'a'));
  }
  if (shift & (kCtrlMask | kAltMask)) k.text.clear();
  return k;
}

Qt::KeyboardModifiers ModifiersOf(int shift) {
  Qt::KeyboardModifiers m = Qt::NoModifier;
  if (shift & kShiftMask) m |= Qt::ShiftModifier;
  if (shift & kCtrlMask) m |= Qt::ControlModifier;
  if (shift & kAltMask) m |= Qt::AltModifier;
  return m;
}

int ParseNumber(const std::string& word, const char* what, int min, int max) {
  if (word.empty() || word.size() > 9) throw ScriptError(std::string(what) + " must be a number");
  int value = 0;
  for (char c : word) {
    if (c < '0' || c > '9') throw ScriptError(std::string(what) + " must be a number: " + word);
    value = value * 10 + (c - '0');
  }
  if (value < min || value > max) throw ScriptError(std::string(what) + " out of range: " + word);
  return value;
}

// Gives `w` the focus, activating its window first so that the focus is
// real (also on the offscreen platform).
void FocusWidget(QWidget* w) {
  QWidget* top = w->window();
  if (!top->isVisible()) top->show();
  top->activateWindow();
  QApplication::setActiveWindow(top);
  RunPostedEvents();
  w->setFocus(Qt::OtherFocusReason);
  RunPostedEvents();
}

}  // namespace

ScriptRunner::ScriptRunner(AppWindows& windows, ScriptedPort& port, ScriptMessageSink& messages,
                           const PathMapper& paths, std::ostream& out)
    : windows_(windows), port_(port), messages_(messages), paths_(paths), out_(out) {}

namespace {

// One script run: the commands over the windows.
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
  static const Command kCommands[17];

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
    TextBoxOf(w[1]).SetCaret(ParseNumber(w[2], "the caret position", 0, 1000000));
    return -1;
  }
  int Key(const Words& w) {
    const RegisteredControl& c = Control(w[1]);
    if (!c.widget) throw ScriptError(w[1] + " is a menu entry, not a control with a focus");
    PressKey(c, KeyCode(w[2]), w.size() > 3 ? ParseNumber(w[3], "the shift state", 0, 7) : 0);
    return -1;
  }
  int ClickCommand(const Words& w) {
    Click(Control(w[1]));
    return -1;
  }
  int Answer(const Words& w) {
    if (w[1] == "OK")
      messages_.QueueAnswer(true);
    else if (w[1] == "Cancel")
      messages_.QueueAnswer(false);
    else
      throw ScriptError("answer takes OK or Cancel, not " + w[1]);
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
    RunEventsFor(ParseNumber(w[1], "the wait in milliseconds", 0, 600000));
    return -1;
  }
  int ShowCommand(const Words& w) {
    Show(w[1]);
    return -1;
  }
  int Focus(const Words&) {
    PrintFocus();
    return -1;
  }
  int State(const Words&) {
    PrintState();
    return -1;
  }
  int File(const Words& w) {
    PrintFile(w[1]);
    return -1;
  }

  TextBox& TextBoxOf(const std::string& name) {
    const RegisteredControl& c = Control(name);
    if (!c.textBox) throw ScriptError(name + " is not a text box");
    return *c.textBox;
  }

  static void Arity(const std::vector<std::string>& w, std::size_t min, std::size_t max) {
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

  static int KeyCode(const std::string& word) {
    if (word == "Enter") return kKeyEnter;
    if (word == "Left") return kKeyLeft;
    if (word == "Up") return kKeyUp;
    if (word == "Right") return kKeyRight;
    if (word == "Down") return kKeyDown;
    return ParseNumber(word, "the key (Enter, Left, Up, Right, Down or a key code)", 1, 255);
  }

  // A key pressed on the control: the focus first, then the press and the
  // release through the application, so the view's key-down handling runs
  // before the widget's own.
  void PressKey(const RegisteredControl& c, int vk, int shift) {
    QWidget* w = c.widget;
    if (!w->isEnabled() || !w->isVisible()) {
      std::cerr << "warning: " << c.name << " is disabled or hidden; the key is not pressed\n";
      return;
    }
    // Activating the window runs events, and a handler may close the window.
    QPointer<QWidget> guard(w);
    FocusWidget(w);
    if (!guard) return;
    const QtKeyPress k = KeyPressOf(vk, shift);
    const Qt::KeyboardModifiers mods = ModifiersOf(shift);
    QKeyEvent press(QEvent::KeyPress, k.key, mods, k.text);
    QApplication::sendEvent(w, &press);
    if (guard) {
      QKeyEvent release(QEvent::KeyRelease, k.key, mods, k.text);
      QApplication::sendEvent(guard.data(), &release);
    }
  }

  // As a mouse would: a disabled control or menu entry does nothing.
  static void Click(const RegisteredControl& c) {
    if (c.action) {
      if (c.action->isEnabled()) c.action->trigger();
      return;
    }
    QWidget* w = c.widget;
    if (!w || !w->isEnabled()) return;
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
      b->click();
      return;
    }
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    const QPointF global = w->mapToGlobal(at);
    QPointer<QWidget> guard(w);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    if (guard) {
      QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton,
                          Qt::NoModifier);
      QApplication::sendEvent(guard.data(), &release);
    }
  }

  void Show(const std::string& text) {
    if (IsPlainName(text)) {
      RequireWindow(text);
      const QWidget* top = windows_.FindWindow(text);
      out_ << text
           << " caption=" << QuoteScriptText(top ? top->windowTitle().toStdString() : std::string())
           << " shown=" << Flag(top && top->isVisible()) << "\n";
      return;
    }
    const RegisteredControl& c = Control(text);
    out_ << c.name;
    if (c.textBox) {
      const TextBox& t = *c.textBox;
      out_ << " text=" << QuoteScriptText(t.Text()) << " caret=" << t.Caret()
           << " back=" << ColorName(t.BackColor()) << " enabled=" << Flag(t.Enabled())
           << " focus=" << Flag(t.HasFocus()) << TipField(c.widget);
    } else if (c.label) {
      out_ << " caption=" << QuoteScriptText(c.label->Caption())
           << " back=" << ColorName(c.label->BackColor())
           << " enabled=" << Flag(c.widget && c.widget->isEnabled()) << TipField(c.widget);
    } else if (c.button) {
      out_ << " caption=" << QuoteScriptText(c.button->Caption())
           << " back=" << (c.widget ? ButtonBack(c.widget) : std::string("face"))
           << " enabled=" << Flag(c.button->Enabled()) << TipField(c.widget);
    } else if (c.action) {
      out_ << " caption=" << QuoteScriptText(c.action->text().toStdString())
           << " enabled=" << Flag(c.action->isEnabled());
    }
    out_ << "\n";
  }

  // "focus: NAME"; a focus on an unregistered part of a control counts for
  // the registered control that holds it; "focus:" alone when no control of
  // the program has the focus.
  void PrintFocus() {
    std::string name;
    for (const QWidget* w = QApplication::focusWidget(); w && name.empty(); w = w->parentWidget())
      name = windows_.Controls().NameOf(w);
    out_ << "focus:" << (name.empty() ? "" : " " + name) << "\n";
  }

  void PrintState() {
    const RaceWindow& r = windows_.Race();
    out_ << "RaceNo=" << r.BookState().RaceNo << "\n";
    out_ << "RaceStat=" << QuoteScriptBytes(r.BookState().RaceStat) << "\n";
    for (int i = 1; i <= kLanes; ++i) out_ << "LaneTime(" << i << ")=" << r.LaneTime(i) << "\n";
    for (int i = 1; i <= kLanes; ++i) out_ << "LapCount(" << i << ")=" << r.LapCount(i) << "\n";
    for (int i = 1; i <= kLanes; ++i) out_ << "LaneRank(" << i << ")=" << r.LaneRank(i) << "\n";
    out_ << "LastLane=" << r.LastLane() << "\n";
    out_ << "LastTime=" << QuoteScriptBytes(r.LastTime()) << "\n";
    out_ << "LastKind=" << QuoteScriptBytes(r.LastKind()) << "\n";
    out_ << "GoalSeen=" << QuoteScriptBytes(r.GoalSeen()) << "\n";
    out_ << "LaneMap=" << QuoteScriptBytes(r.LaneMap()) << "\n";
    out_ << "SpareLaneMap=" << QuoteScriptBytes(r.SpareLaneMap()) << "\n";
    out_ << "Receiving=" << Flag(r.Receiving()) << "\n";
  }

  // "file: PATH size=N", then the bytes as "hex: " lines of up to 32
  // lowercase hex pairs separated by single blanks (none for an empty file);
  // "file: PATH missing" when there is no such file. PATH as written.
  void PrintFile(const std::string& path) {
    const std::string native = paths_.Resolve(path);
    std::error_code ec;
    std::ifstream in;
    // A folder is not a file: it counts as missing rather than as empty.
    if (std::filesystem::is_regular_file(native, ec)) in.open(native, std::ios::binary);
    if (!in.is_open()) {
      out_ << "file: " << path << " missing\n";
      return;
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    const std::string data = bytes.str();
    out_ << "file: " << path << " size=" << data.size() << "\n";
    static const char kDigits[] = "0123456789abcdef";
    for (std::size_t i = 0; i < data.size(); i += 32) {
      std::string line = "hex:";
      for (std::size_t j = i; j < data.size() && j < i + 32; ++j) {
        const auto b = static_cast<unsigned char>(data[j]);
        line += ' ';
        line += kDigits[b >> 4];
        line += kDigits[b & 0x0f];
      }
      out_ << line << "\n";
    }
  }

  AppWindows& windows_;
  ScriptedPort& port_;
  ScriptMessageSink& messages_;
  const PathMapper& paths_;
  std::ostream& out_;
};

const Executor::Command Executor::kCommands[17] = {
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
    {"show", 2, 2, &Executor::ShowCommand},
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
