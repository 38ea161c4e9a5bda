#pragma once
// A touch repair that an interruption (a kill, a power cut, a full disk)
// left half-done in a data folder (finish/repair_intent.h) is completed by
// the next start on the folder and by the next `--touches` run: its repair
// line is journaled (again: recovery makes it once) and the files it had
// not replaced yet are replaced.

#include <functional>
#include <optional>
#include <string>

#include "feed/race_events.h"
#include "finish/repair_intent.h"
#include "meetdata/meet_data.h"

namespace poolside {

struct InterruptedRepair {
  RepairIntent intent;
  bool completed = false;
  std::string message;  // what was done, or why it could not be
};

// None when no repair was interrupted. `journal` (may be empty) takes the
// repair's capture line before the files change.
std::optional<InterruptedRepair> CompleteInterruptedRepair(
    const MeetData& meet, const std::function<void(const TouchesRepaired&)>& journal);

// The feed's event of an intent's repair (the capture's line, the result's
// owner), with the intent's id.
TouchesRepaired RepairEventOf(const RepairIntent& intent);

}  // namespace poolside
