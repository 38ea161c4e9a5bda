#pragma once
// What a second desk takes from the desk's feed on the broker: the race the
// desk put on screen (a `race_shown` message of PREFIX/events).

#include <optional>
#include <string_view>

namespace poolside {

// The race number of a `race_shown` message; none for any other message,
// a message without a race, or text that is not one.
std::optional<int> ShownRaceOf(std::string_view payload);

}  // namespace poolside
