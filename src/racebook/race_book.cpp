#include "racebook/race_book.h"

#include "platform/record_file.h"
#include "vocabulary/data_folder.h"

namespace poolside {

namespace {

// The status character of race k, or "" where the book has no position.
std::string StatusAt(const RaceBookState& book, int k) {
  if (k < 1 || k > kBookRaces || static_cast<std::size_t>(k) > book.RaceBook.size()) return "";
  return std::string(1, book.RaceBook[static_cast<std::size_t>(k - 1)]);
}

// Replaces the working copy with record 1 of the file (zero-filled).
void ReadBook(MeetData& meet, RaceBookState& book) {
  RecordFile file;
  file.Open(meet.DataPath(kBookFileName), kBookLength);
  const Bytes record = file.Read(1);
  file.Close();
  book.RaceBook.assign(record.begin(), record.end());
  book.RaceBook.resize(kBookLength, '\0');
}

}  // namespace

std::string BookPath(const MeetData& meet) { return meet.DataPath(kBookFileName); }

bool IsCombinedCount(const std::string& stat) {
  return !stat.empty() && stat[0] >= '1' && stat[0] <= '5';
}

void LoadRaceStat(MeetData& meet, RaceBookState& book) {
  ReadBook(meet, book);
  book.RaceStat = StatusAt(book, book.RaceNo);
}

void SaveRaceBook(MeetData& meet, const RaceBookState& book) {
  const std::string path = meet.DataPath(kBookFileName);
  std::string content = book.RaceBook;
  content.resize(kBookLength, '\0');
  // Bytes beyond the book belong to whoever wrote them: keep them.
  if (FileExists(path)) {
    const std::string old = ReadWholeFile(path);
    if (old.size() > kBookLength) content.append(old, kBookLength, std::string::npos);
  }
  // Written beside the old file and renamed over it: a killed program
  // leaves either the old book or the new one, never a part of it.
  ReplaceFileAtomically(path, content);
}

void FindOpenRace(MeetData& meet, RaceBookState& book) {
  ReadBook(meet, book);
  int raceNo = 1;
  for (; raceNo <= kBookRaces; ++raceNo) {
    book.RaceStat = StatusAt(book, raceNo);
    if (!IsRaceDone(book.RaceStat)) break;
  }
  book.RaceNo = raceNo;  // 1025 when every race is done
  if (book.RaceStat == "0") {
    book.RaceNo = meet.CompetitionCount;
    book.RaceStat = StatusAt(book, book.RaceNo);
  }
}

void SetRaceStatus(RaceBookState& book, int k, char status) {
  if (k < 1 || k > kBookRaces) return;
  book.RaceBook.resize(kBookLength, '\0');
  book.RaceBook[static_cast<std::size_t>(k - 1)] = status;
}

}  // namespace poolside
