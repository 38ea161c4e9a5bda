#pragma once
// Two recordings of the same meet compared race by race: the folder of the
// desk and the folder of a second desk on the same console line (or a copy
// of either). For every race the lap file, the goal file and the race's
// character of the status book are compared record by record; where they
// differ, the first differing record is named with its text on each side.
// An empty lap file and none agree: neither holds a touch.

#include <cstddef>
#include <string>
#include <vector>

#include "platform/paths.h"

namespace poolside {

struct RaceFileDifference {
  int race = 0;
  std::string file;         // as the folder names it: "lap\r0003", "goal\g0003", "Race.dat"
  std::size_t record = 0;   // 1-based: a lap record, a goal file's lane, the book's race
  std::string left, right;  // the record's text on each side; kNoRecord when it has none
};

struct FolderComparison {
  std::vector<int> same;  // races with a file or a finish on either side that agree
  std::vector<RaceFileDifference> differences;  // in race order, lap, goal, book
  std::vector<std::string> problems;            // a folder or file that cannot be read, named
  bool folderUnreadable = false;  // a whole folder could not be read: nothing compared
};

// What a side shows for a record it does not have (a shorter or missing file).
inline constexpr const char* kNoRecord = "(なし)";

// Compares the data folders `left` and `right` (native paths; names inside
// are matched as the program matches them, without regard to case).
FolderComparison CompareRaceFolders(const PathMapper& paths, const std::string& left,
                                    const std::string& right);

// One line per race, "race N: same" or "race N: FILE record K differs:
// LEFT | RIGHT", then the problems.
std::vector<std::string> ComparisonLines(const FolderComparison& comparison);

}  // namespace poolside
