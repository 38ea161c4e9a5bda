#include "app/startup_guard.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <QString>
#include <QtGlobal>

#include "app/display_check.h"

namespace poolside {

namespace {

struct Held {
  QtMsgType type;
  // The context's strings are Qt's literals, valid for the whole run.
  const char* file;
  int line;
  const char* function;
  const char* category;
  QString text;
};

std::vector<Held>* held = nullptr;
QtMessageHandler previous = nullptr;

void Hold(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtFatalMsg) {
    const char* display = std::getenv("DISPLAY");
    const std::string why = display && *display
                                ? std::string("cannot connect to DISPLAY=") + display
                                : std::string("no platform could be started");
    std::fputs(NoDisplayText(why).c_str(), stderr);
    std::fflush(stderr);
    std::_Exit(1);
  }
  if (held) {
    held->push_back({type, context.file, context.line, context.function, context.category, text});
  }
}

}  // namespace

StartupGuard::StartupGuard() {
  held = new std::vector<Held>;
  previous = qInstallMessageHandler(Hold);
}

StartupGuard::~StartupGuard() { Release(); }

void StartupGuard::Release() {
  if (!held) return;
  qInstallMessageHandler(previous);
  std::vector<Held>* messages = held;
  held = nullptr;
  for (const Held& m : *messages) {
    const QMessageLogContext context(m.file, m.line, m.function, m.category);
    qt_message_output(m.type, context, m.text);
  }
  delete messages;
}

}  // namespace poolside
