#include "finish/touch_repair.h"

#include <algorithm>

#include "finish/race_close.h"
#include "finish/race_files.h"
#include "format/time_text.h"
#include "format/time_values.h"
#include "platform/cp932.h"
#include "platform/errors.h"
#include "platform/record_file.h"
#include "racebook/race_book.h"
#include "reception/console_line.h"

namespace poolside {

namespace {

constexpr const char* kUnknownTime = "        ";
// A combined race is at most five races: the first and four copies.
constexpr int kMaxCopies = 4;

std::string Trim(const std::string& s) {
  const std::size_t b = s.find_first_not_of(' ');
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

bool AllDigits(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool Exists(const std::string& path) { return FileExists(path); }

// The lane's touches as positions in `touches`.
std::vector<std::size_t> LanePositions(const std::vector<LapTouch>& touches, int lane) {
  std::vector<std::size_t> at;
  for (std::size_t i = 0; i < touches.size(); ++i) {
    if (touches[i].lane == lane) at.push_back(i);
  }
  return at;
}

std::optional<std::int64_t> Hundredths(const std::string& timeText) {
  const std::string t = Trim(timeText);
  if (t.empty()) return std::nullopt;
  const std::int32_t packed = PackedTime(timeText);
  return static_cast<std::int64_t>(packed / 10000) * 6000 + (packed / 100 % 100) * 100 +
         packed % 100;
}

// The goal value a lane's touches give: its finish, or no time.
std::int32_t ValueOfTouches(const std::vector<LapTouch>& touches, int lane) {
  const std::vector<std::size_t> at = LanePositions(touches, lane);
  if (at.empty() || touches[at.back()].kind != 'G') return kNoTime;
  const std::string& text = touches[at.back()].timeText;
  return Trim(text).empty() ? kNoTime : PackedTime(text);
}

struct Goal {
  LaneArray<std::int16_t> rank{};
  LaneArray<std::int32_t> time{};
};

// The goal file's rank and value of every lane; a lane that does not read
// stops the repair (its goal file is rewritten whole).
Goal ReadGoal(const std::string& path, const std::string& bytes) {
  const GoalItems items = ReadGoalItems(bytes);
  Goal goal;
  for (int lane = 1; lane <= kLanes; ++lane) {
    const GoalLane& g = items.lanes[LaneIndex(lane)];
    if (!g.read) {
      throw IoError("ゴールファイル " + path + " の " + std::to_string(lane) +
                    " コースが読めません");
    }
    goal.rank[LaneIndex(lane)] = static_cast<std::int16_t>(g.rank);
    goal.time[LaneIndex(lane)] = g.value;
  }
  return goal;
}

std::string SplitText(std::int64_t h) {
  std::string text = h < 0 ? "-" : "";
  const std::int64_t a = h < 0 ? -h : h;
  const std::string hh = std::to_string(a % 100);
  return text + (a >= 6000 ? std::to_string(a / 6000) + ":" : "") +
         (a >= 6000 && a / 100 % 60 < 10 ? "0" : "") + std::to_string(a / 100 % 60) + "." +
         (hh.size() < 2 ? "0" : "") + hh;
}

}  // namespace

std::string RepairWords(const TouchRepair& r) {
  switch (r.kind) {
    case RepairKind::Drop:
      return "drop " + std::to_string(r.index);
    case RepairKind::InsertAfter:
      return "insert-after " + std::to_string(r.index) + " " +
             (Trim(r.timeText).empty() ? std::string("?") : Trim(r.timeText));
    case RepairKind::AsFinish:
      return "as-finish " + std::to_string(r.index);
    case RepairKind::AsLap:
      return "as-lap " + std::to_string(r.index);
  }
  return "";
}

bool ParseRepairWords(const std::string& words, TouchRepair& r) {
  std::vector<std::string> w;
  for (std::size_t i = 0; i < words.size();) {
    const std::size_t b = words.find_first_not_of(' ', i);
    if (b == std::string::npos) break;
    const std::size_t e = std::min(words.find(' ', b), words.size());
    w.push_back(words.substr(b, e - b));
    i = e;
  }
  if (w.size() < 2 || !AllDigits(w[1]) || w[1].size() > 4) return false;
  r.index = std::stoi(w[1]);
  r.timeText.clear();
  if (w[0] == "insert-after" && w.size() == 3) {
    r.kind = RepairKind::InsertAfter;
    if (w[2] == "?") return true;
    const auto text = ConsoleTimeText(w[2]);
    if (!text) return false;
    r.timeText = *text;
    return true;
  }
  if (w.size() != 2) return false;
  if (w[0] == "drop") {
    r.kind = RepairKind::Drop;
  } else if (w[0] == "as-finish") {
    r.kind = RepairKind::AsFinish;
  } else if (w[0] == "as-lap") {
    r.kind = RepairKind::AsLap;
  } else {
    return false;
  }
  return r.index >= 1;
}

std::optional<std::string> ConsoleTimeText(const std::string& typed) {
  const std::string t = Trim(typed);
  int minutes = 0, seconds = 0, hundredths = 0;
  const std::size_t colon = t.find(':');
  const std::size_t point = t.find('.');
  if (point == std::string::npos && colon == std::string::npos) {
    // mmsshh as the time boxes take it.
    if (!AllDigits(t) || t.size() > 6) return std::nullopt;
    const int v = std::stoi(t);
    minutes = v / 10000;
    seconds = v / 100 % 100;
    hundredths = v % 100;
  } else {
    if (point == std::string::npos || t.size() - point - 1 != 2) return std::nullopt;
    const std::string h = t.substr(point + 1);
    const std::size_t secStart = colon == std::string::npos ? 0 : colon + 1;
    if (colon != std::string::npos && colon > point) return std::nullopt;
    const std::string s = t.substr(secStart, point - secStart);
    const std::string m = colon == std::string::npos ? "0" : t.substr(0, colon);
    if (!AllDigits(h) || !AllDigits(s) || !AllDigits(m) || s.size() > 2 || m.size() > 2) {
      return std::nullopt;
    }
    minutes = std::stoi(m);
    seconds = std::stoi(s);
    hundredths = std::stoi(h);
  }
  if (seconds > 59 || (minutes == 0 && seconds == 0 && hundredths == 0)) return std::nullopt;
  return TimeText(minutes * 10000 + seconds * 100 + hundredths);
}

std::optional<std::string> ApplyTouchRepair(std::vector<LapTouch>& touches, const TouchRepair& r) {
  if (r.lane < 1 || r.lane > kLanes) {
    return "コース " + std::to_string(r.lane) + " はありません (1 から 10)";
  }
  const std::vector<std::size_t> at = LanePositions(touches, r.lane);
  const int count = static_cast<int>(at.size());
  const std::string lane = std::to_string(r.lane) + " コース";
  if (r.kind == RepairKind::InsertAfter) {
    if (r.index < 0 || r.index > count) {
      return lane + "のタッチは " + std::to_string(count) + " 個です (0 から " +
             std::to_string(count) + " の後に挿入できます)";
    }
    const std::size_t pos = r.index == 0 ? (at.empty() ? touches.size() : at.front())
                                         : at[static_cast<std::size_t>(r.index - 1)] + 1;
    const std::string text = Trim(r.timeText).empty() ? kUnknownTime : LapTimeField(r.timeText);
    touches.insert(touches.begin() + static_cast<std::ptrdiff_t>(pos), {r.lane, text, 'L'});
    return std::nullopt;
  }
  if (r.index < 1 || r.index > count) {
    return lane + "にタッチ " + std::to_string(r.index) + " はありません (タッチは " +
           std::to_string(count) + " 個です)";
  }
  LapTouch& touch = touches[at[static_cast<std::size_t>(r.index - 1)]];
  switch (r.kind) {
    case RepairKind::Drop:
      touches.erase(touches.begin() +
                    static_cast<std::ptrdiff_t>(at[static_cast<std::size_t>(r.index - 1)]));
      break;
    case RepairKind::AsFinish:
      if (touch.kind == 'G') return lane + "のタッチ " + std::to_string(r.index) + " はゴールです";
      touch.kind = 'G';
      break;
    case RepairKind::AsLap:
      if (touch.kind == 'L') return lane + "のタッチ " + std::to_string(r.index) + " はラップです";
      touch.kind = 'L';
      break;
    case RepairKind::InsertAfter:
      break;
  }
  return std::nullopt;
}

std::vector<std::optional<std::int64_t>> LaneSplits(const std::vector<LapTouch>& touches,
                                                    int lane) {
  std::vector<std::optional<std::int64_t>> splits;
  std::optional<std::int64_t> previous = 0;
  for (const LapTouch& t : touches) {
    if (t.lane != lane) continue;
    const auto now = Hundredths(t.timeText);
    if (now && previous) {
      splits.push_back(*now - *previous);
    } else {
      splits.push_back(std::nullopt);
    }
    previous = now;
  }
  return splits;
}

std::optional<std::string> InsertedTimeProblem(const std::vector<LapTouch>& touches, int lane,
                                               int index, const std::string& timeText) {
  const auto time = Hundredths(timeText);
  if (!time) return std::nullopt;
  std::vector<const LapTouch*> own;
  for (const LapTouch& t : touches) {
    if (t.lane == lane) own.push_back(&t);
  }
  const std::string shown = Trim(timeText);
  if (index >= 1 && index <= static_cast<int>(own.size())) {
    const LapTouch& before = *own[static_cast<std::size_t>(index - 1)];
    if (const auto at = Hundredths(before.timeText); at && *time <= *at) {
      return "タイム " + shown + " はタッチ " + std::to_string(index) + " (" +
             Trim(before.timeText) + ") より後でなければなりません";
    }
  }
  if (index >= 0 && index < static_cast<int>(own.size())) {
    const LapTouch& after = *own[static_cast<std::size_t>(index)];
    if (const auto at = Hundredths(after.timeText); at && *time >= *at) {
      return "タイム " + shown + " はタッチ " + std::to_string(index + 1) + " (" +
             Trim(after.timeText) + ") より前でなければなりません";
    }
  }
  return std::nullopt;
}

std::vector<TouchRow> LaneTouchRows(const std::vector<LapTouch>& touches, int lane,
                                    int metresPerLap) {
  std::vector<TouchRow> rows;
  const auto splits = LaneSplits(touches, lane);
  for (const LapTouch& t : touches) {
    if (t.lane != lane) continue;
    TouchRow row;
    row.number = static_cast<int>(rows.size()) + 1;
    row.time = Trim(t.timeText).empty() ? std::string("?") : Trim(t.timeText);
    const auto& split = splits[rows.size()];
    row.split = split ? SplitText(*split) : std::string("?");
    row.distance = metresPerLap > 0 ? row.number * metresPerLap : 0;
    row.kind = t.kind;
    rows.push_back(row);
  }
  return rows;
}

std::vector<std::string> LaneTouchLines(const std::vector<LapTouch>& touches, int lane) {
  std::vector<std::string> lines;
  const auto splits = LaneSplits(touches, lane);
  int k = 0;
  for (const LapTouch& t : touches) {
    if (t.lane != lane) continue;
    const auto& split = splits[static_cast<std::size_t>(k)];
    ++k;
    std::string line = std::to_string(k) + " " +
                       (Trim(t.timeText).empty() ? std::string("?") : Trim(t.timeText)) + " " +
                       t.kind + " ";
    line += split ? SplitText(*split) : std::string("?");
    lines.push_back(line);
  }
  return lines;
}

std::int32_t FinishValueOfTouches(const std::vector<LapTouch>& touches, int lane) {
  return ValueOfTouches(touches, lane);
}

LaneArray<std::int32_t> GoalValues(const std::string& path, const std::string& bytes) {
  return ReadGoal(path, bytes).time;
}

std::vector<int> CombinedCopyTargets(const MeetData& meet, int race, const std::string& goalBefore,
                                     const std::string& lapBefore) {
  // The races a combined finish copied this race to: the ones that follow
  // it, done, holding its copies.
  std::vector<int> targets;
  const std::string goalCopy = CopiedItems(goalBefore);
  const std::string lapCopy = CopiedItems(lapBefore);
  const std::string bookPath = BookPath(meet);
  const std::string book = Exists(bookPath) ? ReadWholeFile(bookPath) : std::string();
  for (int target = race + 1; target <= std::min(race + kMaxCopies, kBookRaces); ++target) {
    const auto k = static_cast<std::size_t>(target - 1);
    if (k >= book.size() || !IsRaceDone(book.substr(k, 1))) break;
    const std::string g = GoalPath(meet, target);
    const std::string l = LapPath(meet, target);
    if (!Exists(g) || !Exists(l) || GoalFileBytes(g) != goalCopy || LapFileBytes(l) != lapCopy) {
      break;
    }
    targets.push_back(target);
  }
  return targets;
}

RepairPlan PlanRepair(const MeetData& meet, const TouchRepair& repair) {
  if (repair.race < 1 || repair.race > kBookRaces) {
    throw RuntimeError("レース番号 " + std::to_string(repair.race) + " は 1 から " +
                       std::to_string(kBookRaces) + " までです");
  }
  RepairPlan plan;
  plan.repair = repair;
  plan.lapPath = LapPath(meet, repair.race);
  if (!Exists(plan.lapPath)) throw IoError("ラップファイル " + plan.lapPath + " がありません");
  plan.lapBefore = LapFileBytes(plan.lapPath);
  LapTouches parsed = ParseLapText(plan.lapBefore);
  if (!parsed.problem.empty()) {
    throw IoError("ラップファイル " + plan.lapPath + " を修正できません: " + parsed.problem);
  }
  const std::vector<LapTouch> before = parsed.touches;
  plan.touches = parsed.touches;
  if (auto wrong = ApplyTouchRepair(plan.touches, repair)) {
    throw RuntimeError("レース " + std::to_string(repair.race) + ": " + *wrong);
  }
  plan.lapAfter = LapText(plan.touches);
  const std::vector<std::size_t> at = LanePositions(plan.touches, repair.lane);
  plan.laneLaps = static_cast<int>(at.size());
  if (!at.empty()) {
    plan.laneLastTime = plan.touches[at.back()].timeText;
    plan.laneLastKind = plan.touches[at.back()].kind;
  }

  plan.goalPath = GoalPath(meet, repair.race);
  plan.finished = Exists(plan.goalPath);
  if (!plan.finished) return plan;
  plan.goalBefore = GoalFileBytes(plan.goalPath);
  const Goal goal = ReadGoal(plan.goalPath, plan.goalBefore);
  LaneArray<std::int32_t> times = goal.time;
  // The lane's value follows its touches unless a time or status was typed
  // (the goal file then holds something its touches do not give).
  const auto lane = LaneIndex(repair.lane);
  const std::int32_t fromTouches = ValueOfTouches(before, repair.lane);
  const std::int32_t written = fromTouches > kLastStatus ? kWithdrawn : fromTouches;
  if (goal.time[lane] == written) times[lane] = ValueOfTouches(plan.touches, repair.lane);
  plan.ranking = RankLanes(times);
  plan.goalAfter = GoalText(plan.ranking);
  plan.combinedTargets = CombinedCopyTargets(meet, repair.race, plan.goalBefore, plan.lapBefore);
  return plan;
}

std::vector<PlannedFile> PlannedFiles(const MeetData& meet, const RepairPlan& plan) {
  std::vector<PlannedFile> files = {{plan.lapPath, plan.lapBefore, plan.lapAfter}};
  if (!plan.finished) return files;
  files.push_back({plan.goalPath, plan.goalBefore, plan.goalAfter});
  for (int target : plan.combinedTargets) {
    files.push_back(
        {GoalPath(meet, target), CopiedItems(plan.goalBefore), CopiedItems(plan.goalAfter)});
    files.push_back(
        {LapPath(meet, target), CopiedItems(plan.lapBefore), CopiedItems(plan.lapAfter)});
  }
  return files;
}

void ApplyRepairPlan(const MeetData& meet, const RepairPlan& plan) {
  ReplaceFileAtomically(plan.lapPath, plan.lapAfter);
  if (!plan.finished) return;
  ReplaceFileAtomically(plan.goalPath, plan.goalAfter);
  for (int target : plan.combinedTargets) {
    ReplaceFileAtomically(GoalPath(meet, target), CopiedItems(plan.goalAfter));
    ReplaceFileAtomically(LapPath(meet, target), CopiedItems(plan.lapAfter));
  }
}

TouchesRepaired RepairedEvent(const RepairPlan& plan, int metresPerLap, bool typedOnScreen) {
  const int lane = plan.repair.lane;
  TouchesRepaired repaired;
  repaired.race = plan.repair.race;
  repaired.lane = lane;
  repaired.what = RepairWords(plan.repair);
  repaired.laps = plan.laneLaps;
  repaired.metres = metresPerLap > 0 ? plan.laneLaps * metresPerLap : 0;
  repaired.noFinish =
      plan.laneLastKind == 'L' &&
      (plan.finished ? plan.ranking.time[LaneIndex(lane)] == kWithdrawn : !typedOnScreen);
  repaired.finished = plan.finished;
  if (plan.finished) {
    for (std::size_t i = 0; i < kLanes; ++i) {
      repaired.rank[i] = plan.ranking.rank[i];
      repaired.time[i] = plan.ranking.time[i];
    }
  }
  repaired.combinedTargets = plan.combinedTargets;
  return repaired;
}

std::string DescribeRepairPlan(const RepairPlan& plan) {
  std::string out = "race " + std::to_string(plan.repair.race) + " lane " +
                    std::to_string(plan.repair.lane) + ": " + RepairWords(plan.repair) + "\n";
  for (const std::string& line : LaneTouchLines(plan.touches, plan.repair.lane)) {
    out += "  " + line + "\n";
  }
  out += "file " + plan.lapPath + " size=" + std::to_string(plan.lapAfter.size()) + "\n" +
         plan.lapAfter + "\n";
  if (plan.finished) {
    out += "file " + plan.goalPath + " size=" + std::to_string(plan.goalAfter.size()) + "\n" +
           plan.goalAfter + "\n";
    for (int target : plan.combinedTargets) {
      out += "copy race " + std::to_string(target) + "\n";
    }
  }
  return out;
}

}  // namespace poolside
