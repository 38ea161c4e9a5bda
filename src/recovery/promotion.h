#pragma once
// Promoting the second desk: which of the races it captured go to the
// desk's folder. A race the desk had finished keeps the desk's files; a
// race the desk had not finished (the one in the water when it was lost,
// and every race after it) is re-timed from the second desk's capture when
// the capture holds its finish. A race whose stretch ends without a finish
// (still in the water when the second desk ended) is left open and named,
// so that nobody finishes a race that was not over.

#include <string>
#include <vector>

#include "capture/captured_races.h"

namespace poolside {

struct PromotedRace {
  int race = 0;
  CapturedRace captured;  // the stretch re-timed into it
};

struct PromotionPlan {
  std::vector<PromotedRace> retime;  // in race order
  std::vector<CapturedRace> open;    // captured, not finished there, not done in the book
};

// `book`: the desk's status book as it is now (its bytes); `captured`: the
// second desk's captured races in capture order. For each race, the last
// finished stretch counts (a race shown again and swum again).
PromotionPlan PlanPromotion(const std::string& book, const std::vector<CapturedRace>& captured);

// The promotion's line of the journal (`promotion.log` in the folder
// promoted into): when, who, from which folder, what was re-timed and what
// was left open.
std::string PromotionJournalLine(const std::string& when, const std::string& host,
                                 const std::string& user, const std::string& from,
                                 const PromotionPlan& plan);

inline constexpr const char* kPromotionJournalName = "promotion.log";

}  // namespace poolside
