#pragma once
// The program's windows as the automation runner and main see them.

#include <string>

#include "ui/control_registry.h"

class QWidget;

namespace poolside {

class RaceWindow;
class RaceFeed;
class KyogiWindow;

class AppWindows {
 public:
  virtual ~AppWindows() = default;
  // Creates window `name` if it does not exist (its load runs) and shows it.
  // Names: frmRace, frmKyogi, frmOhda, frmKijun, frmProjun, frmKiroku,
  // frmVwPage, frmLpPage. False for an unknown name. A load that fails
  // reports through the message sink and returns false.
  virtual bool LoadWindow(const std::string& name) = 0;
  // The window's top-level widget, or null when it does not exist.
  virtual QWidget* FindWindow(const std::string& name) const = 0;
  // Closes the window as its close box would.
  virtual void CloseWindow(const std::string& name) = 0;
  virtual bool IsKnownWindow(const std::string& name) const = 0;
  virtual ControlRegistry& Controls() = 0;
  // The timing window's logic (always created at start).
  virtual RaceWindow& Race() = 0;
  // The timing window's race feed. It exists before the timing window is
  // created, so a listener attached before StartTimingWindow sees the load's
  // first RaceShown.
  virtual RaceFeed& Feed() = 0;
};

}  // namespace poolside
