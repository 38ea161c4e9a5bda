// A race timed without a screen, through the headless window, gives the same
// files and book as the same blocks received live.

#include "recovery/headless_window.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <variant>
#include <vector>

#include "feed/race_feed.h"
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

struct Finishes : RaceListener {
  std::vector<RaceFinished> seen;
  void OnRaceEvent(const RaceEvent& event) override {
    if (const auto* f = std::get_if<RaceFinished>(&event)) seen.push_back(*f);
  }
};

// Race `race` of the rig's data folder on the headless window, loaded as
// re-timing loads it and receiving; then each block until the race is
// finished. Returns the blocks delivered.
std::size_t TimeRace(RaceRig& rig, HeadlessRaceWindow& headless, int race,
                     const std::vector<std::string>& blocks) {
  rig.tmp.MakeDir("work");
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(rig.tmp.File("work"));  // ..\ctl\dr_kyo.ctl from it
  headless.Window().Load();
  std::filesystem::current_path(cwd);
  headless.ShowRace(race);
  headless.SetLaneMap("1234567890");
  EXPECT_TRUE(headless.StartReception());
  std::size_t delivered = 0;
  for (const std::string& block : blocks) {
    if (headless.Window().BookState().RaceNo != race) break;  // finished
    headless.Deliver(block);
    ++delivered;
  }
  return delivered;
}

TEST(HeadlessRace, GivesTheFilesOfLiveTiming) {
  RaceRig live;
  live.WriteBook("62");  // race 2 combines races 2 and 3
  live.Show(2);
  live.Start();
  for (const std::string& block : kBlocks) live.Deliver(block);
  ASSERT_EQ(live.w->Book().RaceNo, 4);
  const Files expected = Read(live);

  RaceRig files;
  files.WriteBook("62");
  HeadlessRaceWindow headless(files.meet);
  Finishes finishes;
  headless.Window().Feed().Attach(finishes);
  const std::size_t taken = TimeRace(files, headless, 2, kBlocks);
  headless.Window().Feed().Detach(finishes);
  // Finished at the zero clock after the finish; the block after it is not read.
  ASSERT_EQ(finishes.seen.size(), 1u);
  EXPECT_EQ(finishes.seen[0].race, 2);
  EXPECT_EQ(headless.Window().BookState().RaceNo, 4);
  EXPECT_EQ(taken, kBlocks.size() - 1);
  EXPECT_EQ(headless.Window().NoiseBlocks(), 1);
  EXPECT_EQ(finishes.seen[0].combinedTargets, std::vector<int>{3});
  EXPECT_TRUE(headless.Messages().empty());

  const Files got = Read(files);
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
  HeadlessRaceWindow headless(rig.meet);
  Finishes finishes;
  headless.Window().Feed().Attach(finishes);
  TimeRace(rig, headless, 1, {ResultLine('1', '1', " 1:00.00", 'G'), ClockLine("    0.00")});
  headless.Window().Feed().Detach(finishes);
  // The finish was tried at the zero clock and failed: the race stays current.
  EXPECT_TRUE(finishes.seen.empty());
  EXPECT_EQ(headless.Window().BookState().RaceNo, 1);
  ASSERT_EQ(headless.Messages().size(), 1u);
  EXPECT_NE(headless.Messages()[0].find("g0001"), std::string::npos) << headless.Messages()[0];
  EXPECT_EQ(rig.Book()[0], '1');
  EXPECT_EQ(rig.Lap(1), " 1 , 1:00.00,G,");
}

}  // namespace
}  // namespace poolside::testing
