#pragma once
// The finish of a race as plain code: rank the lanes, write the goal file,
// mark the race done in the status book, close the lap file, copy the results
// to the other races of a combined race, and choose the next open race.
//
// Timing race N without a window (recovery from captured blocks, a replay)
// is TimeRaceFromBlocks below: a Reception fed the blocks one by one, each
// accepted lap appended to a LapFile, and at the zero clock after a finish
// CloseRace, then CopyCombinedRace when the race combines others. That is
// what live timing does, in the same order, so the lap file, goal file, book
// and combined copies come out the same. (The window also resets the lanes
// with Reception::ResetLanes when it puts a race on screen.)

#include <functional>
#include <string>
#include <vector>

#include "finish/race_files.h"
#include "finish/ranking.h"
#include "meetdata/meet_data.h"
#include "racebook/race_book.h"
#include "reception/reception.h"

namespace poolside {

// Receives each failure message of a finish, in order, as it happens.
using FinishReport = std::function<void(const std::string&)>;

struct FinishOutcome {
  Ranking ranking;    // computed even when the goal file failed
  bool done = false;  // goal file written and the race marked done
  std::string goalFile;
  std::string lapFile;
  std::vector<int> combinedTargets;  // races CopyCombinedRace copies to
};

// Ranks race book.RaceNo, writes its goal file (replacing it in one step),
// marks it done ("6") in the book and closes `lap`. A goal file that cannot
// be written leaves everything else as it was; a book that cannot be saved
// leaves the goal file and the book unchanged; both report a message and
// return done == false, with the lap file still open.
FinishOutcome CloseRace(MeetData& meet, RaceBookState& book, const LaneArray<std::int32_t>& times,
                        LapFile& lap, const FinishReport& report);

// Copies the goal and lap file of book.RaceNo, a combined race of status
// "2".."5", to the races that follow it (up to the end of the book) and
// marks each one whose goal file was copied done. A copy that fails is
// reported and skipped; a book that cannot be saved at the end throws
// IoError.
void CopyCombinedRace(MeetData& meet, RaceBookState& book, const FinishReport& report);

// The operator's notice of a finish that wrote lanes without a time because
// their last touch was a lap (`noFinish`, lanes 1..10); "" when none.
std::string NoFinishNotice(int race, const LaneArray<bool>& noFinish);

// Moves book.RaceNo past the races that are done (at most to kLastRace, the
// highest number whose file names still fit) and sets RaceStat.
void AdvanceToNextOpenRace(RaceBookState& book);

struct TimedRace {
  bool finished = false;        // a zero clock after a finish was read
  FinishOutcome outcome;        // of CloseRace, when finished
  std::size_t blocksTaken = 0;  // blocks read up to the finishing zero clock (all when none)
  long long noiseBlocks = 0;
};

// Times race book.RaceNo from `blocks` (each the text of one read of the
// port) with the lane map `laneMap`: creates its lap file afresh, appends
// every accepted lap, and finishes the race at the zero clock that follows a
// finish, copying a combined race. Blocks after that one are not read.
// Failures go to `report` as the window would show them; a book that cannot
// be saved after the combined copies throws IoError.
TimedRace TimeRaceFromBlocks(MeetData& meet, RaceBookState& book, const std::string& laneMap,
                             const std::vector<std::string>& blocks, const FinishReport& report);

}  // namespace poolside
