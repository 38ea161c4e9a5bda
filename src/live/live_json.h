#pragma once
// The JSON of the live feed: the snapshot of /api/state (also the first
// WebSocket message) and one message per event. Documented in
// docs/live-pages.md; no machine path ever appears in it.

#include <cstdint>
#include <optional>
#include <string>

#include "feed/race_events.h"
#include "live/live_state.h"

namespace poolside {

// {"type":"state",...}: everything a page needs to draw itself.
std::string StateJson(const LiveState& state);

// The message for an event already applied to `state`, or none when the
// event is not sent to the clients (raw blocks).
std::optional<std::string> EventJson(const RaceEvent& event, const LiveState& state);

// {"type":"link",...}, sent when the link-health warning turns on or off.
std::string LinkJson(const LiveState& state);

// {"type":"heartbeat",...}: tells a sleeping client it is still connected.
std::string HeartbeatJson(const LiveState& state, std::int64_t unixMs);

}  // namespace poolside
