#include "live/meet_reader.h"

#include <cstring>

#include "format/labels.h"
#include "platform/bytes.h"
#include "platform/file_read.h"
#include "vocabulary/data_folder.h"

namespace poolside {

std::string StartTimeText(const std::string& stored) {
  if (stored.size() < 4) return {};
  for (int i = 0; i < 4; ++i) {
    if (stored[i] < '0' || stored[i] > '9') return {};
  }
  if (stored.compare(0, 4, "0000") == 0) return {};
  return stored.substr(0, 2) + ":" + stored.substr(2, 2);
}

MeetReader::MeetReader(std::function<std::string(std::string_view)> dataPath,
                       std::string classLabelMode)
    : dataPath_(std::move(dataPath)), classLabelMode_(std::move(classLabelMode)) {}

std::optional<std::string> MeetReader::ReadFile(std::string_view name, std::size_t maxBytes,
                                                std::string* problem) const {
  FileReadOptions options;
  options.maxBytes = maxBytes;
  options.prefix = true;  // what is beyond the bound is never needed
  options.regularOnly = false;
  FileRead read = ReadFileBounded(dataPath_(name), options);
  if (read.outcome != FileReadOutcome::Ok) {
    if (problem) *problem = std::string(name) + ": " + std::strerror(read.error);
    return std::nullopt;
  }
  return std::move(read.bytes);
}

std::string MeetReader::StatusBook() const {
  std::string book = ReadFile(kBookFileName, kBookLength).value_or("");
  book.resize(kBookLength, '\0');
  return book;
}

std::optional<CompetitionRecord> MeetReader::Race(int race) const {
  if (race < 1 || race > kBookRaces) return std::nullopt;
  const auto file = ReadFile(kMeetFileName, kMaxMeetBytes);
  if (!file) return std::nullopt;
  if (race > CompetitionCountOf(*file)) return std::nullopt;
  return CompetitionAt(*file, race);
}

std::vector<RaceListEntry> MeetReader::RaceList() const {
  std::vector<RaceListEntry> list;
  const auto file = ReadFile(kMeetFileName, kMaxMeetBytes);
  if (!file) return list;
  const std::string book = StatusBook();
  const int count = std::min<int>(CompetitionCountOf(*file), kBookRaces);
  for (int race = 1; race <= count; ++race) {
    const CompetitionRecord r = CompetitionAt(*file, race);
    RaceListEntry e;
    e.race = race;
    if (book[race - 1] != '\0') e.status = std::string(1, book[race - 1]);
    e.program = r.ProgramNo;
    e.heat = r.HeatNo;
    e.heats = r.HeatCount;
    e.sex = SexLabel(r.SexCode);
    e.raceClass = ClassLabel(r.ClassLow, r.ClassHigh, classLabelMode_);
    e.event = EventLabel(r.EventCode);
    e.round = RoundLabel(r.RoundCode);
    e.roundCode = r.RoundCode;
    e.startTime = StartTimeText(r.StartTime);
    for (int lane = 0; lane < 10; ++lane) e.entries[lane] = r.EntryNo[lane];
    list.push_back(std::move(e));
  }
  return list;
}

}  // namespace poolside
