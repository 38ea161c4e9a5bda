#include <algorithm>
#include <optional>
#include <string>

#include "finish/race_files.h"
#include "platform/errors.h"
#include "platform/numbers.h"
#include "platform/record_file.h"
#include "timing/race_window.h"
#include "vocabulary/lap_goal_files.h"

namespace poolside {

namespace {

constexpr const char* kLineSettings = "9600,e,7,2";
constexpr int kInBufferSize = 1024;
constexpr int kInputLen = 16;
constexpr int kThreshold = 15;
constexpr int kReopenDelayMs = 1000;

std::string PortName(int n) { return "COM" + std::to_string(n); }

// Records of a lap file ("lane , time,kind," each: three commas, the time
// text never holds one); 0 when it is missing or unreadable.
int LapRecordsIn(const std::string& path) {
  const FileRead read = ReadLapFile(path);
  if (read.outcome != FileReadOutcome::Ok) return 0;
  return static_cast<int>(std::count(read.bytes.begin(), read.bytes.end(), ',') / 3);
}

}  // namespace

void RaceWindow::OnStartStopClick() {
  const std::string caption = c_.cmdZushin->Caption();
  if (caption == race_texts::kStart) {
    ++generation_;
    reopenPending_ = false;
    outageWarned_ = false;
    c_.cmdShoki->SetEnabled(false);
    c_.cmdKakutei->SetEnabled(false);
    c_.txtBiko->SetEnabled(false);
    c_.txtPort->SetEnabled(false);
    c_.txtKetugo->SetEnabled(false);
    c_.cmdZushin->SetCaption(race_texts::kStop);

    const std::string portText = c_.txtPort->Text();
    const std::optional<std::int16_t> number = RoundToInt16(LeadingValue(portText));
    if (!number || *number <= 0) {
      StopReception();
      const std::string message =
          "ポート番号 \"" + portText + "\" は使えません。1 以上の番号を入れてください。";
      Report(message);
      PublishPortProblem(message);
      return;
    }
    portNumber_ = *number;
    port_.SetPortNumber(portNumber_);
    port_.SetSettings(kLineSettings);
    port_.SetInBufferSize(kInBufferSize);
    port_.SetInputLen(kInputLen);
    port_.SetHandshaking(FlowControl::XonXoff);
    port_.SetRThreshold(kThreshold);
    try {
      port_.Open();
    } catch (const IoError& e) {
      StopReception();
      const std::string message =
          "ポート " + PortName(portNumber_) + " を開けません。\r" + e.what();
      Report(message);
      PublishPortProblem(message);
      return;
    }
    // The lap file is made afresh only once reception really runs: a start
    // that fails leaves the race's laps as they were.
    const int held = LapRecordsIn(LapPath(meet_, book_.RaceNo));
    openLap();
    if (held > 0 && onLapFileEmptied) onLapFileEmptied(book_.RaceNo, held);
    receptionPublished_ = true;
    feed_->Publish(ReceptionStarted{portNumber_, port_.DeviceName(), LaneMap()});
    // Reception now runs from the window's own event loop.
  } else if (caption == race_texts::kStop) {
    StopReception();
  }
}

void RaceWindow::StopReception() {
  ++generation_;  // a pending reopen of the port does nothing now
  reopenPending_ = false;
  outageWarned_ = false;
  c_.cmdShoki->SetEnabled(true);
  c_.cmdKakutei->SetEnabled(true);
  c_.txtBiko->SetEnabled(true);
  c_.txtPort->SetEnabled(true);
  c_.txtKetugo->SetEnabled(true);
  lap_.Close();
  c_.cmdZushin->SetCaption(race_texts::kStart);
  port_.Close();
  port_.DiscardInput();
  if (receptionPublished_) {
    receptionPublished_ = false;
    feed_->Publish(ReceptionStopped{portNumber_, port_.DeviceName()});
  }
}

void RaceWindow::OnPortError(const std::string& message) {
  // Stopping would make the next start empty the race's lap file, so the
  // window stays receiving and reopens the port by itself.
  if (!Receiving() || reopenPending_) return;
  const std::string warning =
      message + "\r" + PortName(portNumber_) + " が応答しません。受信を続け、再接続を試みます。";
  // One box per outage: a port that comes back and fails again before a
  // single block was read is the same outage (lblLink shows the attempts).
  const bool sameOutage = outageWarned_ && readWatch_.reads == readsAtReconnect_;
  if (!sameOutage) messages_.Warn(warning);
  outageWarned_ = true;
  readsAtReconnect_ = readWatch_.reads;
  PublishPortProblem(warning);
  ScheduleReopen();
}

void RaceWindow::ScheduleReopen() {
  reopenPending_ = true;
  const unsigned generation = generation_;
  host_.PostDelayed(kReopenDelayMs, [this, generation] { RetryReopen(generation); });
}

void RaceWindow::RetryReopen(unsigned generation) {
  if (generation != generation_ || !Receiving()) return;
  if (port_.IsOpen()) {
    reopenPending_ = false;
    return;
  }
  try {
    port_.Open();
  } catch (const RuntimeError&) {
    ScheduleReopen();
    return;
  }
  reopenPending_ = false;
  readsAtReconnect_ = readWatch_.reads;
  // Told in lblLink and the journal, not in a box.
  PublishPortProblem(PortName(portNumber_) + " に再接続しました。受信を続けます。");
}

}  // namespace poolside
