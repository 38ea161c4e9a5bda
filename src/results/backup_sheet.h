#pragma once
// A race's watches and official times as rows of text, one a lane: what
// `poolside --backups N` lists, what the backup window shows and what the
// time adjustment slip prints.

#include <string>
#include <vector>

#include "results/race_result.h"

namespace poolside {

struct BackupRow {
  int lane = 0;
  std::int32_t entry = 0;
  std::string name;                  // the entry list's name; "" when none
  std::string console;               // the console's finish ("1:02.34"); "" when none
  std::vector<std::string> watches;  // in the order typed
  std::string backup;                // the backup time; "" without watches
  std::string difference;            // backup minus console ("+0.31"); "" unless both
  std::string used;                  // "console", "backup", "typed"; "" for none
  std::string time;                  // the lane's result now (the goal file's)
  std::string reason;
  std::vector<std::string> flags;  // the backup flags' words (decided or not)
  bool open = false;               // flagged and undecided
};

// A row for each lane with an entry, watches, a console time or a result.
std::vector<BackupRow> BackupRows(const RaceResult& result);

// The listing: a header line, then one line a lane, its columns separated by
// a tab, "-" for an empty one:
//   lane entry console watches backup difference used time reason flags
// watches and flags are joined with ",".
std::string BackupListing(const RaceResult& result);

// "-0.05", "+1:00.31": a signed difference of hundredths.
std::string SignedHundredths(std::int64_t hundredths);

}  // namespace poolside
