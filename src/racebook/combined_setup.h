#pragma once
// The combined-race set-up (cmdShoki) from the program order file
// "projun.dat".

#include "racebook/race_screen.h"

#include "meetdata/record_layout.h"

namespace poolside {

void SetupCombinedRaces(RaceScreen& screen);

}  // namespace poolside
