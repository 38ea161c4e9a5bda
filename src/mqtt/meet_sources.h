#pragma once
// What the publisher reads (on its own thread): the JSON of a done race from
// the result's owner, as /api/races/N serves it, and the race list from the
// meet's files.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "live/meet_reader.h"
#include "meetdata/settings.h"
#include "mqtt/outbox.h"
#include "platform/paths.h"
#include "results/race_result.h"

namespace poolside {

// The result of race N (RaceResults::ResultOf).
using ResultsOf = std::function<std::shared_ptr<const RaceResult>(int race)>;
// With `names`, the races' names are published by `names`' mode.
MqttOutbox::Sources MeetSources(const PathMapper& paths, const std::string& dataFolder,
                                const MeetSettings& settings, ResultsOf results,
                                PublicNames names = PublicNames::Full);

// [{"race":1,"status":"6","program":1,"heat":1,"heats":2,"sex":"男子",
//   "class":"一般","event":"100m自由形","round":"予選"}, ...]
std::string RaceListJson(const std::vector<RaceListEntry>& races);
// The list read back; none when `text` is not one.
std::optional<std::vector<RaceListEntry>> ParseRaceListJson(std::string_view text);

}  // namespace poolside
