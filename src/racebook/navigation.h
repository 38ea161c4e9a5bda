#pragma once
// Race navigation on the timing window: previous, next, select by program
// and heat number typed into txtBiko.

#include "racebook/race_screen.h"

namespace poolside {

void PrevRace(RaceScreen& screen);
void NextRace(RaceScreen& screen);
void SelectRace(RaceScreen& screen);
// Key-down of txtBiko: Up = PrevRace, Down = NextRace, Enter = SelectRace.
void OnRaceSelectKeyDown(RaceScreen& screen, int keyCode);

}  // namespace poolside
