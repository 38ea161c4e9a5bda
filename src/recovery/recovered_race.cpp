#include "recovery/recovered_race.h"

#include <cstddef>
#include <vector>

#include "format/time_values.h"

namespace poolside {

RaceFinished RecoveredRace(const Retiming& retiming, const RaceSources& files) {
  RaceFinished out;
  out.race = retiming.race;
  out.recovered = true;
  out.goalFile = files.goalFile;
  out.lapFile = files.lapFile;
  const std::vector<int> finished = FinishedRaces(retiming);  // race N first
  out.combinedTargets.assign(finished.begin() + 1, finished.end());
  if (files.goalFile.empty()) return out;
  // The re-timed bytes as written, from memory: nothing is read back.
  const std::string* goal = nullptr;
  const std::string* lap = nullptr;
  for (const RetimedFile& f : retiming.files) {
    if (f.path == files.goalFile) goal = &f.bytes;
    if (f.path == files.lapFile) lap = &f.bytes;
  }
  const RaceResult result = LoadRaceResult(files, goal, lap);
  for (std::size_t i = 0; i < out.rank.size() && i < result.lanes.size(); ++i) {
    const LaneResult& lane = result.lanes[i];
    out.rank[i] = lane.rank;
    out.time[i] = lane.packed;
    out.noFinish[i] = lane.status == LaneStatus::NoFinish;
    out.withdrawn[i] = retiming.withdrawn[i] && lane.packed == kWithdrawn;
  }
  return out;
}

}  // namespace poolside
