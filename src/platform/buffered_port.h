#pragma once
// The base of every port that is not a real device: the scripted port of a
// script run, the fakes of the tests, a replay of captured bytes. It holds
// the configuration, the receive buffer, the read length and the threshold
// notification loop with its guard against a handler that reads nothing.
// An implementation adds where the bytes come from and calls Receive.

#include <string>
#include <string_view>

#include "platform/serial_port.h"

namespace poolside {

class BufferedPort : public SerialPort {
 public:
  void SetPortNumber(int n) override { portNumber_ = n; }
  void SetSettings(const std::string& s) override { settings_ = s; }
  void SetInBufferSize(int chars) override { bufferSize_ = chars; }
  void SetInputLen(int chars) override { inputLen_ = chars; }
  void SetHandshaking(FlowControl flow) override { flow_ = flow; }
  void SetRThreshold(int chars) override { threshold_ = chars; }

  // Runs OpenPort (whose IoError leaves the port closed), then starts with
  // an empty receive buffer, as a device does.
  void Open() override;
  // Closes and throws the waiting bytes away; a no-op when closed.
  void Close() override;
  bool IsOpen() const override { return open_; }
  // At most InputLen characters (all when it is 0); nothing when closed.
  std::string Read() override;
  void DiscardInput() override { buffer_.clear(); }
  int BytesWaiting() const override { return static_cast<int>(buffer_.size()); }

  int PortNumber() const { return portNumber_; }
  const std::string& Settings() const { return settings_; }
  int InBufferSize() const { return bufferSize_; }
  int InputLen() const { return inputLen_; }
  FlowControl Handshaking() const { return flow_; }
  int RThreshold() const { return threshold_; }

 protected:
  // Bytes arriving on the line while the port is open: what does not fit
  // the receive buffer (InBufferSize) is lost, as on a real port. Then, while
  // RThreshold (above 0) or more characters wait, notifies; the loop ends
  // when a handler leaves as many characters waiting as before (it read
  // nothing) or closes the port.
  void Receive(std::string_view bytes);
  // Notifies as Receive does, for bytes already in the buffer.
  void NotifyWhileThresholdReached();
  // The receive buffer itself, for implementations that place bytes in it
  // without the limit (test fakes).
  std::string& Buffer() { return buffer_; }
  // Opens the source of the bytes; throws IoError naming the port when it
  // cannot. Nothing by default.
  virtual void OpenPort() {}

 private:
  int portNumber_ = 0;
  std::string settings_;
  int bufferSize_ = 1024;
  int inputLen_ = 0;
  FlowControl flow_ = FlowControl::None;
  int threshold_ = 0;
  bool open_ = false;
  std::string buffer_;
};

}  // namespace poolside
