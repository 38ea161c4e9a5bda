#include <string>

#include "meetdata/meet_data.h"
#include "meetdata/text_field.h"
#include "platform/errors.h"

#include "meetdata/record_layout.h"

namespace poolside {

namespace {

constexpr const char* kMeetFileName = "taikai.dat";

// Record number of competition n. Record numbers are 16-bit: n above 32757
// (and anything that gives no record at all) is refused before any I/O.
std::int64_t CompetitionRecordNo(int n) {
  if (n > kLastNumberedRecord || n + 10 < 1) {
    throw OverflowError("競技番号が範囲外です: " + std::to_string(n) + " (" + kMeetFileName +
                        " のレコード番号は 1 から 32767)");
  }
  return static_cast<std::int64_t>(n) + 10;
}

// hhmmss -> hh:mm:ss, character-wise; a short stored text gives a short part.
std::string DisplayStartTime(const std::string& stored) {
  return Utf8Mid(stored, 0, 2) + ":" + Utf8Mid(stored, 2, 2) + ":" + Utf8Mid(stored, 4, 2);
}

// hh:mm:ss -> hhmmss: characters 1-2, 4-5 and 7-8, whatever stands at 3 and 6.
std::string StoredStartTime(const std::string& display) {
  return Utf8Mid(display, 0, 2) + Utf8Mid(display, 3, 2) + Utf8Mid(display, 6, 2);
}

}  // namespace

void MeetData::LoadMeetHeader() {
  meetFile_.Close();
  meetFile_.Open(DataPath(kMeetFileName), kMeetRecordLength);
  if (meetFile_.Length() <= 10) {
    CompetitionCount = 0;
  } else {
    CompetitionCount = GetInt16(meetFile_.Read(1), 0);
  }
}

void MeetData::CloseMeetFile() { meetFile_.Close(); }

void MeetData::LoadCurrentHeat(int n) {
  const std::int64_t recordNo = CompetitionRecordNo(n);
  if (!meetFile_.IsOpen()) {
    throw IoError(DataPath(kMeetFileName) + ": 大会ファイルが開かれていません (競技 " +
                  std::to_string(n) + " を読めません)");
  }
  CompetitionRecord heat = DecodeCompetitionRecord(meetFile_.Read(recordNo));
  heat.StartTime = DisplayStartTime(heat.StartTime);
  CurrentHeat = std::move(heat);
}

void MeetData::SaveCurrentHeat(int n) {
  const std::int64_t recordNo = CompetitionRecordNo(n);
  if (!meetFile_.IsOpen()) {
    throw IoError(DataPath(kMeetFileName) + ": 大会ファイルが開かれていません (競技 " +
                  std::to_string(n) + " を書けません)");
  }
  meetFile_.Write(recordNo,
                  EncodeCompetitionRecord(CurrentHeat, StoredStartTime(CurrentHeat.StartTime)));
}

void MeetData::LoadRaceHeat(int n) {
  const std::int64_t recordNo = CompetitionRecordNo(n);
  RecordFile file;
  file.Open(DataPath(kMeetFileName), kMeetRecordLength);
  RaceHeat = DecodeCompetitionRecord(file.Read(recordNo));
  file.Close();
}

void MeetData::CloseAll() {
  meetFile_.Close();
  pageFile_.Close();
}

}  // namespace poolside
