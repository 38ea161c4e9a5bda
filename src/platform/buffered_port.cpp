#include "platform/buffered_port.h"

#include <algorithm>

namespace poolside {

void BufferedPort::Open() {
  OpenPort();
  buffer_.clear();
  open_ = true;
}

void BufferedPort::Close() {
  open_ = false;
  buffer_.clear();
}

std::string BufferedPort::Read() {
  if (!open_) return {};
  std::size_t take = buffer_.size();
  if (inputLen_ > 0) take = std::min(take, static_cast<std::size_t>(inputLen_));
  std::string out = buffer_.substr(0, take);
  buffer_.erase(0, take);
  return out;
}

void BufferedPort::Receive(std::string_view bytes) {
  if (!open_) return;
  const std::size_t cap = bufferSize_ > 0 ? static_cast<std::size_t>(bufferSize_) : 0;
  if (buffer_.size() < cap) buffer_.append(bytes.substr(0, cap - buffer_.size()));
  NotifyWhileThresholdReached();
}

void BufferedPort::NotifyWhileThresholdReached() {
  if (threshold_ <= 0) return;  // notifications switched off
  while (open_ && onNotify && BytesWaiting() >= threshold_) {
    const int before = BytesWaiting();
    onNotify();
    if (BytesWaiting() >= before) break;  // the handler did not read: no endless loop
  }
}

}  // namespace poolside
