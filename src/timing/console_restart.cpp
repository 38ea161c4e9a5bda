#include <string>
#include <utility>
#include <vector>

#include "finish/race_close.h"
#include "timing/race_window.h"

namespace poolside {

std::string ConsoleRestartQuestion(int race, int touches) {
  return "計時盤の時計がゴールのないまま戻り、また動き出しました (計時盤の再起動)。\r"
         "レース " +
         std::to_string(race) + " にはここまでに " + std::to_string(touches) +
         " 件のタッチがあります。新しい計時は、選ぶまでレースに入れずに保留しています "
         "(キャプチャには残っています)。\r"
         "「" +
         race_texts::kSwumAgain +
         "」: ラップファイルを空にしてコースを消し、新しい計時でやり直します。\r"
         "「" +
         race_texts::kSameRace +
         "」: すべて残して続けます (タッチは要確認になります)。\r"
         "「" +
         race_texts::kNextRace +
         "」: このレースは未終了のまま残し、次のレースで新しい計時を受けます。";
}

void RaceWindow::PostConsoleRestartQuestion() {
  if (restart_.asking) return;
  restart_.asking = true;
  const unsigned generation = generation_;
  host_.Post([this, generation] {
    restart_.asking = false;
    if (generation == generation_) AskConsoleRestart();
  });
}

void RaceWindow::AskConsoleRestart() {
  if (!restart_.holding || restart_.asking) return;
  int touches = 0;
  for (int lane = 1; lane <= kLanes; ++lane) touches += reception_.LapCount(lane);
  // No default: until a button is chosen the run stays held (a block that
  // arrives asks again).
  restart_.asking = true;
  const int choice = messages_.AskChoice(
      ConsoleRestartQuestion(book_.RaceNo, touches),
      {race_texts::kSwumAgain, race_texts::kSameRace, race_texts::kNextRace}, -1, -1);
  restart_.asking = false;
  if (choice < 0 || choice > 2) return;
  ResolveConsoleRestart(static_cast<RaceRestarted::Choice>(choice));
}

void RaceWindow::ResolveConsoleRestart(RaceRestarted::Choice choice) {
  if (!restart_.holding || choice == RaceRestarted::Choice::Held) return;
  restart_.holding = false;
  const std::vector<std::string> held = std::exchange(restart_.held, {});
  const int race = book_.RaceNo;
  switch (choice) {
    case RaceRestarted::Choice::StartOver:
      StartRaceOver(true);
      break;
    case RaceRestarted::Choice::SameRace:
      feed_->Publish(RaceRestarted{race, choice, true});
      break;
    case RaceRestarted::Choice::NextRace:
      // This race stays unfinished with its touches; the next open race
      // takes the new run.
      feed_->Publish(RaceRestarted{race, choice, true});
      lap_.Close();
      AdvanceToNextOpenRace(book_);
      ShowRaceHeader();
      OpenLapOfRaceOnScreen();
      break;
  }
  for (const std::string& block : held) TakeBlock(block);
  if (choice == RaceRestarted::Choice::SameRace) {
    // The runs before and after the restart are one race now: every lane
    // with touches is for the operator to look at.
    for (int lane = 1; lane <= kLanes; ++lane) {
      if (reception_.LapCount(lane) == 0) continue;
      feed_->Publish(LaneFlagged{race, lane, LaneFlagged::Reason::ConsoleRestart,
                                 "計時盤の再起動をはさんだタッチ"});
    }
  }
}

void RaceWindow::ReplayRestart(const RaceRestarted& restarted) {
  if (restarted.choice == RaceRestarted::Choice::Held) return;  // the window holds by itself
  if (restarted.console && restart_.holding) {
    ResolveConsoleRestart(restarted.choice);
  } else if (restarted.choice == RaceRestarted::Choice::StartOver) {
    StartRaceOver(restarted.console);
  }
}

void RaceWindow::StartRaceOver(bool console) {
  openLap();
  ClearLanes();
  reception_.RestoreFilter(0, "", '\0');
  feed_->Publish(RaceRestarted{book_.RaceNo, RaceRestarted::Choice::StartOver, console});
  PublishRaceShown();
}

void RaceWindow::ForgetTouchesOnScreen() {
  ClearLanes();
  reception_.RestoreFilter(0, "", '\0');
}

void RaceWindow::OpenLapOfRaceOnScreen() {
  const LapOnScreen held = ReadLapOnScreen();
  if (held.touches.empty()) {
    openLap();
    return;
  }
  RestoreLanes(held.touches);
  if (auto problem = lap_.Reopen(LapPath(meet_, book_.RaceNo))) Report(*problem);
}

}  // namespace poolside
