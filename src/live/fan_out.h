#pragma once
// Writes the same bytes to many non-blocking sockets at once, the list cut
// into shares for a few sender threads (the caller's own among them). Each
// socket is written by one thread, in one call, so the bytes of one socket
// keep their order; what a socket does not take at once is left to the
// caller (`sent` says how much went out).

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

namespace poolside {

class FanOut {
 public:
  struct Target {
    int fd = -1;
    std::size_t sent = 0;
  };

  // `threads` in all, the caller's included; below `minShare` sockets a
  // share, fewer threads are woken. `nice` is given to the helper threads.
  FanOut(int threads, std::size_t minShare, int nice);
  ~FanOut();
  FanOut(const FanOut&) = delete;
  FanOut& operator=(const FanOut&) = delete;

  // Sends `bytes` to every target; returns when every share is done.
  void Send(std::vector<Target>& targets, std::string_view bytes);

 private:
  void Work(std::size_t index);
  static void SendShare(Target* begin, Target* end, std::string_view bytes);

  std::size_t minShare_;
  std::vector<std::thread> helpers_;
  std::mutex mutex_;
  std::condition_variable wake_, done_;
  long long generation_ = 0;
  std::size_t active_ = 0;   // helpers given a share this round
  std::size_t pending_ = 0;  // of them not finished
  bool stop_ = false;
  Target* targets_ = nullptr;
  std::size_t count_ = 0;
  std::size_t shares_ = 1;
  std::string_view bytes_;
};

}  // namespace poolside
