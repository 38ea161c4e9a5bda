#pragma once
// The result of one race as the export files and the live pages show it,
// loaded read-only from the meet office's files. Nothing here keeps a file
// open, writes a file or touches shared state, so a loader may run on any
// thread. The JSON form is in results/race_json.h; docs/export.md describes
// both.
//
// Stable API: the live pages (/api/races/N) and the export share it.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "feed/race_events.h"
#include "results/backup_times.h"
#include "results/entry_list.h"
#include "vocabulary/lanes.h"

namespace poolside {

class MeetData;
class PathMapper;
struct MeetSettings;

// How a lane's goal-file value reads.
enum class LaneStatus {
  Time,        // a packed time 1 .. 666665
  Dq,          // 700001 .. 700007: disqualification code 1 .. 7
  Withdrawn,   // 888888 for a withdrawal: typed (8) at the desk, or 888888 in the meet file
  NoTime,      // anything else: no time, an empty lane, 0, 666666, 999999, other status values
  Unreadable,  // the goal file gave nothing for this lane
  NoFinish,    // no time, and the lane's last touch in the lap file is a lap
};
// "time", "dq", "withdrawn", "no_time", "unreadable", "no_finish".
const char* LaneStatusName(LaneStatus status);

// One lap record of the lap file.
struct Split {
  int distance = 0;  // n-th record of the lane x metres per lap; 0 when the meet has no lap length
  std::string text;  // the console's time text without the leading blanks ("25.06")
  std::optional<std::int64_t> hundredths;  // none when the text is not a time
  char kind = 'L';                         // 'L' lap, 'G' finish
};

struct LaneResult {
  int lane = 0;                            // 1..10
  std::int32_t entry = 0;                  // entry number of the meet file, 0 = no entry
  bool goalRead = false;                   // its rank/time pair was read from the goal file
  bool lapsRead = false;                   // its lap records were all read from the lap file
  int rank = 0;                            // goal file rank, 0 = none
  std::int32_t packed = 0;                 // goal file value (mmsshh or status value)
  std::optional<std::int64_t> hundredths;  // for LaneStatus::Time only
  std::string text;  // TimeText(packed) without the leading blanks; "" when unreadable
  LaneStatus status = LaneStatus::Unreadable;
  int dqCode = 0;  // 1..7 when status is Dq
  std::vector<Split> splits;
  std::int32_t meetRecord = 0;  // the row's record (記録) in the meet file
  // Open flags of suspicious touches, as words ("missed_touch", ...; see
  // FlagWord), and the latest one in the desk's words; empty when none is
  // open (never flagged, repaired, or accepted as it is).
  std::vector<std::string> flags;
  std::string flagText;
  EntryName who{};  // the entry list's row of `entry` (empty when none)
  // The timekeepers' watches (in the order typed), their backup time, the
  // console's finish time (the lap file's, whatever the goal file holds now)
  // and the referee's decision (results/backup_times.h). `backupFlags` are
  // the words of the watches whether decided or not; while the lane is
  // undecided they are open flags too.
  std::vector<std::int64_t> watches;
  std::optional<std::int64_t> backup;
  std::optional<std::int64_t> consoleTime;
  TimeUse use = TimeUse::Undecided;
  std::int64_t typed = 0;
  std::string reason;
  std::vector<std::string> backupFlags;
  // The time used: "console" for an undecided lane with a console time, ""
  // for one without; else the decision's word.
  std::string UsedWord() const;
};

// What the timing desk knew of each lane when it finished the race (the
// RaceFinished event), beyond the goal file's bytes: which 888888 is a typed
// withdrawal and which lane ended on a lap.
struct DeskLanes {
  LaneArray<bool> withdrawn{};
  LaneArray<bool> noFinish{};
  // Flags still open, per lane: words and the latest reason in words.
  LaneArray<std::vector<std::string>> flags{};
  LaneArray<std::string> flagText{};
  // Words the operator accepted as they are: raised again (the same touches
  // judged again after a restart) they stay closed, until a repair.
  LaneArray<std::vector<std::string>> accepted{};
  // The watches and the decision of each lane.
  LaneArray<LaneBackup> backups{};
  bool AnyFlag() const;
  bool AnyBackup() const;
};

// Something a file could not give. `file` is the name in the data folder as
// the meet office writes it ("goal\g0007", "taikai.dat"); never a path of
// this machine, so it may be shown on a page.
struct ReadProblem {
  std::string file;
  std::string what;  // Japanese, for the operator
};

struct RaceResult {
  int race = 0;
  std::string raceText;    // RaceFileNumber: "0007" names the lap, goal and export files
  std::string bookStatus;  // the race's character in Race.dat, "" when none
  int program = 0;
  int heat = 0;
  int heats = 0;
  CodedText sex;        // code trimmed ("1"), label as the timing window shows it
  CodedText raceClass;  // code "low-high"
  CodedText event;      // code the event number in decimal
  CodedText round;
  std::int16_t classLow = 0;
  std::int16_t classHigh = 0;
  std::int16_t eventCode = 0;
  std::string finishedAt;  // ISO 8601 with UTC offset; "" when unknown
  // Signed off by the referee (公式); `officialAt` is the last sign-off, ""
  // when never signed.
  bool official = false;
  std::string officialAt;
  LaneArray<LaneResult> lanes;
  std::vector<ReadProblem> problems;  // empty when every file read cleanly

  // Every file read cleanly and no lane has an open flag.
  bool Complete() const;
  // Lanes with an open flag, in lane order.
  std::vector<int> FlaggedLanes() const;
  // Lanes whose watches raise a flag and that have no decision, in lane order.
  std::vector<int> UndecidedLanes() const;
};

// The native paths and settings a load needs: taken on the thread that owns
// the meet data, then handed to any thread.
struct RaceSources {
  int race = 0;
  std::string meetFile;  // taikai.dat
  std::string bookFile;  // Race.dat
  std::string goalFile;  // goal\gNNNN
  std::string lapFile;   // lap\rNNNN
  std::string classLabelMode;
  int metresPerLap = 0;
};

RaceSources SourcesOf(const PathMapper& paths, const std::string& dataFolder,
                      const MeetSettings& settings, int race);
RaceSources SourcesOf(const MeetData& meet, int race);  // its DataFolder and Settings

// Reads the meet file record, the book character, the goal file and the lap
// file of one race, read-only. Never throws for a file's sake: what a file
// could not give is listed in `problems`, and lanes it concerns are marked
// (goalRead / lapsRead false, status Unreadable). `finishedAt` is the goal
// file's modification time.
RaceResult LoadRaceResult(const RaceSources& sources);
// The same with the goal and lap file's bytes given (a re-timing's, still in
// memory) instead of read: each null one is read. A given goal file has no
// modification time: `finishedAt` stays "".
RaceResult LoadRaceResult(const RaceSources& sources, const std::string* goalBytes,
                          const std::string* lapBytes);

// The result as the public outputs (pages, broker, overlays) show it: each
// lane's name by `mode` (entry_list.h); the same result when in full.
std::shared_ptr<const RaceResult> PublicView(std::shared_ptr<const RaceResult> result,
                                             PublicNames mode);

// The text of a lane's result as the pages and the desk's result view show
// it: the time, "失格 3（折返）", "棄権", "ゴール未検出", "記録なし", ...
std::string LaneResultText(const LaneResult& lane);

// Result of one lane's goal value: status, text, hundredths, dqCode. A lane
// without a time whose last split is a lap reads NoFinish.
void ClassifyLaneValue(LaneResult& lane);
// The desk's knowledge decides the status of each lane the goal file gives
// 888888 (withdrawn, no finish, or no time). The watches and decisions go
// to their lanes; when any lane of the race has watches, every lane's
// backup flags are judged against `threshold` (hundredths), and those of an
// undecided lane join its open flags.
void ApplyDeskLanes(RaceResult& result, const DeskLanes& desk,
                    std::int64_t threshold = kDefaultBackupThreshold);
DeskLanes DeskLanesOf(const RaceFinished& finished);
// The word of a flag's reason in the export ("missed_touch", ...); "" for
// Cleared.
const char* FlagWord(LaneFlagged::Reason reason);
// "要確認: REASON" for a lane with an open flag, "" for one without.
std::string LaneFlagNote(const LaneResult& lane);
// The non-blocking notice of a race that finished with open flags, naming
// the lanes; "" when none is open.
std::string OpenFlagsNotice(const RaceResult& result);

// Hundredths of a console time text ("1:02.34", "   25.06", ".45"); none
// when the text is not one.
std::optional<std::int64_t> TimeTextHundredths(const std::string& text);
// ISO 8601 local time with its UTC offset: "2026-12-09T10:15:30+09:00".
std::string IsoLocalTime(WallTime time);

}  // namespace poolside
