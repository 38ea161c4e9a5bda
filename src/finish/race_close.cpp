#include "finish/race_close.h"

#include <algorithm>

#include "platform/errors.h"
#include "platform/record_file.h"
#include "vocabulary/data_folder.h"
#include "vocabulary/lap_goal_files.h"

namespace poolside {

namespace {

bool InBook(int raceNo) { return raceNo >= 1 && raceNo <= kBookRaces; }

}  // namespace

FinishOutcome CloseRace(MeetData& meet, RaceBookState& book, const LaneArray<std::int32_t>& times,
                        LapFile& lap, const FinishReport& report) {
  FinishOutcome out;
  out.ranking = RankLanes(times);
  out.goalFile = GoalPath(meet, book.RaceNo);
  out.lapFile = LapPath(meet, book.RaceNo);

  // The goal file is either absent or complete. A race whose goal file
  // failed is not marked done and stays current with its lap file open.
  try {
    ReplaceFileAtomically(out.goalFile, GoalText(out.ranking));
  } catch (const IoError& e) {
    report("ゴールファイル " + out.goalFile + " を書き込めません。レースは終了していません。\r" +
           e.what());
    return out;
  }

  try {
    LoadRaceStat(meet, book);
    if (InBook(book.RaceNo)) {
      const char before = book.RaceBook[static_cast<std::size_t>(book.RaceNo - 1)];
      SetRaceStatus(book, book.RaceNo, '6');
      try {
        SaveRaceBook(meet, book);
      } catch (...) {
        SetRaceStatus(book, book.RaceNo, before);
        throw;
      }
    } else {
      book.RaceStat.clear();
    }
  } catch (const IoError& e) {
    // The goal file stays; the race stays current with its lap file open
    // until the book can be saved.
    report("レース状況ファイル " + BookPath(meet) + " を保存できません。ゴールファイル " +
           out.goalFile + " は書き込みましたが、レース " + std::to_string(book.RaceNo) +
           " は終了済みになっていません。\rフォルダーに書き込めるようにしてから「確定」を押して"
           "ください。\r" +
           e.what());
    return out;
  }
  lap.Close();
  out.done = true;

  const std::string& stat = book.RaceStat;
  if (stat.size() == 1 && stat[0] >= '2' && stat[0] <= '5') {
    // Races beyond the book have no status: the copies stop at its end.
    const int last = std::min(book.RaceNo + (stat[0] - '0') - 1, kBookRaces);
    for (int target = book.RaceNo + 1; target <= last; ++target) {
      out.combinedTargets.push_back(target);
    }
  }
  return out;
}

void CopyCombinedRace(MeetData& meet, RaceBookState& book, const FinishReport& report) {
  const int r = book.RaceNo;
  const int n = book.RaceStat[0] - '0';
  const int last = std::min(r + n - 1, kBookRaces);

  std::vector<bool> goalCopied(static_cast<std::size_t>(n + 1), false);
  for (int target = r + 1; target <= last; ++target) {
    const std::string to = GoalPath(meet, target);
    try {
      const std::string from = GoalPath(meet, r);
      ReplaceFileAtomically(to, CopiedItems(GoalFileBytes(from), from, kGoalItems));
      goalCopied[static_cast<std::size_t>(target - r)] = true;
    } catch (const IoError& e) {
      report("ゴールファイル " + to + " を書き込めません。\r" + e.what());
    }
  }
  for (int target = r + 1; target <= last; ++target) {
    const std::string to = LapPath(meet, target);
    try {
      const std::string from = LapPath(meet, r);
      ReplaceFileAtomically(to, CopiedItems(LapFileBytes(from), from));
    } catch (const IoError& e) {
      report("ラップファイル " + to + " を書き込めません。\r" + e.what());
    }
    // Done means the goal file is there.
    if (goalCopied[static_cast<std::size_t>(target - r)]) SetRaceStatus(book, target, '6');
  }
  SaveRaceBook(meet, book);
}

std::string NoFinishNotice(int race, const LaneArray<bool>& noFinish) {
  std::string lanes;
  for (int lane = 1; lane <= kLanes; ++lane) {
    if (!noFinish[LaneIndex(lane)]) continue;
    if (!lanes.empty()) lanes += "・";
    lanes += std::to_string(lane);
  }
  if (lanes.empty()) return "";
  return "レース " + std::to_string(race) + ": " + lanes +
         " コースはゴールが検出されませんでした (最後のタッチがラップです)。\r"
         "記録なし (順位 0) として書き込みました。タイムを入力するか、タッチを修正してください。";
}

void AdvanceToNextOpenRace(RaceBookState& book) {
  do {
    if (book.RaceNo >= kLastRace) break;
    ++book.RaceNo;
    book.RaceStat = InBook(book.RaceNo)
                        ? book.RaceBook.substr(static_cast<std::size_t>(book.RaceNo - 1), 1)
                        : std::string();
  } while (IsRaceDone(book.RaceStat));
}

}  // namespace poolside
