#include "results/race_json_read.h"

#include "results/json_reader.h"

namespace poolside {

namespace {

LaneStatus StatusNamed(const std::string& name) {
  for (LaneStatus s : {LaneStatus::Time, LaneStatus::Dq, LaneStatus::Withdrawn, LaneStatus::NoTime,
                       LaneStatus::Unreadable}) {
    if (name == LaneStatusName(s)) return s;
  }
  return LaneStatus::Unreadable;
}

LaneResult Lane(const JsonValue& v, int number) {
  LaneResult lane;
  lane.lane = number;
  lane.entry = static_cast<std::int32_t>(v["entry"].Int());
  lane.goalRead = v["goal_read"].Bool();
  lane.lapsRead = v["laps_read"].Bool();
  lane.rank = static_cast<int>(v["rank"].Int());
  lane.packed = static_cast<std::int32_t>(v["packed"].Int());
  lane.hundredths = v["hundredths"].OptionalInt();
  lane.text = v["text"].String();
  lane.status = StatusNamed(v["status"].String());
  lane.dqCode = static_cast<int>(v["dq_code"].Int());
  for (const JsonValue& f : v["flags"].Items()) lane.flags.push_back(f.String());
  lane.flagText = v["flag_text"].String();
  for (const JsonValue& t : v["watches"].Items()) {
    if (const auto h = t.OptionalInt()) lane.watches.push_back(*h);
  }
  lane.backup = v["backup"].OptionalInt();
  if (!ParseTimeUse(v["used"].String(), lane.use)) lane.use = TimeUse::Undecided;
  lane.reason = v["reason"].String();
  lane.who = {v["name"].String(), v["kana"].String(), v["club"].String(), v["pref"].String(),
              v["grade"].String()};
  for (const JsonValue& s : v["splits"].Items()) {
    Split split;
    split.distance = static_cast<int>(s["distance"].Int());
    split.text = s["text"].String();
    split.hundredths = s["hundredths"].OptionalInt();
    const std::string& kind = s["kind"].String();
    split.kind = kind.empty() ? 'L' : kind[0];
    lane.splits.push_back(std::move(split));
  }
  return lane;
}

}  // namespace

std::optional<RaceResult> ParseRaceJson(std::string_view text) {
  const auto doc = JsonValue::Parse(text);
  if (!doc || !(*doc)["race"].OptionalInt() || (*doc)["lanes"].Size() != kLanes) {
    return std::nullopt;
  }
  const JsonValue& v = *doc;
  RaceResult r;
  r.race = static_cast<int>(v["race"].Int());
  r.raceText = v["race_text"].String();
  r.bookStatus = v["book_status"].String();
  r.program = static_cast<int>(v["program"].Int());
  r.heat = static_cast<int>(v["heat"].Int());
  r.heats = static_cast<int>(v["heats"].Int());
  r.sex = {v["sex"]["code"].String(), v["sex"]["label"].String()};
  r.raceClass = {v["class"]["code"].String(), v["class"]["label"].String()};
  r.classLow = static_cast<std::int16_t>(v["class"]["low"].Int());
  r.classHigh = static_cast<std::int16_t>(v["class"]["high"].Int());
  r.eventCode = static_cast<std::int16_t>(v["event"]["code"].Int());
  r.event = {std::to_string(r.eventCode), v["event"]["label"].String()};
  r.round = {v["round"]["code"].String(), v["round"]["label"].String()};
  r.finishedAt = v["finished_at"].String();
  r.official = v["official"].Bool();
  r.officialAt = v["official_at"].String();
  for (const JsonValue& p : v["problems"].Items()) {
    r.problems.push_back({p["file"].String(), p["what"].String()});
  }
  for (int i = 0; i < kLanes; ++i) {
    r.lanes[i] = Lane(v["lanes"][static_cast<std::size_t>(i)], i + 1);
  }
  return r;
}

}  // namespace poolside
