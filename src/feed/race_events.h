#pragma once
// What happens at the timing desk, as values: the events the timing window
// publishes on the race feed (feed/race_feed.h). Every event is a plain copyable
// struct so that a listener can hand it to its own thread unchanged.
// The contract of the feed is written in docs/architecture.md.

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "vocabulary/lanes.h"

namespace poolside {

struct RaceResult;  // results/race_result.h

using WallTime = std::chrono::system_clock::time_point;
using MonoTime = std::chrono::steady_clock::time_point;

// A code of the meet file with its label as the timing window shows it.
struct CodedText {
  std::string code;   // the code as text ("2", "M", "" when none)
  std::string label;  // UTF-8
};

// A race put on screen (at the load, after a finish, by navigation).
struct RaceShown {
  int race = 0;
  std::string status;  // the status character of the book, "" when none
  int program = 0;
  int heat = 0;
  int heats = 0;
  CodedText sex;
  CodedText raceClass;  // code "low-high"
  CodedText event;
  CodedText round;
  LaneArray<std::int32_t> entries{};  // entry number of lanes 1..10, 0 = empty
};

struct ReceptionStarted {
  int port = 0;
  std::string device;   // "" when the port has no device name (a script run)
  std::string laneMap;  // the console's identifier of lanes 1..10 (one byte each)
};

struct ReceptionStopped {
  int port = 0;
  std::string device;
};

// What a block read is, judged from its bytes alone.
enum class BlockKind {
  Clock,      // a clock record (shown in lblTimer)
  Result,     // a lap or finish record (the duplicate filter may still drop it)
  Ignored,    // a record of a kind reception leaves alone
  Noise,      // bytes that form no record (a result record whose time would
              // break the lap file, garbage between records): dropped
  OutOfStep,  // column 2 is not "A": dropped (a port that does not frame is
              // resynchronised)
};

// A piece of bytes as the line delivered it, before any block of it is read
// (ports that frame records report these; the blocks follow as BlockRead).
struct BytesReceived {
  std::string bytes;  // Latin-1 bytes, any value
  WallTime wall;
  MonoTime mono;
};

// One read of the port, raw, whatever it holds: a record, noise, a block
// out of step. Published before the block is handled.
struct BlockRead {
  std::string bytes;  // as read (Latin-1 bytes, may hold any byte value)
  WallTime wall;
  MonoTime mono;
  BlockKind kind = BlockKind::Result;
};

// The running clock as shown in lblTimer.
struct ClockShown {
  std::string text;  // the 8 console characters, UTF-8
};

// A lap or a finish accepted for a lane.
struct LaneTouched {
  int lane = 0;  // 1..10
  int rank = 0;
  std::string timeText;     // as shown, UTF-8
  std::int32_t packed = 0;  // mmsshh
  int laps = 0;
  int metres = 0;  // laps x metres per lap, 0 when the meet has no lap length
  bool finish = false;
};

// A time or status value typed into a lane's time box and stored.
struct ManualEntryStored {
  int race = 0;
  int lane = 0;
  std::int32_t value = 0;  // packed time or status value (700000 + n, 888888, 999999)
  std::string text;        // as the box shows it afterwards
};

// A race ranked, its goal file written and the race marked done in the book.
// The combined-race copies are made right after it; then come the status
// changes (the race, its targets) and the next race shown. A recovery
// applied from the timing window publishes one too (`recovered`), with its
// combined targets already copied, then the status changes and the race
// shown.
struct RaceFinished {
  int race = 0;
  LaneArray<int> rank{};             // lanes 1..10
  LaneArray<std::int32_t> time{};    // goal file values of lanes 1..10
  std::string goalFile;              // native path
  std::string lapFile;               // native path
  std::vector<int> combinedTargets;  // races the results were copied to
  // Lanes whose last touch was a lap with nothing typed after it: written
  // without a time (rank 0), for the operator to repair.
  LaneArray<bool> noFinish{};
  // Lanes whose 888888 is a withdrawal typed at the desk (8), not a lane
  // left without a time.
  LaneArray<bool> withdrawn{};
  // Re-timed from a capture and written by a recovery, not timed by the
  // desk now: its lanes are what its files say (noFinish and withdrawn as
  // the files read), and its blocks are in the capture already.
  bool recovered = false;
};

// A race's character in the status book changed: a finish, a combined copy,
// a status typed, a confirm, the combined set-up, or the book file changed
// on disk and reloaded. Published after the change is saved.
struct RaceStatusChanged {
  int race = 0;
  std::string status;  // the new character, "" when cleared
};

// The port failed to open, vanished, or came back.
struct PortProblem {
  int port = 0;
  std::string message;  // as shown to the operator
};

// The link-health label (lblLink) changed its warning: silence while a race
// runs, blocks that form no record, a port that vanished, or back to fine.
struct LinkHealth {
  enum class State { Fine, Silence, Noise, Vanished };
  int port = 0;
  State state = State::Fine;
  int seconds = 0;      // of silence, of noise, or since the port vanished
  std::string message;  // the warning as lblLink shows it, "" when fine
};

// A lane's touches repaired by the operator (a false touch removed, a missed
// one inserted, a lap made the finish or a finish a lap): the lap file was
// rewritten; a finished race was ranked again, its goal file and the copies
// of a combined race rewritten (the book is untouched).
struct TouchesRepaired {
  int race = 0;
  int lane = 0;      // 1..10
  std::string what;  // "drop 3", "insert-after 2 1:02.34", "insert-after 2 ?", "as-finish 4", ...
  int laps = 0;      // the lane's touches now
  int metres = 0;    // laps x metres per lap, 0 when the meet has no lap length
  bool noFinish = false;             // the lane's last touch is now a lap
  bool finished = false;             // ranked again
  LaneArray<int> rank{};             // when finished: the goal file's ranks
  LaneArray<std::int32_t> time{};    // and values
  std::vector<int> combinedTargets;  // races whose copies were redone
  std::string intent;  // the id of the repair's intent (finish/repair_intent.h), "" when none
};

// A lane's touches look wrong while the race runs (a missed touch, an extra
// touch, a finish while the field is a length short, ...), or no longer do:
// Cleared when its touches were repaired, Accepted when the operator
// looked and accepted the lane as it is (journaled).
struct LaneFlagged {
  enum class Reason {
    Cleared,
    MissedTouch,
    ExtraTouch,
    EarlyFinish,
    SplitBackwards,  // a touch earlier than the lane's previous one
    BeyondDistance,  // a lap or finish past the event's distance
    TooFast,         // a first touch or split faster than a length can be swum
    LeaderMissed,    // a split about twice the lane's previous, the field steady
    ConsoleRestart,  // touches after a restarted console kept in the race
    Accepted,
  };
  int race = 0;
  int lane = 0;  // 1..10
  Reason reason = Reason::Cleared;
  std::string message;  // the reason in words, as the desk shows it; "" when cleared
};

// A lane's watches recorded (up to three, hundredths, in the order typed),
// with or without the referee's decision on the lane's official time. A
// decision (`use` not "") rewrote the race's goal file with the chosen time
// and ranked it again (the lap file keeps the console's records), and redid
// the copies of a combined race. Journaled, so that re-timing the race from
// the capture applies it again.
struct BackupsRecorded {
  int race = 0;
  int lane = 0;  // 1..10
  std::vector<std::int64_t> watches;
  std::string use;                   // "" watches only; "console", "backup" or "typed"
  std::int64_t typed = 0;            // use "typed": the typed time
  std::string reason;                // why a time other than the console's is used
  std::string at;                    // when, ISO 8601 with its UTC offset
  bool finished = false;             // the goal file was rewritten
  LaneArray<int> rank{};             // when finished: the goal file's ranks
  LaneArray<std::int32_t> time{};    // and values
  std::vector<int> combinedTargets;  // races whose copies were redone
};

// The referee signed race N off (公式), or a change of an official race took
// it back (速報, `official` false).
struct RaceSignedOff {
  int race = 0;
  bool official = true;
  std::string at;  // ISO 8601 with its UTC offset
};

// The race on screen taken up again after reception found it under way:
// started over (its lap file made afresh and its lanes cleared; the capture
// keeps the touches), or, after a restarted console (`console`), the same
// race going on with the console's new run, or the next race put on screen
// to take it (this one stays unfinished). Journaled, so that re-timing from
// the capture replays the choice; a RaceShown of the race follows.
struct RaceRestarted {
  // Held: a restarted console's run is held from here on, no choice made
  // yet (journaled, so that re-timing knows which blocks were held).
  enum class Choice { StartOver, SameRace, NextRace, Held };
  int race = 0;
  Choice choice = Choice::StartOver;
  bool console = false;  // after a restarted console; else at a start of reception
};

// Race N's result changed, and every file it comes from is written: told by
// the result's owner (results/race_results.h), once per change, after the
// event that changed it. Every output takes race N's result from here.
struct RaceResultChanged {
  enum class Cause {
    Finished,   // timed by the console or finished by 確定
    Recovered,  // re-timed from a capture and written by a recovery
    Repaired,   // its touches repaired
    Copied,     // the copy of a combined race's result (a finish, a recovery or a repair of it)
    Status,     // its character in the status book changed
    Entries,    // its heat in the meet file changed (an edit or an import)
    Flags,      // a lane's flag raised, or looked at (accepted or cleared)
    Backups,    // a lane's watches recorded or its official time decided
    Official,   // signed off, or taken back to 速報 by a later change
  };
  int race = 0;
  std::uint64_t revision = 0;  // grows with every change the owner tells, of any race
  Cause cause = Cause::Finished;
  bool done = false;  // the book marks it done: it has a result to show
  // The whole result, never null; shared, never changed once told, so that
  // any thread may read it.
  std::shared_ptr<const RaceResult> result;
};

using RaceEvent = std::variant<RaceShown, ReceptionStarted, ReceptionStopped, BlockRead, ClockShown,
                               LaneTouched, ManualEntryStored, RaceFinished, RaceStatusChanged,
                               PortProblem, LinkHealth, BytesReceived, TouchesRepaired, LaneFlagged,
                               RaceResultChanged, RaceRestarted, BackupsRecorded, RaceSignedOff>;

}  // namespace poolside
