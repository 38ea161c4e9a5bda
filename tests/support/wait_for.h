#pragma once
// Waiting on a fact with a deadline: `done` is asked every 10 ms until it
// holds (true) or `limit` has passed (false).

#include <chrono>
#include <ctime>
#include <functional>
#include <thread>

namespace poolside::testing {

inline bool WaitFor(const std::function<bool()>& done,
                    std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// Waits until the wall clock shows a later second than it does now: a file
// named after the second it was begun in then sorts after every file begun
// before the call.
inline bool WaitForTheNextSecond() {
  const std::time_t now = std::time(nullptr);
  return WaitFor([&] { return std::time(nullptr) > now; }, std::chrono::seconds(5));
}

}  // namespace poolside::testing
