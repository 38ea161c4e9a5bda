#include <iostream>
#include <string>

#include "meetdata/meet_data.h"
#include "meetdata/text_field.h"
#include "platform/errors.h"

#include "meetdata/record_layout.h"

namespace poolside {

namespace {

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
  const std::string path = DataPath(kMeetFileName);
  const bool existed = FileExists(path);
  meetFile_.Open(path, kMeetRecordLength);
  if (!existed) {
    Warn(path + ": 大会ファイルがなかったため、空の大会ファイルを作りました (競技 0 件)。");
  }
  const std::uint64_t length = meetFile_.Length();
  if (length <= 10) {
    CompetitionCount = 0;
  } else {
    CompetitionCount = GetInt16(meetFile_.Read(1), 0);
  }
  // Competition n is record n + 10; a count beyond the last whole record
  // means the competitions after it read as empty.
  const std::uint64_t wholeRecords = length / kMeetRecordLength;
  if (CompetitionCount > 0 && wholeRecords < static_cast<std::uint64_t>(CompetitionCount) + 10) {
    const std::uint64_t present = wholeRecords > 10 ? wholeRecords - 10 : 0;
    Warn(path + ": 大会ファイルが競技数 " + std::to_string(CompetitionCount) + " より短く、" +
         std::to_string(present) + " 競技分しかありません (" + std::to_string(length) +
         " バイト)。足りない競技は空として扱います。");
  }
}

void MeetData::Warn(const std::string& text) {
  if (!warned_.insert(text).second) return;
  if (OnWarning) {
    OnWarning(text);
  } else {
    std::cerr << "poolside: 警告: " << text << "\n";
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
  if (OnHeatsChanged) OnHeatsChanged(n);
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
