#include "mqtt/shown_race.h"

#include "results/json_reader.h"

namespace poolside {

std::optional<int> ShownRaceOf(std::string_view payload) {
  const std::optional<JsonValue> message = JsonValue::Parse(payload);
  if (!message || (*message)["type"].String() != "race_shown") return std::nullopt;
  const std::optional<std::int64_t> race = (*message)["race"]["race"].OptionalInt();
  if (!race || *race < 1 || *race > 32767) return std::nullopt;
  return static_cast<int>(*race);
}

}  // namespace poolside
