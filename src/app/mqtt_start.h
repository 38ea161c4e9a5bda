#pragma once
// Turns publishing to a broker on for --mqtt: the publisher is attached to
// the race feed before the timing window loads (so it sees the first race
// shown) and started once the load has found the data folder. Without
// --mqtt nothing is made and no connection is ever opened.

#include <memory>
#include <optional>
#include <string>

#include "app/options.h"
#include "meetdata/meet_data.h"
#include "mqtt/broker_link.h"
#include "mqtt/desk_publisher.h"
#include "mqtt/meet_sources.h"
#include "platform/messages.h"

namespace poolside {

class RaceResults;

// The broker, credentials and CA file of --mqtt or --relay; none with
// `error` naming the file when --mqtt-auth or --mqtt-cafile is refused.
std::optional<BrokerSettings> BrokerSettingsOf(const std::string& host, int port,
                                               const Options& options, std::string& error);

// None when --mqtt was not given, or with `error` set when its files are
// refused (the desk then goes on without the broker).
std::unique_ptr<DeskPublisher> MakeDeskPublisher(const Options& options, std::string& error);

// Starts publishing the meet in `meet`; a failure is a warning and the
// program goes on without the broker (false).
// Races, standings and names come from the result's owner `results`;
// names are published by `names`.
bool StartDeskPublisher(DeskPublisher& publisher, const MeetData& meet, const PathMapper& paths,
                        RaceResults& results, PublicNames names, MessageSink& messages);

}  // namespace poolside
