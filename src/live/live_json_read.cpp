#include "live/live_json_read.h"

#include "results/json_reader.h"

namespace poolside {

namespace {

CodedText Coded(const JsonValue& v) { return {v["code"].String(), v["label"].String()}; }

std::optional<LiveRace> Race(const JsonValue& v) {
  if (v.type() != JsonValue::Type::Object) return std::nullopt;
  LiveRace race;
  RaceShown& h = race.header;
  h.race = static_cast<int>(v["race"].Int());
  h.status = v["status"].String();
  h.program = static_cast<int>(v["program"].Int());
  h.heat = static_cast<int>(v["heat"].Int());
  h.heats = static_cast<int>(v["heats"].Int());
  h.sex = Coded(v["sex"]);
  h.raceClass = Coded(v["class"]);
  h.event = Coded(v["event"]);
  h.round = Coded(v["round"]);
  race.finished = v["finished"].Bool();
  const JsonValue& lanes = v["lanes"];
  for (int i = 0; i < kLanes; ++i) {
    const JsonValue& l = lanes[static_cast<std::size_t>(i)];
    LiveLane& lane = race.lanes[i];
    lane.lane = i + 1;
    lane.entry = static_cast<std::int32_t>(l["entry"].Int());
    lane.rank = static_cast<int>(l["rank"].Int());
    lane.time = l["time"].String();
    lane.laps = static_cast<int>(l["laps"].Int());
    lane.metres = static_cast<int>(l["metres"].Int());
    lane.finished = l["finished"].Bool();
    lane.flag = l["flag"].String();
    lane.name = l["name"].String();
    lane.club = l["club"].String();
    h.entries[i] = lane.entry;
  }
  return race;
}

}  // namespace

std::optional<LiveState::Snapshot> ParseStateJson(std::string_view text) {
  const auto doc = JsonValue::Parse(text);
  if (!doc || (*doc)["type"].String() != "state" || !(*doc)["seq"].OptionalInt()) {
    return std::nullopt;
  }
  const JsonValue& v = *doc;
  LiveState::Snapshot s;
  s.sequence = static_cast<std::uint64_t>(v["seq"].Int());
  s.receiving = v["reception"]["on"].Bool();
  s.port = static_cast<int>(v["reception"]["port"].Int());
  s.linkLost = v["link"]["lost"].Bool();
  s.linkText = v["link"]["text"].String();
  s.clock.text = v["clock"]["text"].String();
  s.clock.running = v["clock"]["running"].Bool();
  s.current = Race(v["race"]);
  s.result = Race(v["result"]);
  s.holding = v["hold"].Bool();
  // One character per race: a blank is none; a character the writer had
  // to replace (U+FFFD) stays one that it replaces again.
  const std::string& statuses = v["statuses"].String();
  for (std::size_t i = 0; i < statuses.size();) {
    const unsigned char c = static_cast<unsigned char>(statuses[i]);
    const std::size_t length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    s.book += c == ' ' ? '\0' : c < 0x80 ? static_cast<char>(c) : '\xFF';
    i += length;
  }
  return s;
}

std::optional<std::uint64_t> MessageSequence(std::string_view text) {
  const auto doc = JsonValue::Parse(text);
  if (!doc) return std::nullopt;
  const auto seq = (*doc)["seq"].OptionalInt();
  if (!seq || *seq < 0 || (*doc)["type"].String().empty()) return std::nullopt;
  return static_cast<std::uint64_t>(*seq);
}

}  // namespace poolside
