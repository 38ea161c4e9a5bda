#pragma once
// A bounded multi-producer queue for handing work from the window's thread
// to a listener's own thread. Push never blocks: when the queue is full the
// item is refused and counted, so a slow consumer can never stall reception.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>

namespace poolside {

template <typename T>
class BoundedQueue {
 public:
  explicit BoundedQueue(std::size_t capacity) : capacity_(capacity) {}

  // False (and the item dropped) when full or closed.
  bool Push(T item) {
    {
      std::lock_guard lock(mutex_);
      if (closed_ || items_.size() >= capacity_) {
        ++dropped_;
        return false;
      }
      items_.push_back(std::move(item));
    }
    ready_.notify_one();
    return true;
  }

  // Waits up to `timeout` for an item; none when it timed out or the queue
  // is closed and empty.
  std::optional<T> Pop(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    ready_.wait_for(lock, timeout, [&] { return closed_ || !items_.empty(); });
    if (items_.empty()) return std::nullopt;
    T item = std::move(items_.front());
    items_.pop_front();
    return item;
  }

  // Wakes every waiting Pop; later pushes are refused.
  void Close() {
    {
      std::lock_guard lock(mutex_);
      closed_ = true;
    }
    ready_.notify_all();
  }

  std::size_t Dropped() const {
    std::lock_guard lock(mutex_);
    return dropped_;
  }
  std::size_t Size() const {
    std::lock_guard lock(mutex_);
    return items_.size();
  }

 private:
  const std::size_t capacity_;
  mutable std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<T> items_;
  std::size_t dropped_ = 0;
  bool closed_ = false;
};

}  // namespace poolside
