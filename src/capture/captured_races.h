#pragma once
// The races of a capture: a captured race is the stretch from a race put on
// screen to its finish or to the next race put on screen. Reception stopped
// and started again on the same race stays inside the stretch; the same
// race shown again while its stretch is open (a redraw) continues it.

#include <cstdint>
#include <string>
#include <vector>

namespace poolside {

struct CapturedLane {
  int lane = 0;      // 1..10
  std::string time;  // the finish time as shown, blanks trimmed
};

struct CapturedRace {
  int index = 0;  // 1, 2, ... in the file's order
  int race = 0;   // the race that was current
  int program = 0;
  int heat = 0;
  std::string start;  // wall time of the race put on screen
  std::string end;    // wall time of its finish or of the stretch's last line
  bool finished = false;
  std::string goalFile;              // of the finish, "" when unfinished
  std::vector<CapturedLane> lanes;   // lanes that finished, lane order
  std::size_t blocks = 0;            // reads of the port inside the stretch
  long firstLine = 0, lastLine = 0;  // lines of the file the stretch covers
};

// Reads the whole capture (streaming). Throws IoError naming the file and
// line on bad input.
std::vector<CapturedRace> FindCapturedRaces(const std::string& path);

// The bytes of every read of the port inside captured race `race`, in order.
std::vector<std::string> BlocksOf(const std::string& path, const CapturedRace& race);

// One line of the --recover listing.
std::string ListingLine(const CapturedRace& race);

}  // namespace poolside
