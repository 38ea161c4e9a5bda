#include "finish/race_files.h"

#include "platform/errors.h"
#include "vocabulary/data_folder.h"

namespace poolside {

std::string GoalPath(const MeetData& meet, int race) { return meet.DataPath(GoalFileName(race)); }

std::string LapPath(const MeetData& meet, int race) { return meet.DataPath(LapFileName(race)); }

std::string GoalText(const Ranking& ranking) { return GoalText(ranking.rank, ranking.time); }

std::optional<std::string> LapFile::Create(const std::string& path) {
  out_.Close();
  writeFailed_ = false;
  try {
    out_.Create(path);
  } catch (const IoError& e) {
    // Reception goes on without a lap file; the appends then do nothing.
    return "ラップファイル " + path + " を作成できません。\r" + e.what();
  }
  return std::nullopt;
}

std::optional<std::string> LapFile::Reopen(const std::string& path) {
  try {
    out_.OpenForAppend(path);
  } catch (const IoError& e) {
    return "ラップファイル " + path + " を開けません。\r" + e.what();
  }
  return std::nullopt;
}

std::optional<std::string> LapFile::Append(int lane, const std::string& timeText, char kind) {
  if (!out_.IsOpen()) return std::nullopt;
  try {
    out_.Write(LapRecord(lane, timeText, kind));
  } catch (const IoError& e) {
    const std::string path = out_.Path();
    out_.Close();
    if (!writeFailed_) {
      writeFailed_ = true;
      return "ラップファイル " + path + " に書き込めません。\r" + e.what();
    }
  }
  return std::nullopt;
}

}  // namespace poolside
