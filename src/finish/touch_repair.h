#pragma once
// Repairing the touches a race's pads got wrong, as plain code: a false touch
// removed, a missed one inserted (with a typed time or as "time unknown"), a
// lap made the finish or a finish a lap. The lap file is rewritten whole and
// atomically; a finished race (one with a goal file) is ranked again and its
// goal file replaced atomically, the status book untouched, and the copies
// of a combined race redone. The timing window (current race), its repair
// dialog and `poolside --touches` all go through PlanRepair/ApplyRepairPlan.
//
// A touch of unknown time is written as a lap record whose time text is
// eight blanks (" 3 ,        ,L,"): three whole items, so the meet office's
// programs read it as a record; it counts a length and claims no split.

#include <cstdint>
#include <optional>
#include <string>

#include <vector>
#include "feed/race_events.h"

#include "finish/ranking.h"
#include "meetdata/meet_data.h"
#include "vocabulary/lanes.h"
#include "vocabulary/lap_goal_files.h"

namespace poolside {

enum class RepairKind { Drop, InsertAfter, AsFinish, AsLap };

struct TouchRepair {
  int race = 0;
  int lane = 0;   // 1..10
  int index = 0;  // the lane's K-th touch, from 1 (InsertAfter: 0 = before the first)
  RepairKind kind = RepairKind::Drop;
  std::string timeText;  // InsertAfter: the inserted time (8 characters); "" = unknown
};

// "drop 3", "insert-after 2 1:02.34", "insert-after 2 ?", "as-finish 4",
// "as-lap 4": the words of the journal and the command line.
std::string RepairWords(const TouchRepair& repair);
// Parses RepairWords' form (without race and lane); false when it is not one.
bool ParseRepairWords(const std::string& words, TouchRepair& repair);

// A typed time ("1:02.34", "62.34", "34.91", "10234") as the console's
// 8-character text; none when it is no time.
std::optional<std::string> ConsoleTimeText(const std::string& typed);

// Applies `repair` to `touches`. A message naming what is wrong when the
// lane has no such touch (nothing is changed then).
std::optional<std::string> ApplyTouchRepair(std::vector<LapTouch>& touches,
                                            const TouchRepair& repair);

// Why a touch timed `timeText` cannot go after touch `index` (0: before the
// first) of `lane`: it must come after that touch and before the next one
// (where their times are known); none when it fits or its time is unknown.
std::optional<std::string> InsertedTimeProblem(const std::vector<LapTouch>& touches, int lane,
                                               int index, const std::string& timeText);

// One touch of a lane as the repair's preview shows it.
struct TouchRow {
  int number = 0;     // 1, 2, ... in the lane
  std::string time;   // as shown, "?" when unknown
  std::string split;  // "29.50", "?" when a time is unknown
  int distance = 0;   // metres (number x metres per lap; 0 when unknown)
  char kind = 'L';
};
std::vector<TouchRow> LaneTouchRows(const std::vector<LapTouch>& touches, int lane,
                                    int metresPerLap);

// The touches of one lane with their splits, for a person: "1  29.50 L  29.50".
std::vector<std::string> LaneTouchLines(const std::vector<LapTouch>& touches, int lane);
// The split of each touch of `lane` (hundredths; none when a time is unknown).
std::vector<std::optional<std::int64_t>> LaneSplits(const std::vector<LapTouch>& touches, int lane);

// The goal value a lane's touches give: its finish, or 999999 (no time).
std::int32_t FinishValueOfTouches(const std::vector<LapTouch>& touches, int lane);
// The value of each lane of a goal file; throws IoError naming `path` when a
// lane does not read (the file is rewritten whole).
LaneArray<std::int32_t> GoalValues(const std::string& path, const std::string& bytes);
// The races a combined finish of `race` copied its files to (the done races
// that follow it and still hold the copies of these bytes).
std::vector<int> CombinedCopyTargets(const MeetData& meet, int race, const std::string& goalBefore,
                                     const std::string& lapBefore);

// What a repair would write.
struct RepairPlan {
  TouchRepair repair;
  std::string lapPath;
  std::string lapBefore;
  std::string lapAfter;
  std::vector<LapTouch> touches;  // after the repair
  bool finished = false;          // the race has a goal file: ranked again
  std::string goalPath;
  std::string goalBefore;
  std::string goalAfter;
  Ranking ranking;                   // when finished
  std::vector<int> combinedTargets;  // races whose copies are redone
  // The repaired lane's state afterwards (for the window's reception).
  int laneLaps = 0;
  std::string laneLastTime;
  char laneLastKind = '\0';
};

// Reads race `repair.race`'s lap (and goal) file and works out what the
// repair writes. Throws RuntimeError/IoError with a message naming the file.
RepairPlan PlanRepair(const MeetData& meet, const TouchRepair& repair);
// Every file the plan replaces, in writing order (lap file, goal file, the
// combined copies' goal and lap files), with its content before and after.
struct PlannedFile {
  std::string path;
  std::string before;
  std::string after;
};
std::vector<PlannedFile> PlannedFiles(const MeetData& meet, const RepairPlan& plan);
// Writes the plan: lap file, goal file, combined copies (each atomically).
// Throws IoError naming the file; files written before stay written.
void ApplyRepairPlan(const MeetData& meet, const RepairPlan& plan);
// The feed's event of an applied plan. `typedOnScreen`: the race is on the
// timing window's screen, unfinished, and the lane's time was typed there.
TouchesRepaired RepairedEvent(const RepairPlan& plan, int metresPerLap, bool typedOnScreen);
// The plan for a person, as --touches shows a preview.
std::string DescribeRepairPlan(const RepairPlan& plan);

}  // namespace poolside
