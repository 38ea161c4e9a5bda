#pragma once
// The logic of the desk's backup window (F9, menu 修正 → 予備計時): one
// race's lanes with their watches and official times, a lane's watches
// recorded, its time decided, and the race signed off (F10, menu 修正 →
// 公式にする), each asked first where the race is official or lanes are
// left flagged. Changes go on the desk's feed, so that the result's owner,
// the capture, the export, the pages and the broker follow them as any
// change of a race. The Qt window only shows and forwards.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "feed/race_feed.h"
#include "meetdata/meet_data.h"
#include "platform/messages.h"
#include "results/backup_sheet.h"
#include "results/race_results.h"

namespace poolside {

class BackupPanel : public RaceListener {
 public:
  BackupPanel(const MeetData& meet, RaceResults& results, RaceFeed& feed, MessageSink& messages)
      : meet_(meet), results_(results), feed_(feed), messages_(messages) {}

  void Select(int race);
  int Race() const { return race_; }
  // The race's result now (never null once a race is selected).
  std::shared_ptr<const RaceResult> Result() const;
  std::vector<BackupRow> Rows() const;
  // "公式 2026-12-09T10:25:00+09:00" or "速報".
  std::string State() const;

  // Lane `lane`'s watches, typed as the time boxes read them (blank ones
  // skipped). False with a message when they cannot be recorded.
  bool Record(int lane, const std::vector<std::string>& watches);
  // Lane `lane`'s official time: "console", "backup" or a typed time, with
  // the reason. Asks first when the race is official. The slip follows.
  bool Decide(int lane, const std::vector<std::string>& watches, const std::string& use,
              const std::string& reason);
  // Signs the race off, asking first (naming the flagged lanes without a
  // decision). The slip follows.
  bool SignOff();

  // After a decision or a sign-off: the slip of the race's result.
  std::function<void(const RaceResult&)> onSlip;

  // Attached to the desk's feed: a change of the race selected told by the
  // owner (a repair, a recovery, a finish, a decision made elsewhere) calls
  // `onChanged`, so that the window shows the race as it is now.
  void OnRaceEvent(const RaceEvent& event) override;
  std::function<void()> onChanged;

 private:
  bool Change(int lane, const std::vector<std::string>& watches, const std::string& use,
              const std::string& reason);

  const MeetData& meet_;
  RaceResults& results_;
  RaceFeed& feed_;
  MessageSink& messages_;
  int race_ = 0;
};

}  // namespace poolside
