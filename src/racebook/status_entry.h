#pragma once
// The race status box txtKetugo and the confirm button cmdKakutei.

#include "racebook/race_screen.h"

namespace poolside {

// Change notification of txtKetugo.
void OnStatusBoxChange(RaceScreen& screen);
// Click of cmdKakutei.
void OnConfirmClick(RaceScreen& screen);

}  // namespace poolside
