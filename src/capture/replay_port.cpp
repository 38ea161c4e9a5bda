#include "capture/replay_port.h"

#include <cstdlib>
#include <utility>

#include "capture/captured_races.h"
#include "platform/errors.h"

namespace poolside {

ReplayPort::ReplayPort(int portNumber, std::string file, double speed, WindowHost& host,
                       ConsoleNoiseTest consoleNoise)
    : portNumber_(portNumber),
      file_(std::move(file)),
      speed_(speed),
      host_(host),
      consoleNoise_(std::move(consoleNoise)) {}

bool ReplayPort::ParseSpec(const std::string& spec, std::string& file, double& speed) {
  file = spec;
  speed = 1.0;
  const std::size_t at = spec.rfind('@');
  if (at == std::string::npos) return !file.empty();
  const std::string number = spec.substr(at + 1);
  char* end = nullptr;
  const double v = std::strtod(number.c_str(), &end);
  if (number.empty() || *end != '\0' || !(v >= 0) || v > 1e9) return false;
  file = spec.substr(0, at);
  speed = v;
  return !file.empty();
}

void ReplayPort::Open() {
  if (!checked_) {
    // The whole file is read once so that a bad capture fails here, with
    // its line, rather than in the middle of a race.
    CaptureReader check;
    check.Open(file_);
    CaptureRecord r;
    while (check.Next(r)) {
    }
    reader_.Open(file_);
    checked_ = true;
    Advance();
  }
  open_ = true;
  ++generation_;
  scheduled_ = false;
  if (!pending_.empty()) {
    const std::weak_ptr<char> alive = alive_;
    host_.Post([this, alive] {
      if (!alive.expired() && open_ && !pending_.empty() && onNotify) onNotify();
    });
  } else {
    Schedule(0);
  }
}

void ReplayPort::Close() {
  open_ = false;
  ++generation_;
  scheduled_ = false;
}

void ReplayPort::DiscardInput() {
  pending_.clear();
  // At speed 0 the next block comes once nothing waits, as after a read.
  if (speed_ == 0) Schedule(0);
}

int ReplayPort::BytesWaiting() const {
  std::size_t n = 0;
  for (const Pending& b : pending_) n += b.bytes.size();
  return static_cast<int>(n);
}

std::string ReplayPort::DeviceName() const { return std::string(kPrefix) + file_; }

std::string ReplayPort::Read() {
  lastNoise_ = false;
  if (!open_ || pending_.empty()) return {};
  std::string block = std::move(pending_.front().bytes);
  lastNoise_ = pending_.front().noise;
  pending_.pop_front();
  if (!pending_.empty()) {
    const std::weak_ptr<char> alive = alive_;
    host_.Post([this, alive] {
      if (!alive.expired() && open_ && !pending_.empty() && onNotify) onNotify();
    });
  } else if (speed_ == 0) {
    Schedule(0);
  }
  return block;
}

void ReplayPort::Advance() {
  try {
    haveNext_ = false;
    while (reader_.Next(next_)) {
      if (next_.kind == "block") {
        haveNext_ = true;
        return;
      }
    }
  } catch (const IoError& e) {
    // The file changed under the replay: nothing more comes.
    if (onError) onError(e.what());
  }
}

void ReplayPort::Schedule(std::int64_t delayMicros) {
  if (!haveNext_ || scheduled_ || !open_) return;
  scheduled_ = true;
  const unsigned generation = generation_;
  const std::weak_ptr<char> alive = alive_;
  auto task = [this, alive, generation] {
    if (alive.expired() || generation != generation_) return;
    scheduled_ = false;
    Arrive();
  };
  const std::int64_t ms = (delayMicros + 500) / 1000;
  if (ms <= 0) {
    host_.Post(std::move(task));
  } else {
    host_.PostDelayed(static_cast<int>(ms > 86400000 ? 86400000 : ms), std::move(task));
  }
}

void ReplayPort::Arrive() {
  if (!open_ || !haveNext_) return;
  const std::int64_t mono = next_.monoMicros;
  const bool noise = IsFramingNoise(next_, consoleNoise_);
  pending_.push_back({std::move(next_.bytes), noise});
  Advance();
  if (speed_ > 0 && haveNext_) {
    const std::int64_t gap = next_.monoMicros > mono ? next_.monoMicros - mono : 0;
    Schedule(static_cast<std::int64_t>(static_cast<double>(gap) / speed_));
  }
  if (onNotify) onNotify();
}

}  // namespace poolside
