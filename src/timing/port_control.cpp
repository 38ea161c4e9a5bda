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
// The box of a lost line, changed when the line is back.
constexpr const char* kOutageKey = "port-outage";

std::string PortName(int n) { return "COM" + std::to_string(n); }

}  // namespace

void RaceWindow::OnStartStopClick() {
  const std::string caption = c_.cmdZushin->Caption();
  if (caption == race_texts::kStart) {
    // A race whose lap file already holds touches (reception stopped and
    // started again, a program started again mid-race) keeps them unless the
    // operator chooses to start it over; asked before anything changes, so
    // that Cancel leaves reception off and every file as it was.
    const LapOnScreen held = ReadLapOnScreen();
    bool startOver = held.touches.empty();
    if (!held.touches.empty()) {
      const int choice = messages_.AskChoice(
          KeepLapQuestion(book_.RaceNo, static_cast<int>(held.touches.size())),
          {race_texts::kKeepLap, race_texts::kStartOver, race_texts::kCancelStart}, 0, 2);
      if (choice != 0 && choice != 1) return;
      startOver = choice == 1;
    }
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
    // The lap file is touched only once reception really runs: a start that
    // fails leaves the race's laps as they were.
    const int records = static_cast<int>(held.touches.size());
    if (startOver) {
      if (records > 0) {
        StartRaceOver(false);
        if (onLapFileStartedOver) onLapFileStartedOver(book_.RaceNo, records);
      } else {
        openLap();
      }
    } else {
      // The lanes follow the file when they no longer show it (the race was
      // drawn again, or the program started again).
      if (!LanesShow(held.touches)) RestoreLanes(held.touches);
      if (auto problem = lap_.Reopen(LapPath(meet_, book_.RaceNo))) Report(*problem);
      if (onLapFileKept) onLapFileKept(book_.RaceNo, records);
    }
    receptionPublished_ = true;
    feed_->Publish(ReceptionStarted{portNumber_, port_.DeviceName(), LaneMap()});
    // Reception now runs from the window's own event loop.
  } else if (caption == race_texts::kStop) {
    StopReception();
  }
}

void RaceWindow::StopReception() {
  ++generation_;  // a pending reopen of the port does nothing now
  // A held run stays in the capture; the race keeps what it had.
  restart_.holding = false;
  restart_.held.clear();
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
  if (!sameOutage) messages_.WarnUntilSettled(kOutageKey, warning);
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
  // Told in lblLink and the journal; the outage's box, if still open, says
  // so too rather than go on warning.
  PublishPortProblem(PortName(portNumber_) + " に再接続しました。受信を続けます。");
  messages_.Settled(kOutageKey, PortName(portNumber_) + " は復旧しました。受信を続けています。");
}

}  // namespace poolside
