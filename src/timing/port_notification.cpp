#include <chrono>
#include <string>

#include "meetdata/settings.h"
#include "platform/errors.h"
#include "reception/console_line.h"
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
    // Bytes the port's framing found to belong to no record are journaled
    // and counted by the link watch; reception never sees them.
    const bool fragment = port_.LastReadIsNoise();
    feed_->Publish(BlockRead{block, std::chrono::system_clock::now(),
                             std::chrono::steady_clock::now(),
                             fragment ? BlockKind::Noise : KindOfBlock(Classify(block))});
    if (fragment) return;
    // A restarted console's run waits, captured, for the operator's choice.
    if (restart_.holding) {
      restart_.held.push_back(block);
      PostConsoleRestartQuestion();
      return;
    }
    TakeBlock(block);
  } catch (const RuntimeError& e) {
    ReportError(e.what());
  }
}

void RaceWindow::TakeBlock(const std::string& block) {
  try {
    const BlockMeaning meaning = reception_.Take(block);
    switch (meaning.line) {
      case LineClass::Foreign:
        // A port that frames lost nothing but this block's bytes; one that
        // hands over characters as they come is out of step and starts afresh.
        if (!port_.FramesRecords()) Resync();
        break;
      case LineClass::Clock:
        ShowClock(meaning);
        break;
      case LineClass::Result:
        ShowLaneTouched(meaning);
        break;
      case LineClass::Noise:
      case LineClass::Ignored:
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

void RaceWindow::ShowClock(const BlockMeaning& meaning) {
  if (meaning.finishRace) {
    try {
      FinishRace();
    } catch (const RuntimeError& e) {
      ReportError(e.what());
    }
  }
  const std::string shown = Latin1ToUtf8(meaning.clockText);
  c_.lblTimer->SetCaption(shown);
  feed_->Publish(ClockShown{shown});
  if (meaning.consoleRestart && Receiving()) {
    // Nothing of the new run goes into the race until the operator chooses.
    restart_.holding = true;
    feed_->Publish(RaceRestarted{book_.RaceNo, RaceRestarted::Choice::Held, true});
    PostConsoleRestartQuestion();
  }
}

void RaceWindow::ShowLaneTouched(const BlockMeaning& meaning) {
  if (meaning.lane == 0) return;  // taken by the filter, or no row
  const int lane = meaning.lane;
  TextBox* jun = c_.txtJun[lane - 1];
  TextBox* kiro = c_.txtKiro[lane - 1];
  const std::string timeText = Latin1ToUtf8(meaning.timeText);
  jun->SetText(std::to_string(meaning.rank));
  kiro->SetText(timeText);
  const int metres = MetresPerLap(meet_.Settings.LapBaseCode, meet_.Settings.LapDoubleCode);
  if (metres > 0) c_.txtShukai[lane - 1]->SetText(std::to_string(meaning.laps * metres));
  if (meaning.finish) {
    jun->SetBackColor(kLightRed);
    kiro->SetBackColor(kLightRed);
  }
  AppendLap(lane, meaning.timeText, meaning.finish ? 'G' : 'L');

  LaneTouched touched;
  touched.lane = lane;
  touched.rank = meaning.rank;
  touched.timeText = timeText;
  touched.packed = meaning.packed;
  touched.laps = meaning.laps;
  touched.metres = metres > 0 ? meaning.laps * metres : 0;
  touched.finish = meaning.finish;
  feed_->Publish(touched);
}

}  // namespace poolside
