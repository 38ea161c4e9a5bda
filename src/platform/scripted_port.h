#pragma once
// The port of a script run: a port number without a --com mapping. The
// runner feeds it; opening, closing, discarding and reading behave as the
// serial port does.

#include <deque>
#include <string>

#include "platform/serial_port.h"

namespace poolside {

class ScriptedPort : public SerialPort {
 public:
  void SetPortNumber(int n) override { portNumber_ = n; }
  void SetSettings(const std::string&) override {}
  void SetInBufferSize(int n) override { bufferSize_ = n; }
  void SetInputLen(int n) override { inputLen_ = n; }
  void SetHandshaking(FlowControl) override {}
  void SetRThreshold(int n) override { threshold_ = n; }
  void Open() override;
  void Close() override;
  bool IsOpen() const override { return open_; }
  std::string Read() override;
  void DiscardInput() override;
  int BytesWaiting() const override;

  // `port "BLOCK"`: one notification whose read returns exactly BLOCK.
  void DeliverBlock(const std::string& block);
  // `portstream "BYTES"`: appends to the receive buffer and notifies with
  // blocks of at most InputLen characters while Threshold or more wait.
  void Stream(const std::string& bytes);

 private:
  int portNumber_ = 0;
  int bufferSize_ = 1024;
  int inputLen_ = 0;
  int threshold_ = 0;
  bool open_ = false;
  std::string buffer_;
  bool haveExact_ = false;
  std::string exact_;
};

}  // namespace poolside
