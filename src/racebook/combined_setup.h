#pragma once
// The combined-race set-up (cmdShoki) from the program order file
// "projun.dat".

#include "racebook/race_screen.h"

namespace poolside {

inline constexpr std::size_t kProjunRecordLength = 64;

void SetupCombinedRaces(RaceScreen& screen);

}  // namespace poolside
