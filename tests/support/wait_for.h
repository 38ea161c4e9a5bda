#pragma once
// Waiting on a fact with a deadline: `done` is asked every 10 ms until it
// holds (true) or `limit` has passed (false).

#include <chrono>
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

}  // namespace poolside::testing
