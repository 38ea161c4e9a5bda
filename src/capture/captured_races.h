#pragma once
// The races of a capture: a captured race is the stretch from a race put on
// screen to its finish or to the next race put on screen. Reception stopped
// and started again on the same race stays inside the stretch; the same
// race shown again while its stretch is open (a redraw) continues it. The
// files of several program runs read as one capture in the order given, so
// a race whose program was killed and started again (which shows the same
// race first) is one captured race over both files.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "feed/race_events.h"

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
  std::string goalFile;             // of the finish, "" when unfinished
  std::vector<CapturedLane> lanes;  // lanes that finished, lane order
  std::size_t blocks = 0;           // reads of the port inside the stretch
  std::size_t touches = 0;          // lane records (laps and finishes) inside it
  // The lane identifiers in effect for its blocks (one byte per lane),
  // from the latest reception start; "" when none was captured.
  std::string laneMap;
  struct Span {
    std::size_t file = 0;  // index into the files read
    long firstLine = 0, lastLine = 0;
  };
  std::vector<Span> spans;  // the lines the stretch covers, file by file
};

// The capture files named by `paths`: a file as it is, a folder as its
// ".cap" files in name order (which is their start-time order). A file
// that holds no whole line (empty, its first line cut short, or nothing but
// NUL bytes: a program killed or a disk full as the file was begun) is left
// out, and a file whose last line is cut short is read up to that line;
// each adds a line to `notes` that names it.
std::vector<std::string> CaptureFiles(const std::vector<std::string>& paths,
                                      std::vector<std::string>& notes);
std::vector<std::string> CaptureFiles(const std::vector<std::string>& paths);

// Reads the whole capture (streaming); a last line cut short ends its file.
// Throws IoError naming the file and line on bad input.
std::vector<CapturedRace> FindCapturedRaces(const std::vector<std::string>& files);

// True for the bytes of a block that reception itself takes as noise (a
// result record whose time would break the lap file's items). The journal
// marks those blocks and the bytes that the port's framing found to belong
// to no record alike (kind=noise); the console's record grammar, which lives
// with reception (reception/console_line.h: IsNoiseRecord), tells them apart.
using ConsoleNoiseTest = std::function<bool(std::string_view block)>;

struct CaptureRecord;
// True for a `block` line of bytes that the framing of the port found to
// belong to no record: journaled as noise although `consoleNoise` does not
// take them as reception's own. Reception never saw such a block.
bool IsFramingNoise(const CaptureRecord& block, const ConsoleNoiseTest& consoleNoise);

// The bytes of every read of the port inside captured race `race`, in order,
// without the framing's noise (reception never saw it).
std::vector<std::string> BlocksOf(const std::vector<std::string>& files, const CapturedRace& race,
                                  const ConsoleNoiseTest& consoleNoise);

// One step of a captured race as re-timing replays it: a read of the port,
// or a time or status typed into a lane of the race.
struct CapturedStep {
  bool typed = false;      // false: `bytes` is a block
  std::string bytes;       // the block
  int lane = 0;            // the typed entry: lane 1..10
  std::int32_t value = 0;  // and the value stored
  // The race taken up again (started over, or a restarted console's run
  // placed): replayed as the operator chose it; `bytes` and `typed` unused.
  std::optional<RaceRestarted> restarted;
};

// The blocks, the typed entries and the restarts of captured race `race`,
// in order.
// Entries typed into another race than the captured one are left out, and
// so is the framing's noise.
std::vector<CapturedStep> StepsOf(const std::vector<std::string>& files, const CapturedRace& race,
                                  const ConsoleNoiseTest& consoleNoise);

// The blocks a restarted console's run brought while it was held in the
// captured race `previous`, when the operator then gave the run to the next
// race: they open the next captured race (the one after `previous`). Empty
// for any other stretch.
std::vector<CapturedStep> CarriedSteps(const std::vector<std::string>& files,
                                       const CapturedRace& previous,
                                       const ConsoleNoiseTest& consoleNoise);

// One line of the --recover listing.
std::string ListingLine(const CapturedRace& race);

}  // namespace poolside
