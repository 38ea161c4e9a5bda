#include "recovery/recovered_race.h"

#include <cstddef>
#include <vector>

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
  const RaceResult result = LoadRaceResult(files);
  for (std::size_t i = 0; i < out.rank.size() && i < result.lanes.size(); ++i) {
    const LaneResult& lane = result.lanes[i];
    out.rank[i] = lane.rank;
    out.time[i] = lane.packed;
    out.noFinish[i] = lane.status == LaneStatus::NoFinish;
    out.withdrawn[i] = lane.status == LaneStatus::Withdrawn;
  }
  return out;
}

}  // namespace poolside
