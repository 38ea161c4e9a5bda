#include "capture/captured_repairs.h"

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
      if (r.kind != "repair" || r.Number("race") != race.race) continue;
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
