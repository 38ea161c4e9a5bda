#pragma once
// The serial port the timing window reads the console from. Nothing is ever
// transmitted. Implementations: the Qt serial port (src/platform/qt), the
// buffered ports (platform/buffered_port.h: the scripted port of the
// automation runner, the fakes of the tests), the replay port of a capture
// file (capture/replay_port.h) and the port router that stands for the one
// chosen (platform/port_router.h). tests/platform/ports/port_contract_test.cpp
// runs the contract below against the fake, the scripted port, the Qt port on
// a pseudo-terminal and the replay port.

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

namespace poolside {

enum class FlowControl { None, XonXoff };

class SerialPort {
 public:
  virtual ~SerialPort() = default;

  // Configuration; applied by Open and, for the threshold and read length,
  // at once when the port is open.
  virtual void SetPortNumber(int n) = 0;
  virtual void SetSettings(const std::string& settings) = 0;  // "9600,e,7,2"
  virtual void SetInBufferSize(int chars) = 0;
  virtual void SetInputLen(int chars) = 0;  // characters one Read returns at most
  virtual void SetHandshaking(FlowControl flow) = 0;
  virtual void SetRThreshold(int chars) = 0;  // waiting characters that notify

  // Opens the configured port and applies the settings, checking each.
  // Throws IoError naming the port and the device on failure; the port is
  // then closed.
  virtual void Open() = 0;
  virtual void Close() = 0;  // a no-op when closed
  virtual bool IsOpen() const = 0;
  // The pending input, at most InputLen characters, as text (Latin-1 bytes).
  virtual std::string Read() = 0;
  // Throws away everything waiting in the receive buffer: what has arrived
  // and is not read yet (what the line brings later still comes).
  virtual void DiscardInput() = 0;
  // Characters waiting in the receive buffer.
  virtual int BytesWaiting() const = 0;
  // The device the port reads ("/dev/ttyUSB0"), "" for a port with no device
  // (the scripted port of a script run, a test fake).
  virtual std::string DeviceName() const { return {}; }

  // True for a port that cuts what the line delivers into blocks at the
  // console's record boundaries (platform/record_framing.h): its reads are
  // whole records, or bytes that belong to no record, and a block out of
  // step costs only its own bytes. A port that does not frame hands over
  // the waiting characters as they come (at most InputLen a read).
  virtual bool FramesRecords() const { return false; }
  // True when the block the last Read returned is bytes that the framing
  // found to belong to no record (garbage between records, a record cut
  // short, a lone carriage return).
  virtual bool LastReadIsNoise() const { return false; }

  // Called on every notification: RThreshold or more characters waiting (a
  // whole block, on a port that frames), or any other port event. An
  // implementation calls it again after a handler returns while that still
  // holds, so no block is left sitting in the buffer.
  std::function<void()> onNotify;
  // Called by a port that frames with every piece of bytes as the line
  // delivered it, with the time it arrived, before any block of it is read.
  std::function<void(std::string_view bytes, std::chrono::system_clock::time_point wall,
                     std::chrono::steady_clock::time_point mono)>
      onReceived;
  // Called when the device fails while open (an adapter pulled, a device
  // that vanished), with a message naming the port and the device. The port
  // is closed by then; the owner decides whether to reopen it.
  std::function<void(const std::string&)> onError;
};

}  // namespace poolside
