#pragma once
// A race as the feed publishes it, for the publisher and relay tests: a
// race shown, reception, clocks, laps and finishes, a link warning, the
// finish, the book change, the next race, a manual entry.
#include <vector>

#include "feed/race_events.h"

namespace poolside::samples {

inline RaceShown Shown(int race, const char* status) {
  RaceShown s;
  s.race = race;
  s.status = status;
  s.program = 1;
  s.heat = race;
  s.heats = 2;
  s.sex = {"1", "男子"};
  s.raceClass = {"21-23", "中学生"};
  s.event = {"3", "100m自由形"};
  s.round = {"1", "予選"};
  s.entries = {15, 16, 0, 18};
  return s;
}

inline std::vector<RaceEvent> RaceOne() {
  RaceFinished finished;
  finished.race = 1;
  finished.rank = {1, 2, 0, 3};
  finished.time = {5506, 5710, 888888, 700003};
  finished.goalFile = "/data/goal/g0001";
  return {Shown(1, "1"),
          ReceptionStarted{1, "/dev/pts/3", "123456789A"},
          BlockRead{"AAAA", {}, {}, BlockKind::Clock},
          ClockShown{"    0.00"},
          ClockShown{"   12.30"},
          LaneTouched{1, 0, "   25.06", 2506, 1, 25, false},
          LinkHealth{1, LinkHealth::State::Silence, 3, "COM1 /dev/pts/3 から受信がありません"},
          LinkHealth{1, LinkHealth::State::Fine, 0, ""},
          LaneTouched{1, 1, "   55.06", 5506, 2, 50, true},
          LaneTouched{2, 2, "   57.10", 5710, 2, 50, true},
          ManualEntryStored{1, 4, 700003, "失格 3"},
          ClockShown{"    0.00"},
          finished,
          RaceStatusChanged{1, "6"},
          Shown(2, "1"),
          PortProblem{1, "/dev/pts/3 が見つかりません"},
          ClockShown{"    3.10"},
          ReceptionStopped{1, "/dev/pts/3"}};
}

}  // namespace poolside::samples
