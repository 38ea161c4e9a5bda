#pragma once
// What the desk's result view shows: the result of the race finished last
// (or of any finished race chosen), read from its files as the export reads
// them, with what the desk knew at the finish (typed withdrawals, lanes
// without a finish). A race feed listener on the window's thread; the Qt
// view only shows Rows() and forwards the race chosen.

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "feed/race_feed.h"
#include "results/race_result.h"

namespace poolside {

struct ResultRow {
  std::string rank;    // "1", "" when not ranked
  int lane = 0;        // 1..10
  std::string result;  // LaneResultText
  std::string mark;    // why the operator should look ("" when nothing is wrong)
  std::string splits;  // "50m 29.50  100m 1:02.34"
};

class ResultBoard : public RaceListener {
 public:
  // `sources` gives the files of race N (taken on the window's thread).
  explicit ResultBoard(std::function<RaceSources(int)> sources) : sources_(std::move(sources)) {}

  // A race finished: shown. Its touches repaired: shown again.
  void OnRaceEvent(const RaceEvent& event) override;
  // Shows race `race` (1..1024).
  void Show(int race);

  int Race() const { return result_.race; }
  const RaceResult& Result() const { return result_; }
  // Ranked lanes by rank, then the other lanes with an entry or a touch.
  std::vector<ResultRow> Rows() const;
  // "レース 3  1組 男子 100m自由形 予選" and its problems, for the heading.
  std::string Heading() const;

  // Told after every change of what is shown.
  std::function<void()> onChange;

 private:
  std::function<RaceSources(int)> sources_;
  std::map<int, DeskLanes> desk_;
  RaceResult result_;
};

}  // namespace poolside
