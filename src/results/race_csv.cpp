#include "results/race_csv.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/cp932.h"

namespace poolside {

namespace {

std::string Field(const std::string& text) {
  std::string s = text;
  if (!s.empty() && (s[0] == '=' || s[0] == '+' || s[0] == '-' || s[0] == '@' || s[0] == '\t')) {
    s.insert(0, "'");
  }
  if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
  std::string q = "\"";
  for (char c : s) {
    if (c == '"') q += '"';
    q += c;
  }
  return q + "\"";
}

std::string Number(long long v) { return std::to_string(v); }
std::string Number(const std::optional<std::int64_t>& v) { return v ? std::to_string(*v) : ""; }

void AddRow(std::string& out, const std::vector<std::string>& fields) {
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) out += ',';
    out += fields[i];
  }
  out += "\r\n";
}

}  // namespace

std::string RaceCsv(const RaceResult& r) {
  std::size_t splits = 0;
  for (const LaneResult& lane : r.lanes) splits = std::max(splits, lane.splits.size());

  std::vector<std::string> header = {
      "race",       "race_text",   "program", "heat",       "heats",     "sex_code",
      "sex",        "class_code",  "class",   "event_code", "event",     "round_code",
      "round",      "finished_at", "lane",    "entry",      "rank",      "packed",
      "hundredths", "text",        "status",  "dq_code",    "goal_read", "laps_read"};
  for (std::size_t k = 1; k <= splits; ++k) {
    const std::string p = "split" + std::to_string(k) + "_";
    for (const char* name : {"distance", "text", "hundredths", "kind"}) header.push_back(p + name);
  }
  // The entry list's columns after every earlier column, so that a reader
  // that counts columns finds the old ones where they were.
  for (const char* name : {"name", "kana", "club", "pref", "grade"}) header.push_back(name);
  std::string out;
  AddRow(out, header);
  for (const LaneResult& lane : r.lanes) {
    std::vector<std::string> row = {Number(r.race),
                                    Field(r.raceText),
                                    Number(r.program),
                                    Number(r.heat),
                                    Number(r.heats),
                                    Field(r.sex.code),
                                    Field(r.sex.label),
                                    Field(r.raceClass.code),
                                    Field(r.raceClass.label),
                                    Number(r.eventCode),
                                    Field(r.event.label),
                                    Field(r.round.code),
                                    Field(r.round.label),
                                    Field(r.finishedAt),
                                    Number(lane.lane),
                                    Number(lane.entry),
                                    lane.goalRead ? Number(lane.rank) : "",
                                    lane.goalRead ? Number(lane.packed) : "",
                                    Number(lane.hundredths),
                                    Field(lane.text),
                                    LaneStatusName(lane.status),
                                    lane.status == LaneStatus::Dq ? Number(lane.dqCode) : "",
                                    lane.goalRead ? "1" : "0",
                                    lane.lapsRead ? "1" : "0"};
    for (std::size_t k = 0; k < splits; ++k) {
      if (k < lane.splits.size()) {
        const Split& s = lane.splits[k];
        row.insert(row.end(), {Number(s.distance), Field(s.text), Number(s.hundredths),
                               std::string(1, s.kind)});
      } else {
        row.insert(row.end(), {"", "", "", ""});
      }
    }
    row.insert(row.end(), {Field(lane.who.name), Field(lane.who.kana), Field(lane.who.club),
                           Field(lane.who.pref), Field(lane.who.grade)});
    AddRow(out, row);
  }
  return out;
}

std::string EncodeCsv(const std::string& utf8Csv, CsvEncoding encoding) {
  if (encoding == CsvEncoding::Cp932) return Utf8ToCp932(utf8Csv);
  return "\xEF\xBB\xBF" + utf8Csv;
}

}  // namespace poolside
