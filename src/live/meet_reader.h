#pragma once
// Read-only access to the meet's files for the live pages: the meet file,
// the status book, goal and lap files. Every call opens its file for reading,
// reads and closes it; nothing is ever created, written or held open, so the
// timing window and the meet office keep the files to themselves.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "meetdata/competition_record.h"
#include "vocabulary/data_folder.h"

namespace poolside {

// One line of the race list: the header of race n as the timing window
// would show it.
struct RaceListEntry {
  int race = 0;
  std::string status;  // status character, "" when none
  int program = 0;
  int heat = 0;
  int heats = 0;
  std::string sex, raceClass, event, round;  // labels, UTF-8
  std::string roundCode;                     // as stored ("1")
  std::string startTime;                     // "hh:mm" when the meet file has one, else ""
  std::array<std::int32_t, 10> entries{};    // entry number of lanes 1..10, 0 = empty
};

// The most of the meet file that is ever read: the header, the unused
// records and one record per race of the book.
inline constexpr std::size_t kMaxMeetBytes = kMeetRecordLength * (kBookRaces + 11);

// "hh:mm" of a stored six-digit start time (hhmmss); "" when it holds none.
std::string StartTimeText(const std::string& stored);

class MeetReader {
 public:
  // `dataPath` gives the native path of a name in the data folder
  // ("taikai.dat", "goal\\g0007"); `classLabelMode` is the settings text.
  MeetReader(std::function<std::string(std::string_view)> dataPath, std::string classLabelMode);

  // Up to `maxBytes` of the file, or none when it cannot be opened. Sets
  // `problem` to a message naming the file on a failure.
  std::optional<std::string> ReadFile(std::string_view name, std::size_t maxBytes,
                                      std::string* problem = nullptr) const;

  std::string StatusBook() const;  // Race.dat, 1024 characters (NUL where short)
  // Races 1..count of the meet file with their labels and book status.
  std::vector<RaceListEntry> RaceList() const;
  std::optional<CompetitionRecord> Race(int race) const;

 private:
  std::function<std::string(std::string_view)> dataPath_;
  std::string classLabelMode_;
};

}  // namespace poolside
