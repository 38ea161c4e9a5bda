#include <chrono>
#include <limits>
#include <string>

#include "platform/errors.h"
#include "timing/console_line.h"
#include "timing/race_window.h"

namespace poolside {

namespace {

// Console bytes (Latin-1) as UTF-8 for the display.
std::string Latin1ToUtf8(const std::string& bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (unsigned char ch : bytes) {
    if (ch < 0x80) {
      out += static_cast<char>(ch);
    } else {
      out += static_cast<char>(0xC0 | (ch >> 6));
      out += static_cast<char>(0x80 | (ch & 0x3F));
    }
  }
  return out;
}

BlockKind KindOfBlock(LineClass c) {
  switch (c) {
    case LineClass::Foreign:
      return BlockKind::OutOfStep;
    case LineClass::Result:
      return BlockKind::Result;
    case LineClass::Ignored:
      return BlockKind::Ignored;
    case LineClass::Clock:
      return BlockKind::Clock;
    case LineClass::Noise:
      break;
  }
  return BlockKind::Noise;
}

// Restores the flag however the handling ends.
class NotificationScope {
 public:
  explicit NotificationScope(bool& flag) : flag_(flag), previous_(flag) { flag_ = true; }
  ~NotificationScope() { flag_ = previous_; }
  NotificationScope(const NotificationScope&) = delete;
  NotificationScope& operator=(const NotificationScope&) = delete;

 private:
  bool& flag_;
  bool previous_;
};

}  // namespace

void RaceWindow::OnPortNotification() {
  // Only an open port of a running reception is read.
  if (!Receiving() || !port_.IsOpen()) return;
  NotificationScope scope(inNotification_);
  try {
    const std::string block = port_.Read();
    const LineClass lineClass = Classify(block);
    feed_->Publish(BlockRead{block, std::chrono::system_clock::now(),
                             std::chrono::steady_clock::now(), KindOfBlock(lineClass)});
    switch (lineClass) {
      case LineClass::Foreign:
        Resync();
        break;
      case LineClass::Noise:
        ++noiseBlocks_;
        break;
      case LineClass::Ignored:
        break;
      case LineClass::Clock:
        HandleClockLine(block);
        break;
      case LineClass::Result:
        HandleResultLine(block);
        break;
    }
  } catch (const RuntimeError& e) {
    ReportError(e.what());
  }
}

void RaceWindow::Resync() {
  // A record read before its last character arrived: start afresh with
  // whatever comes next.
  port_.Close();
  port_.SetInputLen(16);
  port_.DiscardInput();
  try {
    port_.Open();
  } catch (const IoError& e) {
    OnPortError(e.what());
  }
}

void RaceWindow::HandleClockLine(const std::string& block) {
  const std::string timeText = TimeTextOf(block);
  if (GoalSeen == "1" && timeText == kZeroClock) {
    // The filter and GoalSeen are reset even when the finish fails, so that
    // the zero clock repeated by the console does not finish it again.
    try {
      FinishRace();
    } catch (const RuntimeError& e) {
      ReportError(e.what());
    }
    GoalSeen = "0";
    LastLane = 0;
    LastTime.clear();
    LastKind.clear();
  }
  const std::string shown = Latin1ToUtf8(timeText);
  c_.lblTimer->SetCaption(shown);
  feed_->Publish(ClockShown{shown});
}

void RaceWindow::HandleResultLine(const std::string& block) {
  const std::string kind = KindOf(block);
  const int rank = RankOf(block);
  const int lane = LaneOf(block, LaneMap);
  const std::string timeText = TimeTextOf(block);

  if (timeText == LastTime && lane == LastLane && kind == LastKind) return;
  LastLane = lane;
  LastTime = timeText;
  LastKind = kind;
  // An identifier that is not in the lane map has no row.
  if (lane < 1 || lane > kLanes) return;

  TextBox* jun = c_.txtJun[lane - 1];
  TextBox* kiro = c_.txtKiro[lane - 1];
  jun->SetText(std::to_string(rank));
  kiro->SetText(Latin1ToUtf8(timeText));
  LaneTime[lane] = PackedTime(timeText);
  if (LapCount[lane] < std::numeric_limits<std::int16_t>::max()) ++LapCount[lane];
  const int metres = MetresPerLap(meet_.Settings.LapBaseCode, meet_.Settings.LapDoubleCode);
  if (metres > 0) c_.txtShukai[lane - 1]->SetText(std::to_string(LapCount[lane] * metres));

  const bool finish = kind != "L";
  if (finish) {
    jun->SetBackColor(kLightRed);
    kiro->SetBackColor(kLightRed);
  }
  appendLapRecord(lane, timeText, finish ? 'G' : 'L');
  if (finish) GoalSeen = "1";

  LaneTouched touched;
  touched.lane = lane;
  touched.rank = rank;
  touched.timeText = Latin1ToUtf8(timeText);
  touched.packed = LaneTime[lane];
  touched.laps = LapCount[lane];
  touched.metres = metres > 0 ? LapCount[lane] * metres : 0;
  touched.finish = finish;
  feed_->Publish(touched);
}

}  // namespace poolside
