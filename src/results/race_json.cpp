#include "results/race_json.h"

#include "results/json_writer.h"

namespace poolside {

namespace {

void WriteCoded(JsonWriter& out, const char* key, const CodedText& coded) {
  out.Key(key).BeginObject();
  out.Key("code").String(coded.code);
  out.Key("label").String(coded.label);
  out.EndObject();
}

void WriteLane(JsonWriter& out, const LaneResult& lane) {
  out.BeginObject();
  out.Key("lane").Int(lane.lane);
  out.Key("entry").Int(lane.entry);
  if (lane.goalRead) {
    out.Key("rank").Int(lane.rank);
    out.Key("packed").Int(lane.packed);
  } else {
    out.Key("rank").Null();
    out.Key("packed").Null();
  }
  out.Key("hundredths").OptionalInt(lane.hundredths);
  out.Key("text").String(lane.text);
  out.Key("status").String(LaneStatusName(lane.status));
  if (lane.status == LaneStatus::Dq) out.Key("dq_code").Int(lane.dqCode);
  out.Key("goal_read").Bool(lane.goalRead);
  out.Key("laps_read").Bool(lane.lapsRead);
  out.Key("flags").BeginArray();
  for (const std::string& word : lane.flags) out.String(word);
  out.EndArray();
  if (!lane.flags.empty()) out.Key("flag_text").String(lane.flagText);
  out.Key("watches").BeginArray();
  for (std::int64_t t : lane.watches) out.Int(t);
  out.EndArray();
  out.Key("backup").OptionalInt(lane.backup);
  if (const std::string used = lane.UsedWord(); used.empty()) {
    out.Key("used").Null();
  } else {
    out.Key("used").String(used);
  }
  if (lane.use == TimeUse::Undecided || lane.use == TimeUse::Console) {
    out.Key("reason").Null();
  } else {
    out.Key("reason").String(lane.reason);
  }
  out.Key("name").String(lane.who.name);
  out.Key("kana").String(lane.who.kana);
  out.Key("club").String(lane.who.club);
  out.Key("pref").String(lane.who.pref);
  out.Key("grade").String(lane.who.grade);
  out.Key("splits").BeginArray();
  for (const Split& split : lane.splits) {
    out.BeginObject();
    out.Key("distance").Int(split.distance);
    out.Key("text").String(split.text);
    out.Key("hundredths").OptionalInt(split.hundredths);
    out.Key("kind").String(std::string(1, split.kind));
    out.EndObject();
  }
  out.EndArray();
  out.EndObject();
}

}  // namespace

void WriteRaceJson(JsonWriter& out, const RaceResult& r) {
  out.BeginObject();
  out.Key("race").Int(r.race);
  out.Key("race_text").String(r.raceText);
  out.Key("book_status").String(r.bookStatus);
  out.Key("program").Int(r.program);
  out.Key("heat").Int(r.heat);
  out.Key("heats").Int(r.heats);
  WriteCoded(out, "sex", r.sex);
  out.Key("class").BeginObject();
  out.Key("code").String(r.raceClass.code);
  out.Key("low").Int(r.classLow);
  out.Key("high").Int(r.classHigh);
  out.Key("label").String(r.raceClass.label);
  out.EndObject();
  out.Key("event").BeginObject();
  out.Key("code").Int(r.eventCode);
  out.Key("label").String(r.event.label);
  out.EndObject();
  WriteCoded(out, "round", r.round);
  if (r.finishedAt.empty()) {
    out.Key("finished_at").Null();
  } else {
    out.Key("finished_at").String(r.finishedAt);
  }
  out.Key("official").Bool(r.official);
  if (r.officialAt.empty()) {
    out.Key("official_at").Null();
  } else {
    out.Key("official_at").String(r.officialAt);
  }
  out.Key("complete").Bool(r.Complete());
  out.Key("problems").BeginArray();
  for (const ReadProblem& p : r.problems) {
    out.BeginObject();
    out.Key("file").String(p.file);
    out.Key("what").String(p.what);
    out.EndObject();
  }
  out.EndArray();
  out.Key("lanes").BeginArray();
  for (const LaneResult& lane : r.lanes) WriteLane(out, lane);
  out.EndArray();
  out.EndObject();
}

std::string RaceJson(const RaceResult& result) {
  JsonWriter out;
  WriteRaceJson(out, result);
  return out.Take();
}

}  // namespace poolside
