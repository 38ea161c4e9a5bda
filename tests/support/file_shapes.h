#pragma once
// The shapes of the lap and goal files as the race finish writes them, for
// checks that must hold whatever the input was (fuzz targets, the kill
// soak). The grammar itself is vocabulary/lap_goal_files.h; no GoogleTest
// here: the fuzz targets and tools include it too.

#include "vocabulary/lap_goal_files.h"

namespace poolside::testing {

using ::poolside::IsNumberField;
using ::poolside::IsWholeGoalFile;
using ::poolside::IsWholeLapFile;
using ::poolside::SplitLapRecords;

}  // namespace poolside::testing
