#pragma once
// The HTML pages rendered by the server: the home page, the list of
// finished races and the scoreboard with its first snapshot. Every text
// from the meet's files or the console goes through HtmlEscape; the style
// sheet and the scoreboard's script come from the program's resources.

#include <string>
#include <string_view>
#include <vector>

#include "live/live_state.h"
#include "live/meet_reader.h"
#include "meetdata/settings.h"
#include "results/race_result.h"

namespace poolside {

// A whole page: title, the shared style sheet and `body` (already HTML);
// reloaded by the browser every `refreshSeconds` when it is not 0.
std::string PageShell(std::string_view title, std::string_view body, int refreshSeconds = 0);

// What the status character of a race means to a spectator.
std::string StatusText(std::string_view status);

// The race header as one line: "レース 3　第2組/3組　男子　一般　100m自由形　予選".
std::string RaceHeading(const RaceShown& header);

// The meet's name as the settings file gives it (its first item), blanks
// around it dropped; "" when the meet has none.
std::string MeetNameOf(const MeetSettings& settings);

// "/": the meet's name (when there is one) over the current race with its
// lanes, every race with its status, and a QR code (`qrSvg`, an <svg>
// element) of `address` for spectators.
std::string RenderHome(const LiveState& state, const std::vector<RaceListEntry>& races,
                       std::string_view address, std::string_view qrSvg,
                       std::string_view meetName = {});

// "/results": the races marked done in the book, each linked to its page.
std::string RenderResults(const std::vector<RaceListEntry>& races);

// "/results/N": ranks and times with the status texts of the timing window,
// the splits per lap, and what a file could not give.
std::string RenderRaceResult(const RaceResult& result);

// "/scoreboard": `page` (the resource) with its snapshot placeholder
// replaced by `stateJson`, so the board is right before the socket opens,
// and its meet-name placeholder by the escaped `meetName`.
std::string RenderScoreboard(std::string_view page, std::string_view stateJson,
                             std::string_view meetName = {});

// A page that says what went wrong, for 400, 404, 405 and 503.
std::string RenderError(int status);

}  // namespace poolside
