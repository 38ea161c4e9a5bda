#pragma once
// A port that plays the blocks of a capture file (--com N=replay:FILE@SPEED):
// each captured read comes back as one read, in the same order, with the
// captured spacing divided by SPEED (0: the next block as soon as the
// previous one has been read). A block "arrives" when its time comes and
// waits until it is read. Closing keeps the blocks that have arrived (every
// block of the capture was read by the run that wrote it); discarding throws
// them away as on any port, and the blocks still to come in the file come.
// At the end of the file the port stays open and quiet.

#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "capture/capture_reader.h"
#include "capture/captured_races.h"
#include "platform/serial_port.h"
#include "platform/window_host.h"

namespace poolside {

class ReplayPort : public SerialPort {
 public:
  // `consoleNoise` tells reception's own noise from the framing's among the
  // blocks journaled as noise (reception/console_line.h: IsNoiseRecord).
  ReplayPort(int portNumber, std::string file, double speed, WindowHost& host,
             ConsoleNoiseTest consoleNoise);

  // Splits "FILE" or "FILE@SPEED" (the device after "replay:"). False when
  // SPEED is not a number of zero or more.
  static bool ParseSpec(const std::string& spec, std::string& file, double& speed);
  static constexpr const char* kPrefix = "replay:";

  void SetPortNumber(int n) override { portNumber_ = n; }
  void SetSettings(const std::string&) override {}
  void SetInBufferSize(int) override {}
  void SetInputLen(int) override {}
  void SetHandshaking(FlowControl) override {}
  void SetRThreshold(int) override {}
  // The first open reads the whole file once and throws IoError naming the
  // file and the line when it is not a sound capture.
  void Open() override;
  void Close() override;
  bool IsOpen() const override { return open_; }
  std::string Read() override;
  // Throws away the blocks that have arrived and are not read yet.
  void DiscardInput() override;
  int BytesWaiting() const override;
  std::string DeviceName() const override;
  // The reads come as the live port framed them: a block out of step needs
  // no resynchronisation, and the framing's noise is told as it was.
  bool FramesRecords() const override { return true; }
  bool LastReadIsNoise() const override { return lastNoise_; }

  // Blocks still to come (not yet arrived).
  bool AtEnd() const { return !haveNext_; }

 private:
  void Schedule(std::int64_t delayMicros);
  void Arrive();
  void Advance();

  int portNumber_;
  std::string file_;
  double speed_;
  WindowHost& host_;
  ConsoleNoiseTest consoleNoise_;
  bool open_ = false;
  bool checked_ = false;
  CaptureReader reader_;
  CaptureRecord next_;
  bool haveNext_ = false;
  struct Pending {
    std::string bytes;
    bool noise = false;
  };
  std::deque<Pending> pending_;
  bool lastNoise_ = false;
  bool scheduled_ = false;
  unsigned generation_ = 0;
  std::shared_ptr<char> alive_ = std::make_shared<char>();
};

}  // namespace poolside
