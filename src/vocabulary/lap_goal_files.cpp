#include "vocabulary/lap_goal_files.h"

#include <algorithm>
#include <cstring>

#include "platform/cp932.h"
#include "platform/errors.h"
#include "platform/item_reader.h"
#include "platform/numbers.h"

namespace poolside {

namespace {

// Without the blanks around it.
std::string_view Unpadded(std::string_view s) {
  const std::size_t b = s.find_first_not_of(' ');
  return b == std::string_view::npos ? std::string_view()
                                     : s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// The lane of a lap record's first item: one or two digits, 1..10.
std::optional<int> LaneItem(std::string_view item) {
  const std::string_view t = Unpadded(item);
  if (t.empty() || t.size() > 2) return std::nullopt;
  if (!std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  const int lane = std::stoi(std::string(t));
  return IsLane(lane) ? std::optional<int>(lane) : std::nullopt;
}

// A short, printable quote of an item for a message.
std::string Quoted(const std::string& item) {
  std::string s = Utf8Prefix(item, 16);
  if (Utf8Length(item) > 16) s += "…";
  return "「" + s + "」";
}

FileRead ReadRaceFile(const std::string& path, std::size_t limit) {
  FileReadOptions options;
  options.maxBytes = limit;
  return ReadFileBounded(path, options);
}

std::string RaceFileBytes(const std::string& path, std::size_t limit) {
  FileRead read = ReadRaceFile(path, limit);
  switch (read.outcome) {
    case FileReadOutcome::Ok:
      return std::move(read.bytes);
    case FileReadOutcome::Missing:
      throw IoError("ファイルがありません: " + path);
    case FileReadOutcome::NotAFile:
      throw IoError("ファイルではありません: " + path);
    case FileReadOutcome::TooLarge:
      throw IoError("ファイルが大きすぎます: " + path + " (" + std::to_string(read.size) +
                    " バイト)");
    case FileReadOutcome::Failed:
      break;
  }
  throw IoError(
      "ファイルを読めません: " + path +
      (read.error != 0 ? " (" + std::string(std::strerror(read.error)) + ")" : std::string()));
}

}  // namespace

std::string TrimmedItem(std::string_view item) {
  std::size_t b = 0;
  std::size_t e = item.size();
  while (b < e && (item[b] == ' ' || item[b] == '\0')) ++b;
  while (e > b && (item[e - 1] == ' ' || item[e - 1] == '\0')) --e;
  return std::string(item.substr(b, e - b));
}

FileRead ReadGoalFile(const std::string& nativePath) {
  return ReadRaceFile(nativePath, kMaxGoalFileBytes);
}
FileRead ReadLapFile(const std::string& nativePath) {
  return ReadRaceFile(nativePath, kMaxLapFileBytes);
}
std::string GoalFileBytes(const std::string& nativePath) {
  return RaceFileBytes(nativePath, kMaxGoalFileBytes);
}
std::string LapFileBytes(const std::string& nativePath) {
  return RaceFileBytes(nativePath, kMaxLapFileBytes);
}

GoalItems ReadGoalItems(const std::string& bytes) {
  GoalItems out;
  ItemReader reader = ItemReader::FromText(Cp932ToUtf8(bytes), "");
  for (int lane = 1; lane <= kLanes; ++lane) {
    if (reader.AtEnd()) {
      out.problems.push_back("短すぎます: " + std::to_string(lane - 1) +
                             " コース分で終わっています");
      return out;
    }
    const std::string rankItem = reader.ReadItem();
    if (reader.AtEnd()) {
      out.problems.push_back(std::to_string(lane) + " コースの記録がありません");
      return out;
    }
    const std::string timeItem = reader.ReadItem();
    const auto rank = ParseFileNumber(rankItem);
    const auto value = ParseFileNumber(timeItem);
    const bool rankBad = !rank || *rank < 0 || *rank > kLanes;
    if (rankBad || !value) {
      const std::string& bad = rankBad ? rankItem : timeItem;
      out.problems.push_back(std::to_string(lane) + " コース (" + std::to_string(reader.Line()) +
                             " 行目): " + (rankBad ? "順位 " : "記録 ") + Quoted(bad) +
                             " は読めません");
      continue;
    }
    GoalLane& g = out.lanes[LaneIndex(lane)];
    g.read = true;
    g.rank = *rank;
    g.value = *value;
  }
  if (!reader.AtEnd()) out.problems.push_back("10 コースの後に余分なデータがあります");
  return out;
}

LapItems ReadLapItems(const std::string& bytes) {
  LapItems out;
  out.lanesRead.fill(true);
  ItemReader reader = ItemReader::FromText(Cp932ToUtf8(bytes), "");
  int record = 0;
  int badRecords = 0;
  std::string firstBad;
  while (!reader.AtEnd()) {
    ++record;
    // A record is three items: lane, time text, kind.
    std::string items[kLapRecordItems];
    int got = 0;
    int line = 0;
    while (got < kLapRecordItems && !reader.AtEnd()) {
      items[got++] = reader.ReadItem();
      if (got == 1) line = reader.Line();
    }
    const auto lane = ParseFileNumber(items[0]);
    const bool laneOk = lane && IsLane(*lane);
    if (got < kLapRecordItems) {
      out.problems.push_back("記録 " + std::to_string(record) + " の途中で終わっています");
      // A record cut short by a write in progress or a damaged file: its
      // lane (when readable) misses that record.
      if (laneOk) out.lanesRead[LaneIndex(*lane)] = false;
      break;
    }
    const std::string kind = TrimmedItem(items[2]);
    std::string bad;
    if (!laneOk) {
      bad = "コース " + Quoted(items[0]);
    } else if (!IsLapKind(kind)) {
      bad = "種別 " + Quoted(items[2]);
      out.lanesRead[LaneIndex(*lane)] = false;
    }
    if (!bad.empty()) {
      // Items out of step: one message for the first, a count for the rest.
      if (badRecords++ == 0) {
        firstBad = "記録 " + std::to_string(record) + " (" + std::to_string(line) +
                   " 行目): " + bad + " は読めません";
      }
      continue;
    }
    out.records.push_back({*lane, TrimmedItem(items[1]), kind[0]});
  }
  if (badRecords > 0) {
    if (badRecords > 1) firstBad += " (ほか " + std::to_string(badRecords - 1) + " 件)";
    out.problems.push_back(firstBad);
  }
  return out;
}

std::string LapTimeField(std::string_view text) {
  const std::string t(Unpadded(text));
  return t.size() >= 8 ? t : std::string(8 - t.size(), ' ') + t;
}

std::string FileNumber(long long v) { return SignedDecimal(v) + " "; }

std::string LapRecord(int lane, const std::string& timeText, char kind) {
  std::string time = timeText;
  for (char& ch : time) {
    if (static_cast<unsigned char>(ch) >= 0x80) ch = '?';
  }
  return FileNumber(lane) + "," + time + "," + kind + ",";
}

std::string GoalText(const LaneArray<std::int16_t>& rank, const LaneArray<std::int32_t>& value) {
  std::string goal;
  for (int lane = 1; lane <= kLanes; ++lane) {
    const std::size_t at = LaneIndex(lane);
    goal += FileNumber(rank[at]) + "," + FileNumber(value[at]) + ",";
  }
  return goal;
}

std::string CopiedItems(const std::string& bytes, const std::string& name, int items) {
  ItemReader in = ItemReader::FromText(Cp932ToUtf8(bytes), name);
  std::string out;
  if (items >= 0) {
    for (int k = 0; k < items; ++k) out += in.ReadItem() + ",";
  } else {
    while (!in.AtEnd()) out += in.ReadItem() + ",";
  }
  return Utf8ToCp932(out);
}

LapTouches ParseLapText(const std::string& text) {
  LapTouches out;
  std::vector<std::string> items;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != ',') continue;
    items.push_back(text.substr(start, i - start));
    start = i + 1;
  }
  if (!Unpadded(std::string_view(text).substr(start)).empty()) {
    out.problem = "最後の記録が途中で終わっています";
    return out;
  }
  if (items.size() % kLapRecordItems != 0) {
    out.problem = "記録が途中で終わっています (" + std::to_string(items.size()) + " 項目)";
    return out;
  }
  for (std::size_t i = 0; i < items.size(); i += kLapRecordItems) {
    const std::optional<int> lane = LaneItem(items[i]);
    const std::string_view kind = Unpadded(items[i + 2]);
    const int record = static_cast<int>(i / kLapRecordItems) + 1;
    if (!lane) {
      out.problem = "記録 " + std::to_string(record) + " のコースが読めません";
      return out;
    }
    if (!IsLapKind(kind)) {
      out.problem = "記録 " + std::to_string(record) + " の種別が読めません";
      return out;
    }
    if (items[i + 1].size() > 8) {
      out.problem = "記録 " + std::to_string(record) + " の記録が長すぎます";
      return out;
    }
    out.touches.push_back({*lane, LapTimeField(items[i + 1]), kind[0]});
  }
  return out;
}

std::string LapText(const std::vector<LapTouch>& touches) {
  std::string text;
  for (const LapTouch& t : touches) text += LapRecord(t.lane, t.timeText, t.kind);
  return text;
}

std::optional<std::int32_t> ParseFileNumber(std::string_view item) {
  std::size_t b = 0;
  std::size_t e = item.size();
  while (b < e && (item[b] == ' ' || item[b] == '\0')) ++b;
  while (e > b && (item[e - 1] == ' ' || item[e - 1] == '\0')) --e;
  const std::string_view t = item.substr(b, e - b);
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

bool IsNumberField(std::string_view f) {
  std::size_t i = 0;
  while (i < f.size() && f[i] == ' ') ++i;
  if (i < f.size() && f[i] == '-') ++i;
  const std::size_t digits = i;
  while (i < f.size() && f[i] >= '0' && f[i] <= '9') ++i;
  if (i == digits) return false;
  while (i < f.size() && f[i] == ' ') ++i;
  return i == f.size();
}

bool SplitLapRecords(std::string_view file, std::vector<std::string>* records) {
  std::size_t pos = 0;
  while (pos < file.size()) {
    const std::size_t start = pos;
    std::string_view fields[kLapRecordItems];
    for (auto& f : fields) {
      const std::size_t comma = file.find(',', pos);
      if (comma == std::string_view::npos) return false;
      f = file.substr(pos, comma - pos);
      pos = comma + 1;
    }
    if (!IsNumberField(fields[0])) return false;
    for (char c : fields[1])
      if (c == '"' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return false;
    if (!IsLapKind(fields[2])) return false;
    if (records) records->emplace_back(file.substr(start, pos - start));
  }
  return true;
}

bool IsWholeLapFile(std::string_view file) { return SplitLapRecords(file, nullptr); }

bool IsWholeGoalFile(std::string_view file) {
  int fields = 0;
  std::size_t pos = 0;
  while (pos < file.size()) {
    const std::size_t comma = file.find(',', pos);
    if (comma == std::string_view::npos) return false;
    if (!IsNumberField(file.substr(pos, comma - pos))) return false;
    ++fields;
    pos = comma + 1;
  }
  return fields == kGoalItems;
}

namespace {

// The file's items in groups of `items`, each group with its commas.
std::vector<std::string> ItemGroups(const std::string& bytes, int items) {
  const std::string text = Cp932ToUtf8(bytes);
  std::vector<std::string> groups;
  std::string group;
  int inGroup = 0;
  for (char c : text) {
    group += c;
    if (c != ',') continue;
    if (++inGroup == items) {
      groups.push_back(std::move(group));
      group.clear();
      inGroup = 0;
    }
  }
  if (!group.empty()) groups.push_back(std::move(group));
  return groups;
}

}  // namespace

std::vector<std::string> LapFileRecords(const std::string& bytes) {
  return ItemGroups(bytes, kLapRecordItems);
}

std::vector<std::string> GoalFileRecords(const std::string& bytes) { return ItemGroups(bytes, 2); }

}  // namespace poolside
