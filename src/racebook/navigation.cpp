#include "racebook/navigation.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "platform/controls.h"
#include "platform/cp932.h"
#include "platform/errors.h"
#include "platform/numbers.h"

#include "meetdata/record_layout.h"

namespace poolside {

namespace {

constexpr const char* kNoSmaller = "１より小さいレコードはありません。";
constexpr const char* kNoLarger = "より大きいデータはありません。";

// The highest competition number whose record number (n + 10) still fits
// the meet file's 16-bit record numbers.
constexpr int kLastReadableCompetition = kLastNumberedRecord;

// RaceNo is a 16-bit number: stepping past its range is refused rather than
// wrapped around.
void CheckRaceNo(long long next) {
  if (next < std::numeric_limits<std::int16_t>::min() ||
      next > std::numeric_limits<std::int16_t>::max()) {
    throw OverflowError("レース番号 " + std::to_string(next) +
                        " は扱える範囲 (-32768..32767) を超えています。");
  }
}

}  // namespace

void PrevRace(RaceScreen& screen) {
  RaceBookState& book = screen.Book();
  if (book.RaceNo == 1) {
    screen.Messages().ShowMessage(kNoSmaller);
  } else {
    CheckRaceNo(static_cast<long long>(book.RaceNo) - 1);
    book.RaceNo -= 1;
  }
  screen.ShowRaceHeader();
}

void NextRace(RaceScreen& screen) {
  RaceBookState& book = screen.Book();
  const int count = screen.Meet().CompetitionCount;
  // Equality only: a race already beyond the last competition keeps going.
  if (book.RaceNo == count) {
    screen.Messages().ShowMessage(SignedDecimal(count) + kNoLarger);
  } else {
    CheckRaceNo(static_cast<long long>(book.RaceNo) + 1);
    book.RaceNo += 1;
  }
  screen.ShowRaceHeader();
}

void SelectRace(RaceScreen& screen) {
  TextBox& box = screen.RaceSelectBox();
  const std::string text =
      Utf8Prefix(box.Text(), static_cast<std::size_t>(std::max(0, box.Caret())));
  const std::size_t point = text.find('.');
  if (point != std::string::npos) {
    const std::optional<std::int16_t> program = RoundToInt16(LeadingValue(text.substr(0, point)));
    const std::optional<std::int16_t> heat = RoundToInt16(LeadingValue(text.substr(point + 1)));
    // A number that does not fit a 16-bit field cannot name a competition:
    // the entry is dropped and the race stays as it is.
    if (program && heat) {
      MeetData& meet = screen.Meet();
      RaceBookState& book = screen.Book();
      int wanted = *heat;
      const int last = std::min<int>(meet.CompetitionCount, kLastReadableCompetition);
      for (int n = 1; n <= last; ++n) {
        meet.LoadRaceHeat(n);
        const CompetitionRecord& race = meet.RaceHeat;
        if (race.ProgramNo != *program) continue;
        // A heat number above the event's heat count means its last heat;
        // the lowered number holds for the rest of the search.
        if (race.HeatCount < wanted) wanted = race.HeatCount;
        if (wanted == race.HeatNo) {
          book.RaceNo = n;
          break;
        }
      }
      screen.ShowRaceHeader();
    }
  }
  box.SetText("");
}

bool ShowRaceNumber(RaceScreen& screen, int race) {
  if (race < 1 || race > std::numeric_limits<std::int16_t>::max()) return false;
  screen.Book().RaceNo = race;
  screen.ShowRaceHeader();
  return true;
}

void OnRaceSelectKeyDown(RaceScreen& screen, int keyCode) {
  switch (keyCode) {
    case kKeyUp:
      PrevRace(screen);
      break;
    case kKeyDown:
      NextRace(screen);
      break;
    case kKeyEnter:
      SelectRace(screen);
      break;
    default:
      break;  // ordinary typing
  }
}

}  // namespace poolside
