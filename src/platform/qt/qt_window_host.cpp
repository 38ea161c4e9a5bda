#include "platform/qt/qt_window_host.h"

#include "platform/leak_check.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

#include <QCoreApplication>
#include <QTimer>

namespace poolside {

void QtWindowHost::Post(std::function<void()> task) {
  QTimer::singleShot(0, QCoreApplication::instance(), std::move(task));
}

void QtWindowHost::PostDelayed(int ms, std::function<void()> task) {
  QTimer::singleShot(ms, QCoreApplication::instance(), std::move(task));
}

void QtWindowHost::EndProgram(int status) {
  if (closeFiles) closeFiles();
  std::cout.flush();
  std::cerr.flush();
  std::fflush(nullptr);
  // What the program still holds is reachable from here; what it lost is
  // reported (and the status becomes the sanitizer's) in a checked build.
  CheckForLeaksNow();
  _exit(status);
}

}  // namespace poolside
