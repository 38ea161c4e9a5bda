#pragma once
// The touch repairs and the referee's decisions on lanes' official times a
// capture holds for one captured race: the "repair" and "backups" lines (a
// "backups" line with a decision; watches alone change no file) of its race
// number from the start of its stretch up to the next
// stretch of the same race (a repair of a finished race may come much later,
// in another race's stretch or in a later program run's file). Re-timing
// applies them, in order, after the race's blocks. Lines that carry the
// same intent id (a repair journaled again as it was completed after an
// interruption) are one repair.

#include <cstdint>
#include <string>
#include <vector>

#include "capture/captured_races.h"

namespace poolside {

struct CapturedRepair {
  int lane = 0;
  std::string what;  // "drop 3", "insert-after 2 1:02.34", ... (RepairWords); "" for a decision
  std::string wall;  // when it was made
  // A decision: the time used ("console", "backup", "typed"), the lane's
  // watches and the typed time (hundredths).
  std::string use;
  std::vector<std::int64_t> watches;
  std::int64_t typed = 0;
  bool IsDecision() const { return !use.empty(); }
};

// Throws IoError naming the file and line on bad input.
std::vector<CapturedRepair> RepairsOf(const std::vector<std::string>& files,
                                      const CapturedRace& race);

}  // namespace poolside
