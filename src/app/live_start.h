#pragma once
// Turns the live pages on for --http: the server is attached to the race
// feed before the timing window loads (so it sees the first race shown) and
// started once the load has found the data folder.

#include <memory>

#include "app/options.h"
#include "live/qt/live_server.h"
#include "meetdata/meet_data.h"
#include "platform/messages.h"
#include "results/race_results.h"

namespace poolside {

// None when --http was not given: then no socket is ever opened.
// `results` (the result's owner) outlives the server.
std::unique_ptr<LiveServer> MakeLiveServer(const Options& options, const PathMapper& paths,
                                           RaceResults& results);

// Starts `server` on the meet's data folder and prints the address on
// standard error; a failure is a warning naming the address and port, and
// the program goes on without the pages (false).
bool StartLiveServer(LiveServer& server, const Options& options, const MeetData& meet,
                     MessageSink& messages);

}  // namespace poolside
