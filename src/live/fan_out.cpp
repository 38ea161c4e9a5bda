#include "live/fan_out.h"

#include <algorithm>

#include "platform/sockets.h"
#include "platform/threads.h"

namespace poolside {

FanOut::FanOut(int threads, std::size_t minShare, int nice)
    : minShare_(std::max<std::size_t>(minShare, 1)) {
  for (int i = 1; i < threads; ++i) {
    helpers_.emplace_back([this, i, nice] {
      SetThreadNice(nice);
      Work(static_cast<std::size_t>(i));
    });
  }
}

FanOut::~FanOut() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  for (auto& t : helpers_) t.join();
}

void FanOut::SendShare(Target* begin, Target* end, std::string_view bytes) {
  for (Target* t = begin; t != end; ++t) {
    if (t->sent < bytes.size()) {
      t->sent += SendNow(t->fd, bytes.data() + t->sent, bytes.size() - t->sent);
    }
  }
}

void FanOut::Send(std::vector<Target>& targets, std::string_view bytes) {
  const std::size_t n = targets.size();
  const std::size_t shares = std::clamp<std::size_t>(n / minShare_, 1, helpers_.size() + 1);
  if (shares == 1) {
    SendShare(targets.data(), targets.data() + n, bytes);
    return;
  }
  {
    std::lock_guard lock(mutex_);
    targets_ = targets.data();
    count_ = n;
    shares_ = shares;
    bytes_ = bytes;
    active_ = shares - 1;
    pending_ = shares - 1;
    ++generation_;
  }
  wake_.notify_all();
  // The caller's own share is the first.
  SendShare(targets.data(), targets.data() + n / shares, bytes);
  std::unique_lock lock(mutex_);
  done_.wait(lock, [this] { return pending_ == 0; });
}

void FanOut::Work(std::size_t index) {
  long long seen = 0;
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [&] { return stop_ || generation_ != seen; });
    if (stop_) return;
    seen = generation_;
    if (index > active_) continue;
    Target* begin = targets_ + count_ * index / shares_;
    Target* end = targets_ + count_ * (index + 1) / shares_;
    const std::string_view bytes = bytes_;
    lock.unlock();
    SendShare(begin, end, bytes);
    lock.lock();
    if (--pending_ == 0) done_.notify_one();
  }
}

}  // namespace poolside
