#include "platform/qt/qt_window_host.h"

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
  _exit(status);
}

}  // namespace poolside
