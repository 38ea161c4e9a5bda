#pragma once
// The link-health watch behind lblLink: a race feed listener that shows,
// while receiving, how long ago the console last sent a byte, and warns in
// the label (never a box) when
//   - a race is running (the last clock seen was not zero) and nothing has
//     come for 3 s: silence, naming the port and the seconds;
//   - blocks keep coming but none has formed a record for 3 s: noise,
//     pointing at the line settings and the cable;
//   - the port vanished: the window's reopen loop is running;
// and, once the port is open again, that it reconnected, until data comes.
// While a warning is on the label is amber and bold; plain once it clears.
// Each change of warning is published on the feed as LinkHealth (so the
// capture journal keeps it). A tick every half second from the window
// host's timer keeps the label current.

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "feed/race_feed.h"
#include "platform/controls.h"
#include "platform/serial_port.h"
#include "platform/window_host.h"

namespace poolside {

class LinkWatch : public RaceListener {
 public:
  using Clock = std::function<MonoTime()>;
  LinkWatch(
      Label& label, RaceFeed& feed, const SerialPort& port, WindowHost& host,
      Clock now = [] { return std::chrono::steady_clock::now(); });
  ~LinkWatch() override;
  LinkWatch(const LinkWatch&) = delete;
  LinkWatch& operator=(const LinkWatch&) = delete;

  void OnRaceEvent(const RaceEvent& event) override;
  // Brings the label up to date (the timer calls it).
  void Tick();
  // A line shown under the health text until another race is put on screen
  // ("" takes it away).
  void SetNote(const std::string& note);
  // A first line that always stays (the second desk says what it is); ""
  // takes it away.
  void SetRole(const std::string& role);

  static constexpr int kWarnAfterMs = 3000;
  static constexpr int kTickMs = 500;

 private:
  void Update(bool publishNow);
  void ScheduleTick();

  Label& label_;
  RaceFeed& feed_;
  const SerialPort& port_;
  WindowHost& host_;
  Clock now_;
  bool receiving_ = false;
  int portNumber_ = 0;
  bool raceRunning_ = false;
  bool anyByte_ = false;
  MonoTime lastByte_{};
  MonoTime lastRecord_{};  // last block that formed a record (or reception start)
  MonoTime vanishedAt_{};
  bool vanished_ = false;  // lost since the last block (open again or not)
  bool reopened_ = false;  // and open again
  LinkHealth::State shown_ = LinkHealth::State::Fine;
  unsigned generation_ = 0;
  bool publishPending_ = false;
  std::string note_;
  std::string role_;
  std::shared_ptr<char> alive_ = std::make_shared<char>();
};

}  // namespace poolside
