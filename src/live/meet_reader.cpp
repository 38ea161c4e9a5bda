#include "live/meet_reader.h"

#include <cstring>

#include "format/labels.h"
#include "platform/bytes.h"
#include "platform/file_read.h"
#include "vocabulary/data_folder.h"

namespace poolside {

namespace {

constexpr std::size_t kMaxMeetBytes = kMeetRecordLength * (kBookRaces + 11);

std::int16_t Int16At(const std::string& s, std::size_t at) {
  if (at + 2 > s.size()) return 0;
  return static_cast<std::int16_t>(static_cast<unsigned char>(s[at]) |
                                   (static_cast<unsigned char>(s[at + 1]) << 8));
}

Bytes RecordAt(const std::string& file, int k) {
  Bytes record(kMeetRecordLength, 0);
  const std::size_t from = static_cast<std::size_t>(k - 1) * kMeetRecordLength;
  for (std::size_t i = 0; i < kMeetRecordLength && from + i < file.size(); ++i) {
    record[i] = static_cast<std::uint8_t>(file[from + i]);
  }
  return record;
}

}  // namespace

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
  const int count = Int16At(*file, 0);
  if (race > count) return std::nullopt;
  return DecodeCompetitionRecord(RecordAt(*file, race + 10));
}

std::vector<RaceListEntry> MeetReader::RaceList() const {
  std::vector<RaceListEntry> list;
  const auto file = ReadFile(kMeetFileName, kMaxMeetBytes);
  if (!file) return list;
  const std::string book = StatusBook();
  const int count = std::min<int>(Int16At(*file, 0), kBookRaces);
  for (int race = 1; race <= count; ++race) {
    const CompetitionRecord r = DecodeCompetitionRecord(RecordAt(*file, race + 10));
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
    list.push_back(std::move(e));
  }
  return list;
}

}  // namespace poolside
