#pragma once
// Services of the window system that the windows' logic calls.

#include <functional>

namespace poolside {

class WindowHost {
 public:
  virtual ~WindowHost() = default;
  // Runs `task` after the current event has been handled (never nested
  // inside it).
  virtual void Post(std::function<void()> task) = 0;
  // Runs `task` once, about `ms` milliseconds from now, from the event loop.
  virtual void PostDelayed(int ms, std::function<void()> task) = 0;
  // Closes every file and ends the program with `status`.
  virtual void EndProgram(int status) = 0;
};

}  // namespace poolside
