// The repair dialog's logic: the lane's touches, a preview that writes
// nothing, an apply that asks first.
#include "timing/touch_repair_panel.h"

#include <gtest/gtest.h>

#include "timing/race_rig.h"

namespace poolside::testing {
namespace {

TEST(TouchRepairPanel, ListsPreviewsAndAppliesAfterAsking) {
  RaceRig rig;
  rig.WriteBook("1111");
  rig.Show(1);
  rig.Start();
  rig.Deliver(ResultLine('3', '1', "   30.00", 'L'));
  rig.Deliver(ResultLine('3', '1', "   31.00", 'L'));  // a hand on the pad
  TouchRepairPanel panel(*rig.w, rig.messages);
  ASSERT_TRUE(panel.Select(1, 3));
  EXPECT_EQ(panel.Lines(), (std::vector<std::string>{"1 30.00 L 30.00", "2 31.00 L 1.00"}));

  const std::string lap = rig.Lap(1);
  EXPECT_NE(panel.Preview(RepairKind::Drop, 2, "").find(" 3 ,   30.00,L,\n"), std::string::npos);
  EXPECT_NE(panel.Preview(RepairKind::InsertAfter, 1, "1:75.00").find("読めません"),
            std::string::npos);
  EXPECT_NE(panel.Preview(RepairKind::AsLap, 1, "").find("ラップです"), std::string::npos);
  EXPECT_EQ(rig.Lap(1), lap);

  rig.messages.answers.push_back(false);
  EXPECT_FALSE(panel.Apply(RepairKind::Drop, 2, ""));
  EXPECT_EQ(rig.Lap(1), lap);
  rig.messages.answers.push_back(true);
  EXPECT_TRUE(panel.Apply(RepairKind::Drop, 2, ""));
  EXPECT_EQ(rig.Lap(1), " 3 ,   30.00,L,");
  EXPECT_EQ(panel.Lines().size(), 1u);
  rig.messages.answers.push_back(true);
  EXPECT_FALSE(panel.Apply(RepairKind::Drop, 5, ""));
  EXPECT_NE(rig.messages.messages.back().find("タッチ 5 はありません"), std::string::npos);

  EXPECT_FALSE(panel.Select(9, 1));
  EXPECT_NE(panel.Problem().find("r0009"), std::string::npos) << panel.Problem();
}

}  // namespace
}  // namespace poolside::testing
