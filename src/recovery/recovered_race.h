#pragma once
// An applied re-timing as the race feed tells it: a RaceFinished with
// `recovered` set, so that the export, the live pages and the broker see a
// recovered race through the feed as they see every finished race.

#include "feed/race_events.h"
#include "recovery/race_retiming.h"
#include "results/race_result.h"

namespace poolside {

// Race N of `retiming` as ApplyRetiming writes it (`files`: its sources;
// with no goal file named, the lanes stay empty), from the re-timed bytes in
// memory: the goal file's ranks and values, the lanes without a finish, the
// withdrawals typed at the desk (the journaled entries replayed), and the
// races the re-timing marked done as its combined targets.
RaceFinished RecoveredRace(const Retiming& retiming, const RaceSources& files);

}  // namespace poolside
