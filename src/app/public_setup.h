#pragma once
// What the options say about the meet beyond one race: how swimmers' names
// go out on the public outputs (--public-names, poolside.conf's
// public-names), how many go on from each round (--qualifiers) and when
// watches are flagged (--backup-threshold).

#include <cstdint>

#include "app/options.h"
#include "results/entry_list.h"
#include "results/race_results.h"
#include "results/standings.h"

namespace poolside {

// In full unless set.
PublicNames PublicNamesOf(const Options& options);
// How many go on from each round (--qualifiers: the defaults, then each
// setting in order, a later one winning) and the backup threshold
// (--backup-threshold; 0.30 s unless set), as every writer of a result
// takes them: the desk and each command line.
ResultRules ResultRulesOf(const Options& options);

}  // namespace poolside
