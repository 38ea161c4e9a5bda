#include "platform/scripted_port.h"

#include <utility>

#include "platform/errors.h"

namespace poolside {

void ScriptedPort::ForgetBlock() {
  haveExact_ = false;
  exact_.clear();
}

void ScriptedPort::OpenPort() {
  ForgetBlock();
  if (gone_) {
    throw IoError("ポート COM" + std::to_string(PortNumber()) +
                  " を開けません: スクリプトの装置は外されています");
  }
}

void ScriptedPort::Vanish() {
  gone_ = true;
  if (!IsOpen()) return;
  Close();
  if (onError) {
    onError("ポート COM" + std::to_string(PortNumber()) +
            " が使えなくなりました: スクリプトの装置が外されました");
  }
}

void ScriptedPort::Close() {
  BufferedPort::Close();
  ForgetBlock();
}

std::string ScriptedPort::Read() {
  if (!IsOpen()) return {};
  if (haveExact_) {
    haveExact_ = false;
    return std::exchange(exact_, std::string());
  }
  return BufferedPort::Read();
}

void ScriptedPort::DiscardInput() {
  BufferedPort::DiscardInput();
  ForgetBlock();
}

int ScriptedPort::BytesWaiting() const {
  return BufferedPort::BytesWaiting() + (haveExact_ ? static_cast<int>(exact_.size()) : 0);
}

// One notification; a block the handler leaves unread is gone afterwards, so
// the next `port` line starts clean.
void ScriptedPort::DeliverBlock(const std::string& block) {
  if (!IsOpen()) return;
  haveExact_ = true;
  exact_ = block;
  if (onNotify) onNotify();
  ForgetBlock();
}

}  // namespace poolside
