#include "results/race_result.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>

#include "format/labels.h"
#include "format/time_text.h"
#include "format/time_values.h"
#include "meetdata/competition_record.h"
#include "meetdata/meet_data.h"
#include "meetdata/settings.h"
#include "platform/cp932.h"
#include "platform/item_reader.h"
#include "platform/paths.h"

namespace poolside {

namespace {

// A goal file is 200-odd bytes and a lap file of a 1500 m race a few
// kilobytes; anything far larger is not one of them and is not read.
constexpr std::uintmax_t kMaxGoalBytes = 64 * 1024;
constexpr std::uintmax_t kMaxLapBytes = 4 * 1024 * 1024;
constexpr int kBookBytes = 1024;

std::string Trim(std::string_view s) {
  std::size_t b = 0;
  std::size_t e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\0')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\0')) --e;
  return std::string(s.substr(b, e - b));
}

// A short, printable quote of an item for a message.
std::string Quoted(const std::string& item) {
  std::string s = Utf8Prefix(item, 16);
  if (Utf8Length(item) > 16) s += "…";
  return "「" + s + "」";
}

// A whole number written as the meet office's files write it: blanks
// around, an optional minus, digits. None for anything else.
std::optional<std::int32_t> StrictInt(const std::string& item) {
  const std::string t = Trim(item);
  std::size_t i = t.size() > 0 && t[0] == '-' ? 1 : 0;
  if (i == t.size() || t.size() - i > 10) return std::nullopt;
  long long v = 0;
  for (; i < t.size(); ++i) {
    if (t[i] < '0' || t[i] > '9') return std::nullopt;
    v = v * 10 + (t[i] - '0');
  }
  if (t[0] == '-') v = -v;
  if (v < INT32_MIN || v > INT32_MAX) return std::nullopt;
  return static_cast<std::int32_t>(v);
}

std::string ErrnoText(int err) { return std::strerror(err); }

enum class Fetch { Ok, Missing, Failed };

// Reads a file whole, read-only, up to `limit` bytes. The handle is closed
// before it returns.
Fetch FetchFile(const std::string& path, std::uintmax_t limit, std::string& bytes,
                std::string& why) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT) return Fetch::Missing;
    why = ErrnoText(errno);
    return Fetch::Failed;
  }
  if (!S_ISREG(st.st_mode)) {
    why = "ファイルではありません";
    return Fetch::Failed;
  }
  if (static_cast<std::uintmax_t>(st.st_size) > limit) {
    why = "大きすぎます (" + std::to_string(st.st_size) + " バイト)";
    return Fetch::Failed;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    why = ErrnoText(errno);
    return Fetch::Failed;
  }
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) {
    why = "読み取りに失敗しました";
    return Fetch::Failed;
  }
  return Fetch::Ok;
}

void LoadHeader(const RaceSources& src, RaceResult& r) {
  const std::string name = "taikai.dat";
  CompetitionRecord heat;
  if (src.race < 1 || src.race > 32757) {
    r.problems.push_back({name, "レース番号 " + std::to_string(src.race) + " は範囲外です"});
  } else {
    std::ifstream in(src.meetFile, std::ios::binary);
    if (!in) {
      r.problems.push_back({name, "開けません: " + ErrnoText(errno)});
    } else {
      Bytes record(kMeetRecordLength, 0);
      in.seekg(static_cast<std::streamoff>(src.race + 10 - 1) * kMeetRecordLength);
      in.read(reinterpret_cast<char*>(record.data()), kMeetRecordLength);
      if (in.gcount() < static_cast<std::streamsize>(kMeetRecordLength)) {
        r.problems.push_back({name, "競技 " + std::to_string(src.race) +
                                        " のレコードがありません (ファイルが短い)"});
      }
      heat = DecodeCompetitionRecord(record);
    }
  }
  r.program = heat.ProgramNo;
  r.heat = heat.HeatNo;
  r.heats = heat.HeatCount;
  r.sex = {Trim(heat.SexCode), SexLabel(heat.SexCode)};
  r.classLow = heat.ClassLow;
  r.classHigh = heat.ClassHigh;
  r.raceClass = {std::to_string(heat.ClassLow) + "-" + std::to_string(heat.ClassHigh),
                 ClassLabel(heat.ClassLow, heat.ClassHigh, src.classLabelMode)};
  r.eventCode = heat.EventCode;
  r.event = {std::to_string(heat.EventCode), EventLabel(heat.EventCode)};
  r.round = {Trim(heat.RoundCode), RoundLabel(heat.RoundCode)};
  for (int i = 0; i < kResultLanes; ++i) {
    r.lanes[i].entry = heat.EntryNo[i];
    r.lanes[i].meetRecord = heat.Record[i];
  }
}

// The file's bytes, or false with its problem noted under `name`.
bool FetchOrNote(const std::string& path, std::uintmax_t limit, const std::string& name,
                 std::string& bytes, RaceResult& r) {
  std::string why;
  switch (FetchFile(path, limit, bytes, why)) {
    case Fetch::Missing:
      r.problems.push_back({name, "ありません"});
      return false;
    case Fetch::Failed:
      r.problems.push_back({name, "読めません: " + why});
      return false;
    case Fetch::Ok:
      break;
  }
  return true;
}

void LoadBookStatus(const RaceSources& src, RaceResult& r) {
  std::string bytes;
  if (!FetchOrNote(src.bookFile, 1024 * 1024, "Race.dat", bytes, r)) return;
  if (src.race < 1 || src.race > kBookBytes) return;
  if (static_cast<std::size_t>(src.race) > bytes.size()) return;
  const char c = bytes[src.race - 1];
  if (c != '\0') r.bookStatus = Cp932ToUtf8(std::string(1, c));
}

void LoadGoal(const RaceSources& src, RaceResult& r) {
  const std::string name = "goal\\g" + r.raceText;
  std::string bytes;
  if (!FetchOrNote(src.goalFile, kMaxGoalBytes, name, bytes, r)) return;
  struct stat st;
  if (::stat(src.goalFile.c_str(), &st) == 0) {
    r.finishedAt = IsoLocalTime(std::chrono::system_clock::from_time_t(st.st_mtime));
  }
  ItemReader reader = ItemReader::FromText(Cp932ToUtf8(bytes), name);
  for (LaneResult& lane : r.lanes) {
    if (reader.AtEnd()) {
      r.problems.push_back(
          {name, "短すぎます: " + std::to_string(lane.lane - 1) + " コース分で終わっています"});
      return;
    }
    const std::string rankItem = reader.ReadItem();
    if (reader.AtEnd()) {
      r.problems.push_back({name, std::to_string(lane.lane) + " コースの記録がありません"});
      return;
    }
    const std::string timeItem = reader.ReadItem();
    const auto rank = StrictInt(rankItem);
    const auto value = StrictInt(timeItem);
    if (!rank || !value || *rank < 0 || *rank > kResultLanes) {
      const std::string& bad = !rank || *rank < 0 || *rank > kResultLanes ? rankItem : timeItem;
      r.problems.push_back({name, std::to_string(lane.lane) + " コース (" +
                                      std::to_string(reader.Line()) +
                                      " 行目): " + (bad == rankItem ? "順位 " : "記録 ") +
                                      Quoted(bad) + " は読めません"});
      continue;
    }
    lane.goalRead = true;
    lane.rank = *rank;
    lane.packed = *value;
    ClassifyLaneValue(lane);
  }
  if (!reader.AtEnd()) r.problems.push_back({name, "10 コースの後に余分なデータがあります"});
}

void LoadLaps(const RaceSources& src, RaceResult& r) {
  const std::string name = "lap\\r" + r.raceText;
  std::string bytes;
  if (!FetchOrNote(src.lapFile, kMaxLapBytes, name, bytes, r)) return;
  for (LaneResult& lane : r.lanes) lane.lapsRead = true;
  ItemReader reader = ItemReader::FromText(Cp932ToUtf8(bytes), name);
  int record = 0;
  int badRecords = 0;
  std::string firstBad;
  while (!reader.AtEnd()) {
    ++record;
    // A record is three items: lane, time text, kind.
    std::string items[3];
    int got = 0;
    int line = 0;
    while (got < 3 && !reader.AtEnd()) {
      items[got++] = reader.ReadItem();
      if (got == 1) line = reader.Line();
    }
    const std::string& laneItem = items[0];
    const std::string& timeItem = items[1];
    const std::string& kindItem = items[2];
    if (got < 3) {
      r.problems.push_back({name, "記録 " + std::to_string(record) + " の途中で終わっています"});
      // A record cut short by a write in progress or a damaged file: its lane
      // (when readable) misses that record.
      const auto l = StrictInt(laneItem);
      if (l && *l >= 1 && *l <= kResultLanes) r.lanes[*l - 1].lapsRead = false;
      break;
    }
    const auto l = StrictInt(laneItem);
    const bool laneOk = l && *l >= 1 && *l <= kResultLanes;
    const std::string kind = Trim(kindItem);
    std::string bad;
    if (!laneOk) {
      bad = "コース " + Quoted(laneItem);
    } else if (kind != "L" && kind != "G") {
      bad = "種別 " + Quoted(kindItem);
      r.lanes[*l - 1].lapsRead = false;
    }
    if (!bad.empty()) {
      // Items out of step: one message for the first, a count for the rest.
      if (badRecords++ == 0) {
        firstBad = "記録 " + std::to_string(record) + " (" + std::to_string(line) +
                   " 行目): " + bad + " は読めません";
      }
      continue;
    }
    LaneResult& lane = r.lanes[*l - 1];
    Split split;
    split.text = Trim(timeItem);
    split.hundredths = TimeTextHundredths(timeItem);
    split.kind = kind[0];
    split.distance = static_cast<int>(lane.splits.size() + 1) * src.metresPerLap;
    lane.splits.push_back(std::move(split));
  }
  if (badRecords > 0) {
    if (badRecords > 1) firstBad += " (ほか " + std::to_string(badRecords - 1) + " 件)";
    r.problems.push_back({name, firstBad});
  }
}

}  // namespace

const char* LaneStatusName(LaneStatus status) {
  switch (status) {
    case LaneStatus::Time:
      return "time";
    case LaneStatus::Dq:
      return "dq";
    case LaneStatus::Withdrawn:
      return "withdrawn";
    case LaneStatus::NoTime:
      return "no_time";
    case LaneStatus::Unreadable:
      return "unreadable";
    case LaneStatus::NoFinish:
      return "no_finish";
  }
  return "unreadable";
}

std::string RaceNumberText(int race) {
  const std::string s = std::to_string(race + 10000);
  return s.size() > 4 ? s.substr(s.size() - 4) : s;
}

RaceSources SourcesOf(const PathMapper& paths, const std::string& dataFolder,
                      const MeetSettings& settings, int race) {
  RaceSources s;
  s.race = race;
  const std::string text = RaceNumberText(race);
  s.meetFile = paths.Resolve(dataFolder + "taikai.dat");
  s.bookFile = paths.Resolve(dataFolder + "Race.dat");
  s.goalFile = paths.Resolve(dataFolder + "goal\\g" + text);
  s.lapFile = paths.Resolve(dataFolder + "lap\\r" + text);
  s.classLabelMode = settings.ClassLabelMode;
  s.metresPerLap = MetresPerLap(settings.LapBaseCode, settings.LapDoubleCode);
  return s;
}

RaceSources SourcesOf(const MeetData& meet, int race) {
  return SourcesOf(meet.Paths(), meet.DataFolder, meet.Settings, race);
}

RaceResult LoadRaceResult(const RaceSources& sources) {
  RaceResult r;
  r.race = sources.race;
  r.raceText = RaceNumberText(sources.race);
  for (int i = 0; i < kResultLanes; ++i) r.lanes[i].lane = i + 1;
  LoadHeader(sources, r);
  LoadBookStatus(sources, r);
  LoadGoal(sources, r);
  LoadLaps(sources, r);
  // The status of a lane without a time depends on its splits.
  for (LaneResult& lane : r.lanes) {
    if (lane.goalRead) ClassifyLaneValue(lane);
  }
  return r;
}

void ClassifyLaneValue(LaneResult& lane) {
  const std::int32_t v = lane.packed;
  lane.hundredths.reset();
  lane.dqCode = 0;
  lane.text = Trim(TimeText(v));
  if (v >= 1 && v < 666666) {
    lane.status = LaneStatus::Time;
    lane.hundredths = static_cast<std::int64_t>(v / 10000) * 6000 + (v / 100 % 100) * 100 + v % 100;
  } else if (v >= 700001 && v <= 700007) {
    lane.status = LaneStatus::Dq;
    lane.dqCode = v - 700000;
  } else if (v == kWithdrawn && lane.entry != 0 && lane.meetRecord == kWithdrawn) {
    lane.status = LaneStatus::Withdrawn;
  } else if ((v == kWithdrawn || v == kNoTime) && lane.rank == 0 && !lane.splits.empty() &&
             lane.splits.back().kind == 'L') {
    lane.status = LaneStatus::NoFinish;
  } else {
    lane.status = LaneStatus::NoTime;
  }
}

void ApplyDeskLanes(RaceResult& result, const DeskLanes& desk) {
  for (int i = 0; i < kResultLanes; ++i) {
    LaneResult& lane = result.lanes[static_cast<std::size_t>(i)];
    if (!lane.goalRead || lane.packed != kWithdrawn) continue;
    if (desk.withdrawn[static_cast<std::size_t>(i)]) {
      lane.status = LaneStatus::Withdrawn;
    } else if (desk.noFinish[static_cast<std::size_t>(i)]) {
      lane.status = LaneStatus::NoFinish;
    } else if (lane.meetRecord != kWithdrawn) {
      lane.status = LaneStatus::NoTime;
    }
  }
}

DeskLanes DeskLanesOf(const RaceFinished& finished) {
  DeskLanes desk;
  for (int i = 0; i < kResultLanes; ++i) {
    desk.withdrawn[static_cast<std::size_t>(i)] = finished.withdrawn[static_cast<std::size_t>(i)];
    desk.noFinish[static_cast<std::size_t>(i)] = finished.noFinish[static_cast<std::size_t>(i)];
  }
  return desk;
}

std::optional<std::int64_t> TimeTextHundredths(const std::string& text) {
  const std::string t = Trim(text);
  const std::size_t colon = t.find(':');
  const std::size_t point = t.find('.');
  if (point == std::string::npos || t.size() - point - 1 != 2) return std::nullopt;
  if (colon != std::string::npos && colon > point) return std::nullopt;
  auto digits = [](std::string_view s, std::size_t maxLen, bool mayBeEmpty) -> std::optional<int> {
    if (s.size() > maxLen || (s.empty() && !mayBeEmpty)) return std::nullopt;
    int v = 0;
    for (char c : s) {
      if (c < '0' || c > '9') return std::nullopt;
      v = v * 10 + (c - '0');
    }
    return v;
  };
  const std::size_t secStart = colon == std::string::npos ? 0 : colon + 1;
  const auto minutes = colon == std::string::npos
                           ? std::optional<int>(0)
                           : digits(std::string_view(t).substr(0, colon), 2, false);
  const auto seconds =
      digits(std::string_view(t).substr(secStart, point - secStart), 2, colon == std::string::npos);
  const auto hundredths = digits(std::string_view(t).substr(point + 1), 2, false);
  if (!minutes || !seconds || !hundredths) return std::nullopt;
  return static_cast<std::int64_t>(*minutes) * 6000 + *seconds * 100 + *hundredths;
}

std::string IsoLocalTime(WallTime time) {
  const std::time_t t = std::chrono::system_clock::to_time_t(time);
  std::tm local{};
  localtime_r(&t, &local);
  char buf[40];
  std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S%z", &local);
  std::string s = buf;
  // %z gives +0900; ISO 8601's extended form wants +09:00.
  if (s.size() >= 5) s.insert(s.size() - 2, ":");
  return s;
}

std::string LaneResultText(const LaneResult& lane) {
  switch (lane.status) {
    case LaneStatus::Dq:
      return "失格 " + std::to_string(lane.dqCode) + "（" + lane.text + "）";
    case LaneStatus::Withdrawn:
      return "棄権";
    case LaneStatus::NoFinish:
      return "ゴール未検出";
    case LaneStatus::Unreadable:
      return "（読めません）";
    case LaneStatus::NoTime:
      return lane.packed == kWithdrawn || lane.packed == kNoTime ? "記録なし" : lane.text;
    default:
      return lane.text;
  }
}

}  // namespace poolside
