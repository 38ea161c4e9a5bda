#pragma once
// What the recovery dialog shows, as texts for a person: the captured races
// as table rows (race, program and heat, event, local start and end time,
// finished or not, the lanes that finished), the lanes a re-timing would
// write beside what the race's files hold now with the differences marked,
// and the question asked before it is applied. The dialog only lays them
// out.

#include <functional>
#include <string>
#include <vector>

#include "capture/captured_races.h"
#include "recovery/race_retiming.h"
#include "results/race_result.h"

namespace poolside {

// The files and settings of race N in the data folder, as the window's meet
// data gives them.
using RaceSourcesOf = std::function<RaceSources(int race)>;

struct CapturedRaceRow {
  std::string index;        // "1"
  std::string race;         // "3"
  std::string programHeat;  // "1-3"
  std::string event;        // "男子 中学生 100m自由形 予選", "" when unknown
  std::string start, end;   // "10:02:03", local time as captured
  std::string finished;     // "終了" or "未終了"
  std::string lanes;        // "1: 57.77  2: 53.43", the lanes that finished
};

// `sources` may be empty: the event column then stays empty.
std::vector<CapturedRaceRow> CapturedRaceRows(const std::vector<CapturedRace>& races,
                                              const RaceSourcesOf& sources);

// "HH:MM:SS" of a captured wall time ("2026-12-09T10:02:03.817553+09:00"),
// the text as it is when it has another shape.
std::string ClockOfWallTime(const std::string& wall);

// The program, heat and event of race N: "プログラム 1 組 3 (男子 中学生 100m自由形 予選)".
std::string RaceDescription(const RaceResult& race);

struct LaneSide {
  std::string rank;    // "1", "" for none
  std::string result;  // time, or the status text ("折返", "棄権", "記録なし")
  std::string splits;  // "25.06  53.10  1:20.44"
  friend bool operator==(const LaneSide&, const LaneSide&) = default;
};

struct PreviewRow {
  int lane = 0;
  LaneSide retimed;  // what re-timing writes
  LaneSide now;      // what the files hold now
  bool differs = false;
};

struct RetimingPreview {
  std::string target;                 // RaceDescription of the target race
  std::vector<PreviewRow> lanes;      // lanes 1..10
  std::vector<std::string> statuses;  // "レース 9: \"1\" → \"6\""
  std::vector<std::string> problems;  // a file that could not be read now
};

// Lays the retimed goal and lap files of race N beside the race's files as
// they are now (read-only; nothing is written to the data folder).
RetimingPreview PreviewOf(const Retiming& retiming, const RaceSources& now);

// The question before applying: names the captured race, the target race
// with its program, heat and event (`target`, RaceDescription; may be
// empty) and says that it will be marked done.
std::string ApplyQuestion(int index, const CapturedRace& captured, const std::string& target,
                          int race);

}  // namespace poolside
