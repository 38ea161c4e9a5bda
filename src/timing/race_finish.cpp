#include <string>

#include "finish/race_close.h"
#include "format/time_values.h"
#include "timing/race_window.h"

namespace poolside {

void RaceWindow::openLap() {
  if (auto problem = lap_.Create(LapPath(meet_, book_.RaceNo))) Report(*problem);
}

void RaceWindow::AppendLap(int lane, const std::string& timeText, char kind) {
  if (auto problem = lap_.Append(lane, timeText, kind)) Report(*problem);
}

void RaceWindow::FinishRace() {
  const FinishReport report = [this](const std::string& text) { Report(text); };
  const FinishOutcome outcome = CloseRace(meet_, book_, reception_.FinishTimes(), lap_, report);
  LaneArray<bool> noFinish{};
  LaneArray<bool> withdrawn{};  // 8 typed: the one 888888 that is a withdrawal
  for (int lane = 1; lane <= kLanes; ++lane) {
    noFinish[LaneIndex(lane)] = reception_.NoFinish(lane);
    withdrawn[LaneIndex(lane)] = reception_.Typed(lane) && reception_.LaneTime(lane) == kWithdrawn;
  }
  reception_.SetRanking(outcome.ranking.rank, outcome.ranking.time);
  if (!outcome.done) return;
  if (const std::string notice = NoFinishNotice(book_.RaceNo, noFinish); !notice.empty()) {
    messages_.Warn(notice);
  }

  // Published once the race is marked done; the status changes (the race
  // and its combined copies) follow, then the next race shown.
  RaceFinished finished;
  finished.race = book_.RaceNo;
  for (std::size_t i = 0; i < kLanes; ++i) {
    finished.rank[i] = outcome.ranking.rank[i];
    finished.time[i] = outcome.ranking.time[i];
  }
  finished.noFinish = noFinish;
  finished.withdrawn = withdrawn;
  finished.goalFile = outcome.goalFile;
  finished.lapFile = outcome.lapFile;
  finished.combinedTargets = outcome.combinedTargets;
  feed_->Publish(finished);
  if (!outcome.combinedTargets.empty()) CopyCombinedRace(meet_, book_, report);
  PublishBookChanges();

  AdvanceToNextOpenRace(book_);
  ShowRaceHeader();
  openLap();
}

}  // namespace poolside
