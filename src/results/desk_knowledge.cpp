#include "results/desk_knowledge.h"

#include <algorithm>
#include <cstring>

#include "platform/file_read.h"
#include "platform/file_system.h"
#include "platform/fs_path.h"
#include "platform/record_file.h"
#include "results/json_reader.h"
#include "results/json_writer.h"

namespace poolside {

namespace {

constexpr const char* kFormat = "poolside-desk";
constexpr std::size_t kMaxDeskFileBytes = 4 * 1024 * 1024;

void WriteLanes(JsonWriter& w, const char* key, const LaneArray<bool>& lanes) {
  w.Key(key).BeginArray();
  for (int lane = 1; lane <= kLanes; ++lane) {
    if (lanes[LaneIndex(lane)]) w.Int(lane);
  }
  w.EndArray();
}

bool ReadLanes(const JsonValue& list, LaneArray<bool>& lanes) {
  if (list.IsNull()) return true;
  if (list.type() != JsonValue::Type::Array) return false;
  for (const JsonValue& v : list.Items()) {
    const auto lane = v.OptionalInt();
    if (!lane || !IsLane(static_cast<int>(*lane))) return false;
    lanes[LaneIndex(static_cast<int>(*lane))] = true;
  }
  return true;
}

// Open flags: [{"lane":3,"words":["missed_touch"],"text":"..."}], written
// only when a lane has one.
void WriteFlags(JsonWriter& w, const DeskLanes& lanes) {
  bool any = false;
  for (int lane = 1; lane <= kLanes; ++lane) {
    any = any || !lanes.flags[LaneIndex(lane)].empty() || !lanes.accepted[LaneIndex(lane)].empty();
  }
  if (!any) return;
  w.Key("flags").BeginArray();
  for (int lane = 1; lane <= kLanes; ++lane) {
    const auto at = LaneIndex(lane);
    if (lanes.flags[at].empty() && lanes.accepted[at].empty()) continue;
    w.BeginObject().Key("lane").Int(lane).Key("words").BeginArray();
    for (const std::string& word : lanes.flags[at]) w.String(word);
    w.EndArray().Key("text").String(lanes.flagText[at]);
    if (!lanes.accepted[at].empty()) {
      w.Key("accepted").BeginArray();
      for (const std::string& word : lanes.accepted[at]) w.String(word);
      w.EndArray();
    }
    w.EndObject();
  }
  w.EndArray();
}

bool ReadFlags(const JsonValue& list, DeskLanes& lanes) {
  if (list.IsNull()) return true;
  if (list.type() != JsonValue::Type::Array) return false;
  for (const JsonValue& v : list.Items()) {
    const auto lane = v["lane"].OptionalInt();
    if (!lane || !IsLane(static_cast<int>(*lane))) return false;
    const auto at = LaneIndex(static_cast<int>(*lane));
    for (const JsonValue& word : v["words"].Items()) {
      if (!word.String().empty()) lanes.flags[at].push_back(word.String());
    }
    lanes.flagText[at] = v["text"].String();
    for (const JsonValue& word : v["accepted"].Items()) {
      if (!word.String().empty()) lanes.accepted[at].push_back(word.String());
    }
  }
  return true;
}

// The watches and decisions: [{"lane":4,"watches":[6234],"use":"backup",
// "typed":0,"reason":"","decided_at":""}], written only when a lane has one.
void WriteBackups(JsonWriter& w, const DeskLanes& lanes) {
  if (std::all_of(lanes.backups.begin(), lanes.backups.end(),
                  [](const LaneBackup& b) { return b.Empty(); })) {
    return;
  }
  w.Key("backups").BeginArray();
  for (int lane = 1; lane <= kLanes; ++lane) {
    const LaneBackup& b = lanes.backups[LaneIndex(lane)];
    if (b.Empty()) continue;
    w.BeginObject().Key("lane").Int(lane).Key("watches").BeginArray();
    for (std::int64_t t : b.watches) w.Int(t);
    w.EndArray().Key("use").String(TimeUseWord(b.use)).Key("typed").Int(b.typed);
    w.Key("reason").String(b.reason).Key("decided_at").String(b.decidedAt).EndObject();
  }
  w.EndArray();
}

bool ReadBackups(const JsonValue& list, DeskLanes& lanes) {
  if (list.IsNull()) return true;
  if (list.type() != JsonValue::Type::Array) return false;
  for (const JsonValue& v : list.Items()) {
    const auto lane = v["lane"].OptionalInt();
    if (!lane || !IsLane(static_cast<int>(*lane))) return false;
    LaneBackup& b = lanes.backups[LaneIndex(static_cast<int>(*lane))];
    for (const JsonValue& t : v["watches"].Items()) {
      const auto h = t.OptionalInt();
      if (!h || *h < 1 || b.watches.size() >= kMaxWatches) return false;
      b.watches.push_back(*h);
    }
    const std::string& use = v["use"].String();
    if (!use.empty() && !ParseTimeUse(use, b.use)) return false;
    b.typed = v["typed"].OptionalInt().value_or(0);
    if (b.use == TimeUse::Typed && b.typed < 1) return false;
    b.reason = v["reason"].String();
    b.decidedAt = v["decided_at"].String();
  }
  return true;
}

}  // namespace

std::string DeskKnowledgeJson(const DeskKnowledge& known) {
  JsonWriter w;
  w.BeginObject().Key("format").String(kFormat).Key("version").Int(1).Key("races").BeginArray();
  for (const auto& [race, k] : known) {
    w.BeginObject().Key("race").Int(race).Key("finished_at").String(k.finishedAt);
    WriteLanes(w, "withdrawn", k.lanes.withdrawn);
    WriteLanes(w, "no_finish", k.lanes.noFinish);
    WriteFlags(w, k.lanes);
    WriteBackups(w, k.lanes);
    if (k.official || !k.officialAt.empty()) {
      w.Key("official").Bool(k.official).Key("official_at").String(k.officialAt);
    }
    w.EndObject();
  }
  w.EndArray().EndObject();
  return w.Take() + "\n";
}

DeskKnowledge ParseDeskKnowledge(const std::string& text, std::string& problem) {
  DeskKnowledge known;
  const auto doc = JsonValue::Parse(text);
  if (!doc || (*doc)["format"].String() != kFormat) {
    problem = "机の記録ではありません";
    return known;
  }
  if ((*doc)["version"].Int() != 1) {
    problem = "版 " + std::to_string((*doc)["version"].Int()) + " は読めません";
    return known;
  }
  int skipped = 0;
  for (const JsonValue& r : (*doc)["races"].Items()) {
    const auto race = r["race"].OptionalInt();
    RaceKnowledge k;
    k.finishedAt = r["finished_at"].String();
    k.official = r["official"].Bool();
    k.officialAt = r["official_at"].String();
    if (!race || *race < 1 || *race > 1000000 || !ReadLanes(r["withdrawn"], k.lanes.withdrawn) ||
        !ReadLanes(r["no_finish"], k.lanes.noFinish) || !ReadFlags(r["flags"], k.lanes) ||
        !ReadBackups(r["backups"], k.lanes)) {
      ++skipped;
      continue;
    }
    known[static_cast<int>(*race)] = k;
  }
  if (skipped > 0) problem = "読めないレース " + std::to_string(skipped) + " 件を飛ばしました";
  return known;
}

DeskKnowledge ReadDeskKnowledge(const std::string& path, std::string& problem) {
  FileReadOptions options;
  options.maxBytes = kMaxDeskFileBytes;
  const FileRead read = ReadFileBounded(path, options);
  switch (read.outcome) {
    case FileReadOutcome::Ok:
      break;
    case FileReadOutcome::Missing:
      return {};
    case FileReadOutcome::TooLarge:
      problem = path + ": 大きすぎます (" + std::to_string(read.size) + " バイト)";
      return {};
    case FileReadOutcome::NotAFile:
      problem = path + ": ファイルではありません";
      return {};
    case FileReadOutcome::Failed:
      problem = path + ": 読めません" +
                (read.error != 0 ? " (" + std::string(std::strerror(read.error)) + ")" : "");
      return {};
  }
  std::string why;
  DeskKnowledge known = ParseDeskKnowledge(read.bytes, why);
  if (!why.empty()) problem = path + ": " + why;
  return known;
}

std::string WriteDeskKnowledge(const std::string& path, const DeskKnowledge& known) {
  const std::string folder = NativeFolderOf(path);
  if (!folder.empty()) {
    const FolderMade made = MakeFolder(folder);
    if (!made.ok) {
      return "フォルダを作れません: " + folder +
             (made.notAFolder ? std::string(" (フォルダではないものがあります)")
                              : " (" + std::string(std::strerror(made.error)) + ")");
    }
  }
  try {
    ReplaceFileAtomically(path, DeskKnowledgeJson(known));
  } catch (const std::exception& e) {
    return e.what();
  }
  return "";
}

}  // namespace poolside
