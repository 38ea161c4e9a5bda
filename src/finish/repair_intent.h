#pragma once
// A touch repair as one step. Before the first file changes, the repair's
// intent is written whole (atomically) to the data folder's own file
// touch_repair.pending: an id, the race, the lane, the repair's words and
// every file it replaces with its content before and after. Then the
// capture's repair line is written (with the id), then the files are
// replaced together, then the intent is removed. A repair interrupted at any
// point is completed from the intent: files still as before get their
// content after, files already after stay; the repair line is journaled
// again (recovery takes one repair line per id). Completing twice changes
// nothing.
//
// The file (ours, never shared with the meet office), one item a line:
//   poolside-touch-repair 1
//   id 20261209T100203.123456-1234567
//   race 3
//   lane 1
//   what as-lap 2
//   event LAPS METRES NOFINISH FINISHED       what the feed is told (0/1 flags)
//   targets 4,5                               combined copies redone (may be empty)
//   file HEX(PATH) HEX(BEFORE) HEX(AFTER)     one per file, in writing order
//   end

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "feed/race_events.h"
#include "finish/touch_repair.h"
#include "meetdata/meet_data.h"

namespace poolside {

inline constexpr const char* kPendingRepairName = "touch_repair.pending";

struct RepairIntent {
  struct File {
    std::string path;
    std::string before;
    std::string after;
  };
  std::string id;
  TouchRepair repair;
  TouchesRepaired event;  // what the feed is told (race, lane, laps, flags, targets)
  std::vector<File> files;
};

// The intent of `plan` with a new id; `event` is what the feed is told of
// it (RepairedEvent).
RepairIntent IntentOf(const MeetData& meet, const RepairPlan& plan, const TouchesRepaired& event);
std::string IntentText(const RepairIntent& intent);
// None when `text` is not a whole intent.
std::optional<RepairIntent> ParseIntentText(const std::string& text, int race);

// Writes the intent, runs `journal` (the capture's line for intent.id), then
// the files, then removes the intent. Throws IoError naming the file; a
// failure before the files leaves them as they were (and no intent).
void ApplyRepairInOneStep(const MeetData& meet, const RepairIntent& intent,
                          const std::function<void()>& journal);

// The intent an interrupted repair left in the data folder, or none. Throws
// IoError naming the file when it is there but cannot be read or is damaged.
std::optional<RepairIntent> PendingRepair(const MeetData& meet);
// Completes `intent` (see above) and removes it. Throws IoError naming a
// file that holds neither its content before nor after (nothing is replaced
// then and the intent stays for a person to look at).
void CompleteRepair(const MeetData& meet, const RepairIntent& intent);

// "レース 3 コース 1 の修正 (as-lap 2)", for the messages.
std::string IntentName(const RepairIntent& intent);

}  // namespace poolside
