#include "timing/link_watch.h"

#include <memory>

namespace poolside {

namespace {

std::string PortName(int n) { return "COM" + std::to_string(n); }

int WholeSeconds(MonoTime from, MonoTime to) {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count();
  return ms < 0 ? 0 : static_cast<int>(ms / 1000);
}

bool ClockRunning(const std::string& text) {
  for (char c : text) {
    if (c >= '1' && c <= '9') return true;
  }
  return false;
}

}  // namespace

LinkWatch::LinkWatch(Label& label, RaceFeed& feed, const SerialPort& port, WindowHost& host,
                     Clock now)
    : label_(label), feed_(feed), port_(port), host_(host), now_(std::move(now)) {}

LinkWatch::~LinkWatch() { feed_.Detach(*this); }

void LinkWatch::OnRaceEvent(const RaceEvent& event) {
  if (const auto* block = std::get_if<BlockRead>(&event)) {
    if (!receiving_) return;
    lastByte_ = block->mono;
    anyByte_ = true;
    if (block->kind != BlockKind::Noise && block->kind != BlockKind::OutOfStep) {
      lastRecord_ = block->mono;
    }
    const bool wasLost = vanished_;
    vanished_ = false;
    reopened_ = false;
    // Data is back: the warning clears at once (published after the event).
    if (shown_ != LinkHealth::State::Fine || wasLost) Update(false);
  } else if (std::holds_alternative<PortProblem>(event)) {
    // The window lost the port or got it back: shown now, not at the tick.
    if (receiving_) Update(false);
  } else if (const auto* clock = std::get_if<ClockShown>(&event)) {
    raceRunning_ = ClockRunning(clock->text);
  } else if (const auto* started = std::get_if<ReceptionStarted>(&event)) {
    receiving_ = true;
    portNumber_ = started->port;
    anyByte_ = false;
    vanished_ = false;
    reopened_ = false;
    raceRunning_ = false;
    lastByte_ = lastRecord_ = now_();
    ++generation_;
    Update(false);
    ScheduleTick();
  } else if (std::holds_alternative<RaceShown>(event)) {
    if (!note_.empty()) {
      note_.clear();
      Update(false);
    }
  } else if (std::holds_alternative<ReceptionStopped>(event)) {
    receiving_ = false;
    ++generation_;
    Update(false);
  }
}

void LinkWatch::ScheduleTick() {
  const unsigned generation = generation_;
  const std::weak_ptr<char> alive = alive_;
  host_.PostDelayed(kTickMs, [this, alive, generation] {
    if (alive.expired() || generation != generation_ || !receiving_) return;
    Tick();
    ScheduleTick();
  });
}

void LinkWatch::Tick() { Update(true); }

void LinkWatch::SetNote(const std::string& note) {
  note_ = note;
  Update(false);
}

void LinkWatch::SetRole(const std::string& role) {
  role_ = role;
  Update(false);
}

void LinkWatch::Update(bool publishNow) {
  const MonoTime now = now_();
  LinkHealth health;
  health.port = portNumber_;
  std::string caption;
  // Back after a loss: silence counts from the reconnection.
  if (receiving_ && vanished_ && !reopened_ && port_.IsOpen()) {
    reopened_ = true;
    lastByte_ = lastRecord_ = now;
  }
  if (!receiving_) {
    health.state = LinkHealth::State::Fine;
  } else if (!port_.IsOpen()) {
    // Counted from this loss, also when the port came back in between.
    if (!vanished_ || reopened_) vanishedAt_ = now;
    vanished_ = true;
    reopened_ = false;
    health.state = LinkHealth::State::Vanished;
    health.seconds = WholeSeconds(vanishedAt_, now);
    health.message = PortName(portNumber_) + " が応答しません。再接続を試みています (" +
                     std::to_string(health.seconds) + " 秒)";
    caption = health.message;
  } else if (vanished_ && now - lastByte_ < std::chrono::milliseconds(kWarnAfterMs)) {
    // Told until the first block comes.
    health.state = LinkHealth::State::Fine;
    caption = PortName(portNumber_) + " に再接続しました。データを待っています";
  } else if (raceRunning_ && now - lastByte_ >= std::chrono::milliseconds(kWarnAfterMs)) {
    health.state = LinkHealth::State::Silence;
    health.seconds = WholeSeconds(lastByte_, now);
    health.message = PortName(portNumber_) + " から " + std::to_string(health.seconds) +
                     " 秒間データが来ません。計時盤とケーブルを確認してください";
    caption = health.message;
  } else if (anyByte_ && now - lastByte_ < std::chrono::milliseconds(kWarnAfterMs) &&
             now - lastRecord_ >= std::chrono::milliseconds(kWarnAfterMs)) {
    health.state = LinkHealth::State::Noise;
    health.seconds = WholeSeconds(lastRecord_, now);
    health.message = PortName(portNumber_) + " のデータが " + std::to_string(health.seconds) +
                     " 秒間記録になりません。回線設定 (9600,e,7,2) とケーブルを確認してください";
    caption = health.message;
  } else {
    health.state = LinkHealth::State::Fine;
    caption = anyByte_ ? "最終受信 " + std::to_string(WholeSeconds(lastByte_, now)) + " 秒前"
                       : "受信待ち";
  }
  if (!note_.empty()) caption += (caption.empty() ? "" : "\r") + note_;
  if (!role_.empty()) caption = role_ + (caption.empty() ? "" : "\r") + caption;
  if (label_.Caption() != caption) label_.SetCaption(caption);
  // A warning stands out from the lines beside it; plain again once cleared.
  const bool warning = health.state != LinkHealth::State::Fine;
  const Color back = warning ? kWarningAmber : kFaceColor;
  if (!(label_.BackColor() == back)) label_.SetBackColor(back);
  if (label_.Bold() != warning) label_.SetBold(warning);
  if (health.state == shown_) return;
  shown_ = health.state;
  if (publishNow) {
    feed_.Publish(health);
    return;
  }
  // Inside another event's publication: the change follows it.
  const std::weak_ptr<char> alive = alive_;
  host_.Post([this, alive, health] {
    if (!alive.expired()) feed_.Publish(health);
  });
}

}  // namespace poolside
