#pragma once
// A race's files in the data folder: the lap file (every lap and finish as
// it is accepted) and the goal file (ranks and times of the ten lanes). Their
// grammar is vocabulary/lap_goal_files.h, their names vocabulary/data_folder.h.

#include <optional>
#include <string>

#include "finish/ranking.h"
#include "meetdata/meet_data.h"
#include "platform/text_output.h"
#include "vocabulary/lap_goal_files.h"

namespace poolside {

// Native paths of GoalFileName and LapFileName ("goal\gNNNN", "lap\rNNNN").
std::string GoalPath(const MeetData& meet, int race);
std::string LapPath(const MeetData& meet, int race);

// The goal file of a ranking: rank and time of lanes 1..10, twenty items.
std::string GoalText(const Ranking& ranking);

// The open lap file of the race being timed. Every record reaches the
// operating system when it is appended. A failure returns the message to
// show; a failed write closes the file, and only the first one of a lap file
// gives a message.
class LapFile {
 public:
  // Creates `path` empty (closing the previous file).
  [[nodiscard]] std::optional<std::string> Create(const std::string& path);
  // Opens `path` again to append (after it was replaced whole by a repair).
  [[nodiscard]] std::optional<std::string> Reopen(const std::string& path);
  // Does nothing when no file is open.
  [[nodiscard]] std::optional<std::string> Append(int lane, const std::string& timeText, char kind);
  void Close() { out_.Close(); }
  bool IsOpen() const { return out_.IsOpen(); }

 private:
  TextOutput out_;
  bool writeFailed_ = false;
};

}  // namespace poolside
