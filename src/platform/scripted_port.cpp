#include "platform/scripted_port.h"

#include <algorithm>
#include <utility>

namespace poolside {

// A freshly opened port starts with an empty receive buffer, as a device does.
void ScriptedPort::Open() {
  buffer_.clear();
  haveExact_ = false;
  exact_.clear();
  open_ = true;
}

void ScriptedPort::Close() {
  open_ = false;
  buffer_.clear();
  haveExact_ = false;
  exact_.clear();
}

std::string ScriptedPort::Read() {
  if (!open_) return {};
  if (haveExact_) {
    haveExact_ = false;
    return std::exchange(exact_, std::string());
  }
  std::size_t take = buffer_.size();
  if (inputLen_ > 0) take = std::min(take, static_cast<std::size_t>(inputLen_));
  std::string out = buffer_.substr(0, take);
  buffer_.erase(0, take);
  return out;
}

void ScriptedPort::DiscardInput() {
  buffer_.clear();
  haveExact_ = false;
  exact_.clear();
}

int ScriptedPort::BytesWaiting() const {
  return static_cast<int>(buffer_.size() + (haveExact_ ? exact_.size() : 0));
}

// One notification; a block the handler leaves unread is gone afterwards, so
// the next `port` line starts clean.
void ScriptedPort::DeliverBlock(const std::string& block) {
  if (!open_) return;
  haveExact_ = true;
  exact_ = block;
  if (onNotify) onNotify();
  haveExact_ = false;
  exact_.clear();
}

void ScriptedPort::Stream(const std::string& bytes) {
  if (!open_) return;
  // Bytes beyond the receive buffer are lost, as on a real port.
  const std::size_t cap = bufferSize_ > 0 ? static_cast<std::size_t>(bufferSize_) : 0;
  if (buffer_.size() < cap) buffer_.append(bytes, 0, std::min(bytes.size(), cap - buffer_.size()));
  if (threshold_ <= 0) return;  // notifications switched off
  while (open_ && onNotify && BytesWaiting() >= threshold_) {
    const int before = BytesWaiting();
    onNotify();
    if (BytesWaiting() >= before) break;  // the handler did not read: no endless loop
  }
}

}  // namespace poolside
