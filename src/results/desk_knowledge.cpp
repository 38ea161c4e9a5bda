#include "results/desk_knowledge.h"

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

}  // namespace

std::string DeskKnowledgeJson(const DeskKnowledge& known) {
  JsonWriter w;
  w.BeginObject().Key("format").String(kFormat).Key("version").Int(1).Key("races").BeginArray();
  for (const auto& [race, k] : known) {
    w.BeginObject().Key("race").Int(race).Key("finished_at").String(k.finishedAt);
    WriteLanes(w, "withdrawn", k.lanes.withdrawn);
    WriteLanes(w, "no_finish", k.lanes.noFinish);
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
    if (!race || *race < 1 || *race > 1000000 || !ReadLanes(r["withdrawn"], k.lanes.withdrawn) ||
        !ReadLanes(r["no_finish"], k.lanes.noFinish)) {
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
