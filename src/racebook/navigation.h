#pragma once
// Race navigation on the timing window: previous, next, select by program
// and heat number typed into txtBiko.

#include "racebook/race_screen.h"

namespace poolside {

void PrevRace(RaceScreen& screen);
void NextRace(RaceScreen& screen);
void SelectRace(RaceScreen& screen);
// Puts race `race` on screen as the arrows do (a second desk following the
// desk's race); false, with nothing changed, for a race number the window
// cannot show (below 1 or beyond a 16-bit race number).
bool ShowRaceNumber(RaceScreen& screen, int race);
// Key-down of txtBiko: Up = PrevRace, Down = NextRace, Enter = SelectRace.
void OnRaceSelectKeyDown(RaceScreen& screen, int keyCode);

}  // namespace poolside
