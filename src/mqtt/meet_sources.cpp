#include "mqtt/meet_sources.h"

#include <memory>

#include "results/json_reader.h"
#include "results/json_writer.h"
#include "results/race_json.h"
#include "results/race_result.h"
#include "vocabulary/race_status.h"

namespace poolside {

MqttOutbox::Sources MeetSources(const PathMapper& paths, const std::string& dataFolder,
                                const MeetSettings& settings, ResultsOf results,
                                PublicNames names) {
  MqttOutbox::Sources sources;
  sources.publicNames = names;
  sources.raceJson = [results = std::move(results), names](int race) -> std::optional<std::string> {
    const auto result = results ? results(race) : nullptr;
    // Only races marked done in the book have a result.
    if (!result || !IsRaceDone(result->bookStatus)) return std::nullopt;
    return RaceJson(*PublicView(result, names));
  };
  auto reader = std::make_shared<MeetReader>(
      [paths, dataFolder](std::string_view name) {
        return paths.Resolve(dataFolder + std::string(name));
      },
      settings.ClassLabelMode);
  sources.raceList = [reader] { return RaceListJson(reader->RaceList()); };
  return sources;
}

std::string RaceListJson(const std::vector<RaceListEntry>& races) {
  JsonWriter w;
  w.BeginArray();
  for (const RaceListEntry& r : races) {
    w.BeginObject()
        .Key("race")
        .Int(r.race)
        .Key("status")
        .String(r.status)
        .Key("program")
        .Int(r.program)
        .Key("heat")
        .Int(r.heat)
        .Key("heats")
        .Int(r.heats)
        .Key("sex")
        .String(r.sex)
        .Key("class")
        .String(r.raceClass)
        .Key("event")
        .String(r.event)
        .Key("round")
        .String(r.round)
        .EndObject();
  }
  w.EndArray();
  return w.Take();
}

std::optional<std::vector<RaceListEntry>> ParseRaceListJson(std::string_view text) {
  const auto doc = JsonValue::Parse(text);
  if (!doc || doc->type() != JsonValue::Type::Array) return std::nullopt;
  std::vector<RaceListEntry> races;
  for (const JsonValue& v : doc->Items()) {
    RaceListEntry r;
    r.race = static_cast<int>(v["race"].Int());
    r.status = v["status"].String();
    r.program = static_cast<int>(v["program"].Int());
    r.heat = static_cast<int>(v["heat"].Int());
    r.heats = static_cast<int>(v["heats"].Int());
    r.sex = v["sex"].String();
    r.raceClass = v["class"].String();
    r.event = v["event"].String();
    r.round = v["round"].String();
    races.push_back(std::move(r));
  }
  return races;
}

}  // namespace poolside
