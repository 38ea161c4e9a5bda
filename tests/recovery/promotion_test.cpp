// Which captured races a promotion re-times: only races the desk's book
// does not mark done, the last finished stretch of each, and a stretch
// without a finish left open (never finished by the promotion).
#include <gtest/gtest.h>

#include "recovery/promotion.h"

namespace poolside {
namespace {

CapturedRace Stretch(int index, int race, bool finished, std::size_t blocks = 10) {
  CapturedRace c;
  c.index = index;
  c.race = race;
  c.finished = finished;
  c.blocks = blocks;
  return c;
}

TEST(PlanPromotion, RetimesOnlyWhatTheDeskHadNotFinishedFromItsLastFinishedStretch) {
  std::string book(1024, '0');
  book[2] = '6';  // race 3 done by the desk
  book[3] = '1';  // race 4 in the water when the desk was lost
  const PromotionPlan plan =
      PlanPromotion(book, {Stretch(1, 3, true), Stretch(2, 4, true), Stretch(3, 5, false, 4),
                           Stretch(4, 5, true), Stretch(5, 6, false, 7), Stretch(6, 7, false, 0)});
  ASSERT_EQ(plan.retime.size(), 2u);
  EXPECT_EQ(plan.retime[0].race, 4);
  EXPECT_EQ(plan.retime[0].captured.index, 2);
  // Race 5 was stopped once and swum again: the finished stretch.
  EXPECT_EQ(plan.retime[1].race, 5);
  EXPECT_EQ(plan.retime[1].captured.index, 4);
  // Race 6 was still in the water; race 7 only put on screen.
  ASSERT_EQ(plan.open.size(), 1u);
  EXPECT_EQ(plan.open[0].race, 6);
  EXPECT_EQ(PromotionJournalLine("2026-12-10 10:00:00", "pc2", "timer", "/srv/shadow", plan),
            "2026-12-10 10:00:00 promoted host=pc2 user=timer from=/srv/shadow retimed=4,5 open=6");
}

TEST(PlanPromotion, AFinishedStretchIsKeptOverALaterUnfinishedOne) {
  const PromotionPlan plan =
      PlanPromotion(std::string(1024, '0'), {Stretch(1, 4, true), Stretch(2, 4, false)});
  ASSERT_EQ(plan.retime.size(), 1u);
  EXPECT_EQ(plan.retime[0].captured.index, 1);
  EXPECT_TRUE(plan.open.empty());
  // Race numbers beyond the book are no race of it.
  EXPECT_TRUE(PlanPromotion("", {Stretch(1, 2000, true)}).retime.empty());
}

}  // namespace
}  // namespace poolside
