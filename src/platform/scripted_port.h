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
  // `portlost`: the device goes away as a pulled adapter does: an open port
  // closes and reports the failure; opening fails until `portback`.
  void Vanish();
  void Return() { gone_ = false; }

 protected:
  void OpenPort() override;

 private:
  void ForgetBlock();
  bool gone_ = false;
  bool haveExact_ = false;
  std::string exact_;
};

}  // namespace poolside
