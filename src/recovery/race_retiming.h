#pragma once
// Re-timing a captured race into race N: the blocks of the whole captured
// stretch go through the timing window's own reception and finish, headless,
// in a staging copy of the data folder, as if race N had been current then
// and reception had never stopped. A stretch that ends without a finish is
// finished as the confirm button finishes a race. Nothing of the data
// folder changes until ApplyRetiming, which replaces each file atomically.

#include <string>
#include <utility>
#include <vector>

#include "capture/captured_races.h"
#include "platform/paths.h"
#include "vocabulary/lanes.h"

namespace poolside {

struct RetimedFile {
  std::string path;   // native path in the data folder
  std::string bytes;  // the whole new content
};

struct RetimedStatus {
  int race = 0;
  char before = 0;
  char after = 0;
};

struct Retiming {
  int race = 0;                         // N
  std::vector<RetimedFile> files;       // lap and goal files of N and its combined targets
  std::vector<RetimedStatus> statuses;  // book characters that change
  std::string bookPath;                 // the data folder's status book
  // Lanes of race N whose 888888 is a withdrawal typed at the desk (the
  // journaled entry replayed), unless a repair of the lane followed.
  LaneArray<bool> withdrawn{};
};

// Runs the re-timing in a staging folder and returns what it would write.
// The data folder is found as the program finds it (the control file
// relative to the working folder, drives mapped by `paths`). Throws
// RuntimeError with a clear message when it cannot.
Retiming RetimeRace(const PathMapper& paths, const std::vector<std::string>& captureFiles,
                    const CapturedRace& captured, int race);

// Writes the files, then the book (only the changed characters, on top of
// the book as it is now). Throws IoError naming the file.
void ApplyRetiming(const Retiming& retiming);

// The races the re-timing finishes, to be exported like any finished race:
// race N first, then each race the book marks "6" by it (the targets of a
// combined race).
std::vector<int> FinishedRaces(const Retiming& retiming);

// What RetimeRace found, for a person: the files with their content and the
// status characters.
std::string DescribeRetiming(const Retiming& retiming);

}  // namespace poolside
