#pragma once
// The standings of one program (an event's heats 1 to HeatCount): every
// finished lane of its done heats ranked together by time, equal times to
// 1/100 sharing a place, lanes without a time (disqualified, withdrawn, no
// time, no finish) after every time; provisional (暫定) until every heat is
// done. From a round that qualifies, the first N go on; a tie across the
// qualifying line is a swim-off (スイムオフ), not a place the program
// decides. Built from the result's owner's results only; docs/export.md
// describes the JSON (/api/events/P, export\eventP.json, PREFIX/events/P).

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "results/race_result.h"

namespace poolside {

// How many go on from a round, by its round code: 8 from a preliminary
// ("1") and a semi-final ("3") unless set; none from any other round.
struct QualifierRule {
  std::map<std::string, int> byRound = {{"1", 8}, {"3", 8}};
  int For(const std::string& roundCode) const;
};
// "ROUND=N" (N from 0 to 99; 0: nobody is marked); false when it is not one.
bool ParseQualifierSetting(const std::string& text, QualifierRule& rule);

enum class EventState {
  NotStarted,   // 未: no heat done
  Provisional,  // 暫定: some heats done
  Final,        // 確定: every heat done
};
// "未", "暫定", "確定".
const char* EventStateText(EventState state);
// "not_started", "provisional", "final".
const char* EventStateName(EventState state);

struct StandingRow {
  std::optional<int> place;  // none for a lane without a time
  int race = 0;
  int heat = 0;
  int lane = 0;
  std::int32_t entry = 0;
  EntryName who;
  std::optional<std::int64_t> hundredths;
  std::string text;  // LaneResultText
  LaneStatus status = LaneStatus::NoTime;
  bool qualified = false;
  bool swimOff = false;
};

struct Standings {
  int program = 0;
  EventState state = EventState::NotStarted;
  int heats = 0;       // heats of the program
  int heatsDone = 0;   // of them done
  int qualifiers = 0;  // N of the round (0: nobody goes on from it)
  CodedText sex, raceClass, event, round;
  std::vector<StandingRow> rows;

  bool Provisional() const { return state != EventState::Final; }
};

// The standings of `program` from the results of its races (each one heat;
// null ones skipped). `heatCount` is the meet file's count of heats (the
// larger of it and the races given counts).
Standings RankProgram(int program, const std::vector<std::shared_ptr<const RaceResult>>& races,
                      int heatCount, const QualifierRule& rule);

// Every row's name by `mode` (entry_list.h).
Standings PublicStandings(Standings standings, PublicNames mode);

// Compact UTF-8 JSON: {"program":3,"state":"provisional","state_text":"暫定",
// "provisional":true,"heats":3,"heats_done":2,"qualifiers":8,"sex":{..},
// "class":{..},"event":{..},"round":{..},"rows":[{"place":1,"race":7,
// "heat":1,"lane":4,"entry":1001,"name":"..","kana":"..","club":"..",
// "pref":"..","grade":"..","hundredths":6234,"text":"1:02.34",
// "status":"time","qualified":true,"swim_off":false}, ...]}
std::string StandingsJson(const Standings& standings);

}  // namespace poolside
