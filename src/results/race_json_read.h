#pragma once
// A race's JSON read back (race_json.h writes it): a relay renders the
// result page of a race it only has as JSON from the broker.
// RaceJson(*ParseRaceJson(RaceJson(r))) == RaceJson(r).

#include <optional>
#include <string_view>

#include "results/race_result.h"

namespace poolside {

// None when `text` is not a race's JSON.
std::optional<RaceResult> ParseRaceJson(std::string_view text);

}  // namespace poolside
