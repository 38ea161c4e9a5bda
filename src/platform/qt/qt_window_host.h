#pragma once
// The window host over Qt's event loop.

#include <functional>

#include "platform/window_host.h"

namespace poolside {

class QtWindowHost : public WindowHost {
 public:
  void Post(std::function<void()> task) override;
  void PostDelayed(int ms, std::function<void()> task) override;
  // Runs the close-files hook, flushes the standard streams and ends the
  // process at once: no window is asked and no close handler runs.
  void EndProgram(int status) override;
  std::function<void()> closeFiles;
};

}  // namespace poolside
