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

  // A missed touch goes between its neighbours: a time before the touch
  // it follows, or after the next one, is refused with the reason.
  rig.Deliver(ResultLine('3', '1', " 1:32.00", 'L'));
  ASSERT_TRUE(panel.Select(1, 3));
  std::vector<TouchRow> before, after;
  std::string why;
  EXPECT_FALSE(panel.PreviewRows(RepairKind::InsertAfter, 1, "29.00", before, after, why));
  EXPECT_NE(why.find("30.00) より後"), std::string::npos) << why;
  EXPECT_FALSE(panel.PreviewRows(RepairKind::InsertAfter, 1, "1:40.00", before, after, why));
  EXPECT_NE(why.find("1:32.00) より前"), std::string::npos) << why;
  rig.messages.answers.push_back(true);
  EXPECT_FALSE(panel.Apply(RepairKind::InsertAfter, 1, "1:40.00"));
  EXPECT_NE(rig.messages.messages.back().find("より前"), std::string::npos);
  // The preview is the lane's touches before and after: split, distance,
  // kind (50 m a lap).
  rig.w->Meet().Settings.LapBaseCode = "0";
  rig.w->Meet().Settings.LapDoubleCode = "0";
  ASSERT_TRUE(panel.PreviewRows(RepairKind::InsertAfter, 1, "1:01.00", before, after, why)) << why;
  ASSERT_EQ(before.size(), 2u);
  ASSERT_EQ(after.size(), 3u);
  EXPECT_EQ(before[1].split, "1:02.00");
  EXPECT_EQ(after[1].time, "1:01.00");
  EXPECT_EQ(after[1].split, "31.00");
  EXPECT_EQ(after[2].split, "31.00");
  EXPECT_EQ(after[2].number, 3);
  EXPECT_EQ(after[1].distance, 100);
  EXPECT_EQ(after[2].distance, 150);
  EXPECT_EQ(after[2].kind, 'L');
  // An unknown time fits anywhere.
  EXPECT_TRUE(panel.PreviewRows(RepairKind::InsertAfter, 0, "", before, after, why)) << why;

  // A signed-off race: the question says the repair makes it 速報 again.
  panel.isOfficial = [](int race) { return race == 1; };
  rig.messages.answers = {false};  // the refused insert above asked nothing
  EXPECT_FALSE(panel.Apply(RepairKind::Drop, 1, ""));
  EXPECT_NE(rig.messages.questions.back().find("公式です。修正すると速報に戻ります"),
            std::string::npos)
      << rig.messages.questions.back();

  EXPECT_FALSE(panel.Select(9, 1));
  EXPECT_NE(panel.Problem().find("r0009"), std::string::npos) << panel.Problem();
}

}  // namespace
}  // namespace poolside::testing
