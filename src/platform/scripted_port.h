#pragma once
// The port of a script run: a port number without a --com mapping. The
// runner feeds it; opening, closing, discarding and reading behave as the
// serial port does.

#include <string>

#include "platform/buffered_port.h"

namespace poolside {

class ScriptedPort : public BufferedPort {
 public:
  void Close() override;
  std::string Read() override;
  void DiscardInput() override;
  int BytesWaiting() const override;

  // `port "BLOCK"`: one notification whose read returns exactly BLOCK.
  void DeliverBlock(const std::string& block);
  // `portstream "BYTES"`: appends to the receive buffer and notifies with
  // blocks of at most InputLen characters while Threshold or more wait.
  void Stream(const std::string& bytes) { Receive(bytes); }

 protected:
  void OpenPort() override { ForgetBlock(); }

 private:
  void ForgetBlock();
  bool haveExact_ = false;
  std::string exact_;
};

}  // namespace poolside
