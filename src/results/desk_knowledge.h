#pragma once
// What the desk knows of a finished race that the meet office's files
// cannot say: the moment it finished, which 888888 is a withdrawal typed at
// the desk (8) and which lane ended on a lap. Kept in a file of our own
// beside the exports, export\desk.json, so that it outlives the program
// (docs/export.md); never in the files shared with the meet office.
//
//   {"format":"poolside-desk","version":1,"races":[
//     {"race":7,"finished_at":"2026-12-09T10:15:30+09:00","withdrawn":[3],"no_finish":[5],
//      "flags":[{"lane":2,"words":["missed_touch"],"text":"タッチ漏れ? ..."}],
//      "backups":[{"lane":4,"watches":[6234,6237],"use":"backup","typed":0,
//                  "reason":"...","decided_at":"2026-12-09T10:20:00+09:00"}],
//      "official":true,"official_at":"2026-12-09T10:25:00+09:00"}]}
//
// The open flags of suspicious touches are kept from the moment they are
// raised, so a race under way keeps them across a restart (its
// "finished_at" is "" until it finishes); "flags" is left out when none is
// open; "backups" when no lane has watches or a decision; "official" and
// "official_at" when the race was never signed off.

#include <map>
#include <string>

#include "results/race_result.h"

namespace poolside {

inline constexpr const char* kDeskFileName = "desk.json";  // in the export folder

struct RaceKnowledge {
  std::string finishedAt;  // IsoLocalTime of the finish; "" when unknown
  DeskLanes lanes;
  bool official = false;   // signed off by the referee (公式)
  std::string officialAt;  // the last sign-off; "" when never signed
};

using DeskKnowledge = std::map<int, RaceKnowledge>;

std::string DeskKnowledgeJson(const DeskKnowledge& known);
// Reads what DeskKnowledgeJson wrote. A file that is not one gives what it
// could read and the reason in `problem` (Japanese, without the path).
DeskKnowledge ParseDeskKnowledge(const std::string& text, std::string& problem);

// The file at `path`: missing is empty and no problem; a file that cannot be
// read, or is larger than 4 MiB, gives its reason in `problem`, naming it.
DeskKnowledge ReadDeskKnowledge(const std::string& path, std::string& problem);
// Creates the folder of `path` when it is missing and replaces the file
// atomically. "" when written, else the reason naming the file.
std::string WriteDeskKnowledge(const std::string& path, const DeskKnowledge& known);

}  // namespace poolside
