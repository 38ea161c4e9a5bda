#include <algorithm>
#include <string>
#include <vector>

#include "format/key_sort.h"
#include "platform/cp932.h"
#include "platform/errors.h"
#include "platform/item_reader.h"
#include "platform/numbers.h"
#include "platform/record_file.h"
#include "racebook/race_book.h"
#include "timing/race_window.h"

namespace poolside {

namespace {

// Whole numbers in the lap and goal files: sign position, digits, a blank.
std::string NumberField(long long v) { return SignedDecimal(v) + " "; }

std::string LastChars(const std::string& s, std::size_t n) {
  return s.size() <= n ? s : s.substr(s.size() - n);
}

bool InBook(int raceNo) { return raceNo >= 1 && raceNo <= kBookRaces; }

// The highest race whose number text (race + 10000) still fits 16 bits.
constexpr int kLastRaceNumber = 22767;

}  // namespace

std::string RaceWindow::RaceNumberText() const {
  return LastChars(std::to_string(static_cast<long long>(book_.RaceNo) + 10000), 4);
}

std::string RaceWindow::GoalPath(int raceNo) const {
  return meet_.DataPath("goal\\g" + LastChars(std::to_string(raceNo + 10000LL), 4));
}

std::string RaceWindow::LapPath(int raceNo) const {
  return meet_.DataPath("lap\\r" + LastChars(std::to_string(raceNo + 10000LL), 4));
}

void RaceWindow::openLap() {
  log_.Close();
  lapWriteFailed_ = false;
  const std::string path = LapPath(book_.RaceNo);
  try {
    log_.Create(path);
  } catch (const IoError& e) {
    // Reception goes on without a lap file; the appends then do nothing.
    Report("ラップファイル " + path + " を作成できません。\r" + e.what());
  }
}

void RaceWindow::appendLapRecord(int lane, const std::string& timeText, char kind) {
  if (!log_.IsOpen()) return;
  // The file is ASCII: a noise byte of the console becomes "?".
  std::string time = timeText;
  for (char& ch : time) {
    if (static_cast<unsigned char>(ch) >= 0x80) ch = '?';
  }
  const std::string record = NumberField(lane) + "," + time + "," + kind + ",";
  try {
    log_.Write(record);
  } catch (const IoError& e) {
    const std::string path = log_.Path();
    log_.Close();
    if (!lapWriteFailed_) {
      lapWriteFailed_ = true;
      Report("ラップファイル " + path + " に書き込めません。\r" + e.what());
    }
  }
}

void RaceWindow::FinishRace() {
  // Keys whose character order is the ranking order: time right-aligned in
  // six characters, then the lane in two.
  std::vector<std::string> keys(kLanes + 1);
  for (int lane = 1; lane <= kLanes; ++lane) {
    keys[lane] = LastChars("      " + std::to_string(LaneTime[lane]), 6) +
                 LastChars(std::to_string(lane + 100), 2);
  }
  SortStrings(keys, kLanes);
  long long previous = 0;
  int rank = 0;
  for (int a = 1; a <= kLanes; ++a) {
    const int lane = std::stoi(keys[a].substr(6, 2));
    const long long time = static_cast<long long>(LeadingValue(keys[a].substr(0, 6)));
    if (time != previous) {
      previous = time;
      rank = a;
    }
    if (lane >= 1 && lane <= kLanes) LaneRank[lane] = static_cast<std::int16_t>(rank);
  }
  for (int lane = 1; lane <= kLanes; ++lane) {
    if (LaneTime[lane] > 666666) LaneRank[lane] = 0;
    if (LaneTime[lane] > 777777) LaneTime[lane] = 888888;
  }

  // The goal file is either absent or complete. A race whose goal file
  // failed is not marked done and stays current with its lap file open.
  std::string goal;
  for (int lane = 1; lane <= kLanes; ++lane) {
    goal += NumberField(LaneRank[lane]) + "," + NumberField(LaneTime[lane]) + ",";
  }
  const std::string goalPath = GoalPath(book_.RaceNo);
  try {
    ReplaceFileAtomically(goalPath, goal);
  } catch (const IoError& e) {
    Report("ゴールファイル " + goalPath + " を書き込めません。レースは終了していません。\r" +
           e.what());
    return;
  }

  try {
    LoadRaceStat(meet_, book_);
    if (InBook(book_.RaceNo)) {
      const char before = book_.RaceBook[static_cast<std::size_t>(book_.RaceNo - 1)];
      SetRaceStatus(book_, book_.RaceNo, '6');
      try {
        SaveRaceBook(meet_, book_);
      } catch (...) {
        SetRaceStatus(book_, book_.RaceNo, before);
        throw;
      }
    } else {
      book_.RaceStat.clear();
    }
  } catch (const IoError& e) {
    // The goal file stays; the race stays current with its lap file open
    // until the book can be saved.
    Report("レース状況ファイル " + BookPath(meet_) + " を保存できません。ゴールファイル " +
           goalPath + " は書き込みましたが、レース " + std::to_string(book_.RaceNo) +
           " は終了済みになっていません。\rフォルダーに書き込めるようにしてから「確定」を押して"
           "ください。\r" +
           e.what());
    return;
  }
  log_.Close();

  RaceFinished finished;
  finished.race = book_.RaceNo;
  for (int lane = 1; lane <= kLanes; ++lane) {
    finished.rank[lane - 1] = LaneRank[lane];
    finished.time[lane - 1] = LaneTime[lane];
  }
  finished.goalFile = goalPath;
  finished.lapFile = LapPath(book_.RaceNo);
  const std::string stat = book_.RaceStat;
  const bool combined = stat.size() == 1 && stat[0] >= '2' && stat[0] <= '5';
  if (combined) {
    const int last = std::min(book_.RaceNo + (stat[0] - '0') - 1, kBookRaces);
    for (int target = book_.RaceNo + 1; target <= last; ++target) {
      finished.combinedTargets.push_back(target);
    }
  }
  // Published once the race is marked done; the status changes (the race
  // and its combined copies) follow, then the next race shown.
  feed_->Publish(finished);
  if (combined) CopyCombinedRaceLogs();
  PublishBookChanges();

  do {
    if (book_.RaceNo >= kLastRaceNumber) break;
    ++book_.RaceNo;
    book_.RaceStat = InBook(book_.RaceNo)
                         ? book_.RaceBook.substr(static_cast<std::size_t>(book_.RaceNo - 1), 1)
                         : std::string();
  } while (IsDone(book_.RaceStat));

  ShowRaceHeader();
  openLap();
}

void RaceWindow::CopyCombinedRaceLogs() {
  const int r = book_.RaceNo;
  const int n = book_.RaceStat[0] - '0';
  // Races beyond the book have no status: the copies stop at its end.
  int last = r + n - 1;
  if (last > kBookRaces) last = kBookRaces;

  std::vector<bool> goalCopied(static_cast<std::size_t>(n + 1), false);
  for (int target = r + 1; target <= last; ++target) {
    const std::string to = GoalPath(target);
    try {
      ItemReader in;
      in.Open(GoalPath(r));
      std::string out;
      for (int field = 0; field < 2 * kLanes; ++field) out += in.ReadItem() + ",";
      ReplaceFileAtomically(to, Utf8ToCp932(out));
      goalCopied[static_cast<std::size_t>(target - r)] = true;
    } catch (const IoError& e) {
      Report("ゴールファイル " + to + " を書き込めません。\r" + e.what());
    }
  }
  for (int target = r + 1; target <= last; ++target) {
    const std::string to = LapPath(target);
    try {
      ItemReader in;
      in.Open(LapPath(r));
      std::string out;
      while (!in.AtEnd()) out += in.ReadItem() + ",";
      ReplaceFileAtomically(to, Utf8ToCp932(out));
    } catch (const IoError& e) {
      Report("ラップファイル " + to + " を書き込めません。\r" + e.what());
    }
    // Done means the goal file is there.
    if (goalCopied[static_cast<std::size_t>(target - r)]) SetRaceStatus(book_, target, '6');
  }
  SaveRaceBook(meet_, book_);
}

}  // namespace poolside
