#pragma once
// What the options say about the meet beyond one race: how swimmers' names
// go out on the public outputs (--public-names, poolside.conf's
// public-names) and how many go on from each round (--qualifiers).

#include <cstdint>

#include "app/options.h"
#include "results/entry_list.h"
#include "results/standings.h"

namespace poolside {

// In full unless set.
PublicNames PublicNamesOf(const Options& options);
// The defaults, then each setting in order (a later one wins).
QualifierRule QualifierRuleOf(const Options& options);
// The backup threshold in hundredths (--backup-threshold, poolside.conf's
// backup-threshold; 0.30 s unless set).
std::int64_t BackupThresholdOf(const Options& options);

}  // namespace poolside
