#include "recovery/recovery_tables.h"

#include "platform/cp932.h"
#include "vocabulary/data_folder.h"

namespace poolside {

namespace {

std::string Joined(const std::vector<std::string>& parts, const std::string& between) {
  std::string out;
  for (const std::string& p : parts) {
    if (p.empty()) continue;
    if (!out.empty()) out += between;
    out += p;
  }
  return out;
}

std::string EventText(const RaceResult& r) {
  return Joined({r.sex.label, r.raceClass.label, r.event.label, r.round.label}, " ");
}

LaneSide SideOf(const LaneResult& lane) {
  LaneSide side;
  if (lane.rank > 0) side.rank = std::to_string(lane.rank);
  switch (lane.status) {
    case LaneStatus::Time:
    case LaneStatus::Dq:
    case LaneStatus::Withdrawn:
      side.result = lane.text;
      break;
    case LaneStatus::NoTime:
      side.result = "記録なし";
      break;
    case LaneStatus::NoFinish:
      side.result = "ゴール未検出";
      break;
    case LaneStatus::Unreadable:
      side.result = "読めません";
      break;
  }
  std::vector<std::string> splits;
  for (const Split& s : lane.splits) splits.push_back(s.text);
  side.splits = Joined(splits, "  ");
  return side;
}

std::string StatusText(char c) {
  return c == '\0' ? std::string() : Cp932ToUtf8(std::string(1, c));
}

}  // namespace

std::string ClockOfWallTime(const std::string& wall) {
  // 2026-12-09T10:02:03.817553+09:00: the local time is characters 11..18.
  if (wall.size() >= 19 && wall[10] == 'T' && wall[13] == ':' && wall[16] == ':') {
    return wall.substr(11, 8);
  }
  return wall;
}

std::vector<CapturedRaceRow> CapturedRaceRows(const std::vector<CapturedRace>& races,
                                              const RaceSourcesOf& sources) {
  std::vector<CapturedRaceRow> rows;
  for (const CapturedRace& c : races) {
    CapturedRaceRow row;
    row.index = std::to_string(c.index);
    row.race = std::to_string(c.race);
    row.programHeat = std::to_string(c.program) + "-" + std::to_string(c.heat);
    if (sources && c.race >= 1 && c.race <= kBookRaces)
      row.event = EventText(LoadRaceResult(sources(c.race)));
    row.start = ClockOfWallTime(c.start);
    row.end = ClockOfWallTime(c.end);
    row.finished = c.finished ? "終了" : "未終了";
    std::vector<std::string> lanes;
    for (const CapturedLane& l : c.lanes) lanes.push_back(std::to_string(l.lane) + ": " + l.time);
    row.lanes = Joined(lanes, "  ");
    rows.push_back(std::move(row));
  }
  return rows;
}

std::string RaceDescription(const RaceResult& r) {
  std::string text = "プログラム " + std::to_string(r.program) + " 組 " + std::to_string(r.heat);
  const std::string event = EventText(r);
  if (!event.empty()) text += " (" + event + ")";
  return text;
}

RetimingPreview PreviewOf(const Retiming& retiming, const RaceSources& now) {
  RetimingPreview out;
  const RaceResult current = LoadRaceResult(now);
  out.target = RaceDescription(current);
  for (const ReadProblem& p : current.problems) out.problems.push_back(p.file + ": " + p.what);

  // The retimed race read the same way, from its bytes in memory; a file
  // the re-timing does not write reads as missing.
  static const std::string kNotWritten;
  const std::string* goal = &kNotWritten;
  const std::string* lap = &kNotWritten;
  for (const RetimedFile& f : retiming.files) {
    if (f.path == now.goalFile) goal = &f.bytes;
    if (f.path == now.lapFile) lap = &f.bytes;
  }
  const RaceResult retimed = LoadRaceResult(now, goal, lap);

  for (int i = 0; i < kLanes; ++i) {
    PreviewRow row;
    row.lane = i + 1;
    row.retimed = SideOf(retimed.lanes[static_cast<std::size_t>(i)]);
    row.now = SideOf(current.lanes[static_cast<std::size_t>(i)]);
    row.differs = !(row.retimed == row.now);
    out.lanes.push_back(std::move(row));
  }
  for (const RetimedStatus& s : retiming.statuses) {
    out.statuses.push_back("レース " + std::to_string(s.race) + ": \"" + StatusText(s.before) +
                           "\" → \"" + StatusText(s.after) + "\"");
  }
  return out;
}

std::string ApplyQuestion(int index, const CapturedRace& captured, const std::string& target,
                          int race) {
  const std::string n = std::to_string(race);
  return "記録 " + std::to_string(index) + " (レース " + std::to_string(captured.race) +
         " の計時) を、レース " + n + (target.empty() ? "" : " " + target) +
         " として再計時します。\rレース " + n +
         " のラップファイルとゴールファイルを置き換え、このレースを終了済み (6) にします。"
         "\rよろしいですか？";
}

}  // namespace poolside
