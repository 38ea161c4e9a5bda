#pragma once
// What the desk knows of a finished race that the meet office's files
// cannot say: the moment it finished, which 888888 is a withdrawal typed at
// the desk (8) and which lane ended on a lap. Kept in a file of our own
// beside the exports, export\desk.json, so that it outlives the program
// (docs/export.md); never in the files shared with the meet office.
//
//   {"format":"poolside-desk","version":1,"races":[
//     {"race":7,"finished_at":"2026-12-09T10:15:30+09:00","withdrawn":[3],"no_finish":[5]}]}

#include <map>
#include <string>

#include "results/race_result.h"

namespace poolside {

inline constexpr const char* kDeskFileName = "desk.json";  // in the export folder

struct RaceKnowledge {
  std::string finishedAt;  // IsoLocalTime of the finish; "" when unknown
  DeskLanes lanes;
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
