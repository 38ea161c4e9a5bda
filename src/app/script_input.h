#pragma once
// What a script line does to the widgets as the operator would: lets the
// event loop run, gives the focus, presses keys and clicks.

#include <functional>

#include "ui/control_registry.h"

namespace poolside {

// Lets posted events and zero-delay tasks run, including tasks that those
// tasks post in turn, so deferred messages appear before the next line.
void RunPostedEvents();
// Runs the program's events for `ms` milliseconds, then the posted ones.
void RunEventsFor(int ms);
// Runs the program's events until `done` holds (asked after each event
// and every 10 ms) or `ms` milliseconds have passed; says whether it held.
bool RunEventsUntil(const std::function<bool()>& done, int ms);

// Key code `vk` pressed on the control's widget under shift state `shift`:
// the focus first, then the press and the release through the application,
// so the view's key-down handling runs before the widget's own. A disabled
// or hidden widget is warned about on standard error and gets no key.
void PressKey(const RegisteredControl& c, int vk, int shift);

// As a mouse would: a disabled control or menu entry does nothing.
void Click(const RegisteredControl& c);

}  // namespace poolside
