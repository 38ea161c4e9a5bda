#include "app/script_input.h"

#include <iostream>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include "app/script_keys.h"

namespace poolside {

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

bool RunEventsUntil(const std::function<bool()>& done, int ms) {
  QElapsedTimer clock;
  clock.start();
  RunPostedEvents();
  while (!done()) {
    if (clock.elapsed() >= ms) return false;
    QEventLoop loop;
    QTimer::singleShot(10, &loop, &QEventLoop::quit);
    loop.exec();
    RunPostedEvents();
  }
  return true;
}

namespace {

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

void Click(const RegisteredControl& c) {
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

}  // namespace poolside
