#pragma once
// poolside --relay HOST[:PORT] --http [ADDR:]PORT [--mqtt-prefix PREFIX]:
// no window and no serial port; the live pages, API and WebSocket feed of
// the desk, served from the broker (the desk's live server fed by
// mqtt/relay_follower.h). Runs until SIGINT or SIGTERM.

#include <ostream>

#include "app/options.h"

namespace poolside {

// Exit status: 0 after a signal, 1 when the broker settings or the address
// cannot be used (the message names the file or the address).
int RunRelay(const Options& options, int& argc, char** argv, std::ostream& err);

}  // namespace poolside
