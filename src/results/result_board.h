#pragma once
// What the desk's result view shows: the result of the race finished last
// (or of any race chosen), as the result's owner tells it (the same result
// as the export, the pages and the broker). A race feed listener on the
// window's thread; the Qt view only shows Rows() and forwards the race
// chosen.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "feed/race_feed.h"
#include "results/race_result.h"

namespace poolside {

struct ResultRow {
  std::string rank;  // "1", "" when not ranked
  int lane = 0;      // 1..10
  std::string name;  // the entry list's name, in full ("" when none)
  std::string club;
  std::string result;    // LaneResultText
  std::string mark;      // why the operator should look ("" when nothing is wrong)
  std::string splits;    // "50m 29.50  100m 1:02.34"
  bool flagged = false;  // an open flag: the operator can accept the lane as it is
};

class ResultBoard : public RaceListener {
 public:
  // `results` gives race N's result from the owner (RaceResults::ResultOf).
  explicit ResultBoard(std::function<std::shared_ptr<const RaceResult>(int)> results)
      : results_(std::move(results)) {}

  // A race finished, recovered or repaired: shown. Any other change of the
  // race shown: shown again.
  void OnRaceEvent(const RaceEvent& event) override;
  // Shows race `race` (1..1024).
  void Show(int race);

  int Race() const { return result_.race; }
  const RaceResult& Result() const { return result_; }
  // Ranked lanes by rank, then the other lanes with an entry or a touch.
  std::vector<ResultRow> Rows() const;
  // The event that accepts lane `lane` of the race shown as it is (to be
  // published on the feed); none when the lane has no open flag.
  std::optional<LaneFlagged> Accept(int lane) const;
  // "レース 3  1組 男子 100m自由形 予選" and its problems, for the heading.
  std::string Heading() const;

  // Told after every change of what is shown.
  std::function<void()> onChange;

 private:
  std::function<std::shared_ptr<const RaceResult>(int)> results_;
  RaceResult result_;
};

// Where the touch repair dialog opens: the race on screen once one of its
// lanes has a touch (`laps`: each lane's touches so far); before that the
// race the result view shows (the one finished last), at its first lane
// without a finish, or lane 1.
struct RepairStart {
  int race = 0;
  int lane = 1;
};
RepairStart RepairDialogStart(int raceOnScreen, const LaneArray<int>& laps,
                              const ResultBoard& board);

}  // namespace poolside
