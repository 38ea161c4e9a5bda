#pragma once
// The timing window with no screen: its logic over plain in-memory controls,
// a port that returns one given block per notification, messages kept as
// text and posted tasks run after each block. Re-timing drives it so that a
// captured race goes through exactly the reception and finish code of live
// timing.

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "meetdata/meet_data.h"
#include "timing/race_window.h"

namespace poolside {

class HeadlessRaceWindow {
 public:
  explicit HeadlessRaceWindow(MeetData& meet);
  ~HeadlessRaceWindow();
  HeadlessRaceWindow(const HeadlessRaceWindow&) = delete;
  HeadlessRaceWindow& operator=(const HeadlessRaceWindow&) = delete;

  RaceWindow& Window() { return *window_; }
  // Puts `race` on screen as navigation does.
  void ShowRace(int race);
  // Starts reception on the headless port. False when it did not start.
  bool StartReception();
  void StopReception();
  // One port notification whose read returns exactly `block`, then the
  // tasks it posted.
  void Deliver(const std::string& block);
  // A restart journaled in the capture, then the tasks it posted.
  void ReplayRestart(const RaceRestarted& restarted);
  // Every message the window showed or warned, in order.
  const std::vector<std::string>& Messages() const;
  // Sets the lane identifiers (one byte per lane, as the boxes give them).
  void SetLaneMap(const std::string& map);

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
  std::unique_ptr<RaceWindow> window_;
};

}  // namespace poolside
