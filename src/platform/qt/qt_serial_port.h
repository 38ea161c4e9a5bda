#pragma once
// The serial port on a real device (or a pseudo-terminal) through Qt's
// QSerialPort. Line settings are applied after the device is open and each
// is checked: a refused setting closes the port and fails the open, except
// parity and data bits on a pseudo-terminal, which has neither; those two
// are noted on standard error and the port stays open.
//
// The port frames: it cuts the bytes it receives into blocks at the
// console's record boundaries (platform/record_framing.h) before it notifies
// the window, so a record comes whole whatever pieces the adapter delivered,
// and it reports every piece as it arrived (onReceived).

#include <chrono>
#include <deque>
#include <optional>
#include <string>

#include <QSerialPort>
#include <QTimer>

#include "platform/record_framing.h"
#include "platform/serial_port.h"

namespace poolside {

// Line settings parsed from a text such as "9600,e,7,2".
struct LineSettings {
  int baud = 9600;
  char parity = 'n';  // n e o m s
  int dataBits = 8;
  double stopBits = 1;
};
// Throws IoError naming `where` when the text is not of that form.
LineSettings ParseLineSettings(const std::string& text, const std::string& where);

// True when `device` is the slave side of a pseudo-terminal.
bool IsPseudoTerminal(const std::string& device);

class QtSerialPort : public SerialPort {
 public:
  QtSerialPort(int portNumber, std::string device);
  ~QtSerialPort() override;
  QtSerialPort(const QtSerialPort&) = delete;
  QtSerialPort& operator=(const QtSerialPort&) = delete;

  void SetPortNumber(int n) override { portNumber_ = n; }
  void SetSettings(const std::string& settings) override { settings_ = settings; }
  void SetInBufferSize(int chars) override;
  void SetInputLen(int chars) override { inputLen_ = chars; }
  void SetHandshaking(FlowControl flow) override { flow_ = flow; }
  void SetRThreshold(int chars) override;

  void Open() override;
  void Close() override;
  bool IsOpen() const override { return port_.isOpen(); }
  std::string Read() override;
  void DiscardInput() override;
  int BytesWaiting() const override;
  bool FramesRecords() const override { return true; }
  bool LastReadIsNoise() const override { return lastNoise_; }

  std::string DeviceName() const override { return device_; }

 private:
  std::string Name() const;  // "COM1 (/dev/ttyS0)"
  void ApplySettings();
  void SchedulePump();
  void Pump();
  void OnError(QSerialPort::SerialPortError error);
  // Bytes that came into Qt's buffer since the last look: one piece.
  void NoteArrival();
  // Hands the pieces that arrived to onReceived, in order.
  void ReportPieces();
  std::string Waiting() const;  // Qt's buffer, unread
  // The next block of Qt's buffer, framed over a view of it (no copy into a
  // string).
  FrameCut FrameWaiting();
  bool Quiet() const;

  struct Piece {
    std::string bytes;
    std::chrono::system_clock::time_point wall;
    std::chrono::steady_clock::time_point mono;
  };

  QSerialPort port_;
  int portNumber_;
  std::string device_;
  std::string settings_ = "9600,n,8,1";
  int bufferSize_ = 0;
  int inputLen_ = 0;
  int threshold_ = 0;
  FlowControl flow_ = FlowControl::None;
  bool pumpQueued_ = false;
  bool inNotify_ = false;
  bool errorQueued_ = false;
  // The block Pump framed for the handler it is notifying, so that the
  // handler's Read takes it without framing the buffer again; nothing reads
  // in between, and a discard or a close forgets it.
  std::optional<FrameCut> framed_;
  long taken_ = 0;      // reads, discards and opens: a handler that did none of them took nothing
  int generation_ = 0;  // counts opens, so a stale error never closes a reopened port
  qint64 seen_ = 0;     // bytes of Qt's buffer already taken as pieces
  std::deque<Piece> pieces_;
  std::chrono::steady_clock::time_point lastArrival_{};
  QTimer quietTimer_;  // wakes the framing once the line has been quiet
  bool lastNoise_ = false;
  // Set once a record ended by its carriage return came since the open: the
  // line ends its records, so a pause is never taken as a record's end.
  bool lineEndsRecords_ = false;
};

}  // namespace poolside
