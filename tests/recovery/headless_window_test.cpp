// A race timed without a window from its blocks gives the same files and
// book as the same blocks received live.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "finish/race_close.h"
#include "timing/race_rig.h"

namespace poolside::testing {
namespace {

const std::vector<std::string> kBlocks = {
    ClockLine("   10.00"),
    ResultLine('3', '1', "   30.10", 'L'),
    ResultLine('3', '1', "   30.10", 'L'),  // repeated
    " A 62  1,05.20G\r",                    // noise
    "garbage",                              // out of step
    ResultLine('5', '2', "   31.00", 'L'),
    ResultLine('5', '1', " 1:01.00", 'G'),
    ResultLine('3', '2', " 1:02.50", 'G'),
    ResultLine('X', '3', " 1:03.00", 'G'),  // not in the lane map
    ClockLine(" 1:05.00"),
    ClockLine("    0.00"),
    ResultLine('4', '1', "   29.00", 'L'),  // the next race: not read
};

struct Files {
  std::string lap1, lap2, goal1, goal2, book;
};

Files Read(const RaceRig& rig) {
  return {rig.Lap(2), rig.Lap(3), rig.Goal(2), rig.Goal(3), rig.Book()};
}

TEST(HeadlessRace, GivesTheFilesOfLiveTiming) {
  RaceRig live;
  live.WriteBook("62");  // race 2 combines races 2 and 3
  live.Show(2);
  live.Start();
  for (const std::string& block : kBlocks) live.Deliver(block);
  ASSERT_EQ(live.w->Book().RaceNo, 4);
  const Files expected = Read(live);

  RaceRig headless;
  headless.WriteBook("62");
  headless.meet.LoadMeetHeader();
  RaceBookState book;
  book.RaceNo = 2;
  std::vector<std::string> reports;
  const TimedRace timed =
      TimeRaceFromBlocks(headless.meet, book, "1234567890", kBlocks,
                         [&](const std::string& text) { reports.push_back(text); });
  EXPECT_TRUE(timed.finished);
  EXPECT_TRUE(timed.outcome.done);
  EXPECT_EQ(timed.blocksTaken, kBlocks.size() - 1);
  EXPECT_EQ(timed.noiseBlocks, 1);
  EXPECT_EQ(timed.outcome.combinedTargets, std::vector<int>{3});
  EXPECT_TRUE(reports.empty());

  const Files got = Read(headless);
  EXPECT_EQ(got.lap1, expected.lap1);
  EXPECT_EQ(got.lap2, expected.lap2);
  EXPECT_EQ(got.goal1, expected.goal1);
  EXPECT_EQ(got.goal2, expected.goal2);
  EXPECT_EQ(got.book, expected.book);
  EXPECT_EQ(expected.lap1, " 3 ,   30.10,L, 5 ,   31.00,L, 5 , 1:01.00,G, 3 , 1:02.50,G,");
  EXPECT_EQ(expected.book.substr(0, 4), std::string("666\0", 4));
}

TEST(HeadlessRace, AGoalFolderThatIsMissingLeavesTheRaceOpen) {
  RaceRig rig;
  rig.WriteBook("1");
  std::filesystem::remove_all(rig.tmp.File("data/goal"));
  RaceBookState book;
  book.RaceNo = 1;
  std::vector<std::string> reports;
  const TimedRace timed = TimeRaceFromBlocks(
      rig.meet, book, "1234567890", {ResultLine('1', '1', " 1:00.00", 'G'), ClockLine("    0.00")},
      [&](const std::string& text) { reports.push_back(text); });
  EXPECT_TRUE(timed.finished);
  EXPECT_FALSE(timed.outcome.done);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].find("g0001"), std::string::npos) << reports[0];
  EXPECT_EQ(rig.Book()[0], '1');
  EXPECT_EQ(rig.Lap(1), " 1 , 1:00.00,G,");
}

}  // namespace
}  // namespace poolside::testing
