#include "racebook/combined_setup.h"

#include <algorithm>
#include <string>

#include "platform/bytes.h"
#include "platform/record_file.h"

#include "meetdata/record_layout.h"

namespace poolside {

namespace {

constexpr const char* kQuestion = "データを初期化(結合レースのセット)します。";
// Entry k is record k + 10, a 16-bit record number.
constexpr int kLastEntry = kLastNumberedRecord;
// A group's count is one digit, and the race finish copies at most five.
constexpr int kMaxCombined = 5;

// Offsets in a program order entry.
constexpr std::size_t kPjNo = 0;
constexpr std::size_t kPjHeatCount = 2;
constexpr std::size_t kPjFirstRace = 24;
constexpr std::size_t kPjCombined = 30;

std::string OverFiveMessage(int groupRace, int groupSize) {
  return "レースＮｏ．" + std::to_string(groupRace) + "は、５レースを超えています。" + "\r" +
         std::to_string(groupSize) + "レースを５レースにセットします。" + "\r" +
         "（自動入力時の運用に注意してください。）";
}

}  // namespace

void SetupCombinedRaces(RaceScreen& screen) {
  if (!screen.Messages().AskOkCancel(kQuestion)) return;

  // Works on a copy of the book in memory (not reloaded first) and takes it
  // over only once it is saved, so a failure leaves the book as it was.
  RaceBookState next = screen.Book();
  RecordFile order;
  order.Open(screen.Meet().DataPath(kProgramOrderFileName), kProjunRecordLength);
  int entries = 0;
  if (order.Length() > 10) entries = GetInt16(order.Read(1), 0);
  entries = std::min(entries, kLastEntry);  // a negative count gives no entries

  int groupRace = 1;
  int groupSize = 0;
  for (int k = 1; k <= entries; ++k) {
    const Bytes entry = order.Read(k + 10);
    if (GetInt16(entry, kPjNo) == 0) continue;
    const int firstRace = GetInt16(entry, kPjFirstRace);
    // Positions outside the book are skipped by SetRaceStatus.
    SetRaceStatus(next, firstRace, '1');
    ++groupSize;
    if (groupSize == 1) groupRace = firstRace + GetInt16(entry, kPjHeatCount) - 1;
    if (GetInt16(entry, kPjCombined) != 0) continue;
    if (groupSize > kMaxCombined) {
      screen.Messages().ShowMessage(OverFiveMessage(groupRace, groupSize));
      groupSize = kMaxCombined;
    }
    SetRaceStatus(next, groupRace, static_cast<char>('0' + groupSize % 10));
    groupSize = 0;
  }
  SaveRaceBook(screen.Meet(), next);
  order.Close();
  screen.Book().RaceBook = next.RaceBook;
}

}  // namespace poolside
