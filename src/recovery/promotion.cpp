#include "recovery/promotion.h"

#include <map>

#include "vocabulary/data_folder.h"
#include "vocabulary/race_status.h"

namespace poolside {

namespace {

bool DoneInBook(const std::string& book, int race) {
  const auto at = static_cast<std::size_t>(race - 1);
  return at < book.size() && IsDoneStatus(book[at]);
}

}  // namespace

PromotionPlan PlanPromotion(const std::string& book, const std::vector<CapturedRace>& captured) {
  std::map<int, const CapturedRace*> finished, unfinished;
  for (const CapturedRace& c : captured) {
    if (c.race < 1 || c.race > kBookRaces || DoneInBook(book, c.race)) continue;
    if (c.finished) {
      finished[c.race] = &c;
      unfinished.erase(c.race);
    } else if (c.blocks > 0 && finished.count(c.race) == 0) {
      // A stretch that only showed the race (nothing read) is no race swum.
      unfinished[c.race] = &c;
    }
  }
  PromotionPlan plan;
  for (const auto& [race, c] : finished) plan.retime.push_back({race, *c});
  for (const auto& [race, c] : unfinished) plan.open.push_back(*c);
  return plan;
}

std::string PromotionJournalLine(const std::string& when, const std::string& host,
                                 const std::string& user, const std::string& from,
                                 const PromotionPlan& plan) {
  std::string line =
      when + " promoted host=" + host + " user=" + user + " from=" + from + " retimed=";
  for (std::size_t i = 0; i < plan.retime.size(); ++i) {
    line += (i ? "," : "") + std::to_string(plan.retime[i].race);
  }
  line += " open=";
  for (std::size_t i = 0; i < plan.open.size(); ++i) {
    line += (i ? "," : "") + std::to_string(plan.open[i].race);
  }
  return line;
}

}  // namespace poolside
