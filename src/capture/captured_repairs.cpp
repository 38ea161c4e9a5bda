#include "capture/captured_repairs.h"

#include <algorithm>
#include <set>
#include <utility>

#include "capture/capture_reader.h"

namespace poolside {

std::vector<CapturedRepair> RepairsOf(const std::vector<std::string>& files,
                                      const CapturedRace& race) {
  std::vector<CapturedRepair> repairs;
  std::set<std::string> intents;
  if (race.spans.empty()) return repairs;
  const CapturedRace::Span& first = race.spans.front();
  const CapturedRace::Span& last = race.spans.back();
  for (std::size_t f = first.file; f < files.size(); ++f) {
    CaptureReader reader;
    reader.Open(files[f], true);
    CaptureRecord r;
    while (reader.Next(r)) {
      if (f == first.file && r.line < first.firstLine) continue;
      const bool after = f > last.file || (f == last.file && r.line > last.lastLine);
      // The same race shown again after its stretch: a new stretch begins.
      if (after && r.kind == "race_shown" && r.Number("race") == race.race) return repairs;
      if (r.Number("race") != race.race) continue;
      if (r.kind == "backups" && !r.Text("use").empty()) {
        CapturedRepair decision;
        decision.lane = static_cast<int>(r.Number("lane"));
        decision.wall = r.wall;
        decision.use = r.Text("use");
        decision.typed = r.Number("typed");
        const std::string& list = r.Text("watches");
        for (std::size_t at = 0; at < list.size();) {
          const std::size_t comma = std::min(list.find(',', at), list.size());
          const std::string item = list.substr(at, comma - at);
          if (!item.empty() && item.find_first_not_of("0123456789") == std::string::npos &&
              item.size() < 10) {
            decision.watches.push_back(std::stoll(item));
          }
          at = comma + 1;
        }
        repairs.push_back(std::move(decision));
        continue;
      }
      if (r.kind != "repair") continue;
      // A repair completed after an interruption is journaled again with
      // the same intent: it is made once.
      const std::string& intent = r.Text("intent");
      if (!intent.empty() && !intents.insert(intent).second) continue;
      repairs.push_back({static_cast<int>(r.Number("lane")), r.Text("what"), r.wall});
    }
  }
  return repairs;
}

}  // namespace poolside
