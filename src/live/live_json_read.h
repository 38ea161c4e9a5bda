#pragma once
// The snapshot of /api/state read back (live_json.h writes it): a relay
// takes the desk's state from the broker this way, so that its pages and
// JSON are the desk's own. StateJson(ParseStateJson(text)) == text for
// every snapshot the desk writes.

#include <optional>
#include <string_view>

#include "live/live_state.h"

namespace poolside {

// None when `text` is not a snapshot ({"type":"state",...}).
std::optional<LiveState::Snapshot> ParseStateJson(std::string_view text);

// The `seq` of a feed message, or none when `text` is not one.
std::optional<std::uint64_t> MessageSequence(std::string_view text);

}  // namespace poolside
