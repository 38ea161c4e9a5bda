#pragma once
// The logic of the timing window's touch repair dialog: the touches of one
// lane of one race (the current one or a finished one), a preview of a
// repair and its apply through the window (RaceWindow::RepairTouches), so
// that the Qt dialog only shows and forwards.

#include <functional>
#include <string>
#include <vector>

#include "finish/touch_repair.h"
#include "platform/messages.h"
#include "timing/race_window.h"

namespace poolside {

class TouchRepairPanel {
 public:
  TouchRepairPanel(RaceWindow& window, MessageSink& messages)
      : window_(window), messages_(messages) {}

  // Reads the touches of `lane` (1..10) in race `race`. False with Problem()
  // set when the lap file cannot be read.
  bool Select(int race, int lane);
  int Race() const { return race_; }
  int Lane() const { return lane_; }
  // "1 29.50 L 29.50" for each touch of the lane.
  const std::vector<std::string>& Lines() const { return lines_; }
  const std::string& Problem() const { return problem_; }

  // The repair of touch `index` (from 1; InsertAfter also 0): what would be
  // written, or why it cannot be made. `time` is the inserted touch's time
  // ("" = time unknown).
  std::string Preview(RepairKind kind, int index, const std::string& time);
  // The same as the lane's touches before and after the repair (split,
  // distance, kind); false with the reason in `why` when it cannot be made.
  bool PreviewRows(RepairKind kind, int index, const std::string& time,
                   std::vector<TouchRow>& before, std::vector<TouchRow>& after, std::string& why);
  // Asks, then writes the repair. True when it was written (the touches
  // are read again); a failure is shown as a message. The question says so
  // when `isOfficial` tells the race is signed off (公式): the repair makes
  // it 速報 again.
  bool Apply(RepairKind kind, int index, const std::string& time);
  std::function<bool(int race)> isOfficial;

 private:
  // The repair, or false with the reason in `why`.
  bool Build(RepairKind kind, int index, const std::string& time, TouchRepair& out,
             std::string& why) const;

  RaceWindow& window_;
  MessageSink& messages_;
  int race_ = 0;
  int lane_ = 0;
  int MetresPerLapOfMeet() const;

  std::vector<std::string> lines_;
  std::vector<LapTouch> touches_;  // the race's, as last read
  std::string problem_;
};

}  // namespace poolside
