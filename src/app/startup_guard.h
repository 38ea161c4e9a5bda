#pragma once
// Holds Qt's messages while QApplication connects to the display. When Qt
// gives up (no display it can reach, no platform plugin), the program prints
// one line saying so and how to run offscreen and exits with status 1,
// instead of Qt's abort and core dump. Once the application exists, Release
// passes the held messages on.

namespace poolside {

class StartupGuard {
 public:
  StartupGuard();
  ~StartupGuard();
  StartupGuard(const StartupGuard&) = delete;
  StartupGuard& operator=(const StartupGuard&) = delete;
  void Release();
};

}  // namespace poolside
