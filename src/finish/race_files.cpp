#include "finish/race_files.h"

#include "platform/errors.h"
#include "platform/numbers.h"

namespace poolside {

namespace {

// Whole numbers in the lap and goal files: sign position, digits, a blank.
std::string NumberField(long long v) { return SignedDecimal(v) + " "; }

std::string RaceDigits(int race) {
  const std::string s = std::to_string(race + 10000LL);
  return s.substr(s.size() - 4);
}

}  // namespace

std::string GoalPath(const MeetData& meet, int race) {
  return meet.DataPath("goal\\g" + RaceDigits(race));
}

std::string LapPath(const MeetData& meet, int race) {
  return meet.DataPath("lap\\r" + RaceDigits(race));
}

std::string GoalText(const Ranking& ranking) {
  std::string goal;
  for (int lane = 1; lane <= kLanes; ++lane) {
    const auto at = static_cast<std::size_t>(lane);
    goal += NumberField(ranking.rank[at]) + "," + NumberField(ranking.time[at]) + ",";
  }
  return goal;
}

std::string LapRecord(int lane, const std::string& timeText, char kind) {
  // The file is ASCII: a noise byte of the console becomes "?".
  std::string time = timeText;
  for (char& ch : time) {
    if (static_cast<unsigned char>(ch) >= 0x80) ch = '?';
  }
  return NumberField(lane) + "," + time + "," + kind + ",";
}

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
