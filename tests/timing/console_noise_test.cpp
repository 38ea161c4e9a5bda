// Console noise that looks like a result record never reaches the lap file:
// every lap file stays a list of whole three-item records.

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "reception/console_line.h"
#include "timing/race_rig.h"

namespace poolside::testing {
namespace {

// The lap file's items (split at commas, as the combined copy reads them
// back); "" when the text does not end with a comma.
std::vector<std::string> Items(const std::string& lap) {
  std::vector<std::string> items;
  std::string item;
  for (char ch : lap) {
    if (ch == ',') {
      items.push_back(item);
      item.clear();
    } else {
      item += ch;
    }
  }
  if (!item.empty()) items.push_back("<unterminated " + item + ">");
  return items;
}

// Empty when `lap` is whole records: lane number, a time of at most 8
// characters with no control byte or quote, "L" or "G". (The combined copy
// writes the items back trimmed.)
std::string RecordProblem(const std::string& lap) {
  const std::vector<std::string> items = Items(lap);
  if (items.size() % 3 != 0) return std::to_string(items.size()) + " items";
  for (std::size_t i = 0; i < items.size(); i += 3) {
    const std::string& lane = items[i];
    const int n = std::atoi(lane.c_str());
    if (n < 1 || n > 10 || lane.find_first_not_of(" 0123456789") != std::string::npos)
      return "lane item [" + lane + "]";
    if (items[i + 1].empty() || items[i + 1].size() > 8) return "time item [" + items[i + 1] + "]";
    for (char ch : items[i + 1]) {
      if (static_cast<unsigned char>(ch) < 0x20 || ch == '"' || ch == 0x7F)
        return "time item [" + items[i + 1] + "]";
    }
    if (items[i + 2] != "L" && items[i + 2] != "G") return "kind item [" + items[i + 2] + "]";
  }
  return {};
}

TEST(ConsoleNoise, TimeTextsThatWouldBreakTheLapFileAreNoise) {
  EXPECT_EQ(Classify(" A 53 \"1:04.10G\r"), LineClass::Noise);
  EXPECT_EQ(Classify(" A 62  1,05.20G\r"), LineClass::Noise);
  EXPECT_EQ(Classify(std::string(" A 62  1:0\0.20L\r", 16)), LineClass::Noise);
  EXPECT_EQ(Classify(" A 62  1:0\n.20L\r"), LineClass::Noise);
  EXPECT_EQ(Classify(" A 62  1:0\x7f.20L\r"), LineClass::Noise);
  // What the console's records may hold stays a result: letters in the time
  // (packed to 0), bytes above 0x7F, any rank or lane character.
  EXPECT_EQ(Classify(" A 62  1:0X.20L\r"), LineClass::Result);
  EXPECT_EQ(Classify(" A 62  1:0\xb1.20L\r"), LineClass::Result);
  EXPECT_EQ(Classify(" A ,\"  1:01.20G\r"), LineClass::Result);
  // Noise in other kinds of records changes nothing.
  EXPECT_EQ(Classify(" A     1,01.20T\r"), LineClass::Ignored);
  EXPECT_EQ(Classify(" A     1,01.20 \r"), LineClass::Clock);
}

TEST(ConsoleNoise, NoisyResultsOfACombinedRaceLeaveWholeRecords) {
  RaceRig rig;
  rig.WriteBook("2");
  rig.Show(1);
  rig.Start();
  rig.Deliver(" A 31  1:02.34G\r");
  rig.Deliver(" A 53 \"1:04.10G\r");
  rig.Deliver(" A 62  1,05.20G\r");
  rig.Deliver(" A        0.00 \r");
  EXPECT_EQ(rig.Lap(1), " 3 , 1:02.34,G,");
  EXPECT_EQ(rig.Lap(2), "3,1:02.34,G,");
  const std::string goal = GoalText({{0, 888888}, {0, 888888}, {1, 10234}, {0, 888888}});
  EXPECT_EQ(rig.Goal(1).substr(0, goal.size()), goal);
  EXPECT_EQ(rig.w->NoiseBlocks(), 2);
  EXPECT_TRUE(rig.messages.messages.empty());
}

TEST(ConsoleNoise, ARandomBlockIsNoLapAndTheWinnerKeepsRankOne) {
  RaceRig rig;
  rig.WriteBook("1");
  rig.Show(1);
  rig.Start();
  rig.Deliver(
      std::string("\x80"
                  "A\x01"
                  "8\x17G\xcfpB-\xf7\x14\x16\"L\xdd",
                  16));
  EXPECT_EQ(rig.txtKiro[7].text, "");
  rig.Deliver(" A 21  1:00.00G\r");
  rig.Deliver(" A        0.00 \r");
  EXPECT_EQ(rig.Lap(1), " 2 , 1:00.00,G,");
  const std::string goal = GoalText({{0, 888888}, {1, 10000}, {0, 888888}});
  EXPECT_EQ(rig.Goal(1).substr(0, goal.size()), goal);
  EXPECT_EQ(rig.w->NoiseBlocks(), 1);
}

TEST(ConsoleNoise, RandomBlocksBetweenRecordsLeaveOnlyWholeRecordsInEveryLapFile) {
  RaceRig rig;
  rig.WriteBook(std::string(30, '2'));
  rig.Show(1);
  rig.Start();
  std::mt19937 random(20261209);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> pick(0, 99);
  const std::string kinds = "LG";
  for (int n = 0; n < 6000; ++n) {
    std::string block(16, '\0');
    for (char& ch : block) ch = static_cast<char>(byte(random));
    // Most blocks look like results, so that the noise reaches the
    // decoding of a record rather than the out-of-step check.
    if (pick(random) < 90) block[1] = 'A';
    if (pick(random) < 80) block[14] = kinds[static_cast<std::size_t>(pick(random) % 2)];
    if (pick(random) < 50) block[3] = static_cast<char>('0' + pick(random) % 10);
    rig.Deliver(block);
    if (pick(random) < 5) rig.Deliver(ResultLine('1', '1', " 1:00.00", 'G'));
    if (pick(random) < 2) rig.Deliver(ClockLine("    0.00"));
    ASSERT_TRUE(rig.w->Receiving());
  }
  EXPECT_GT(rig.w->NoiseBlocks(), 100);
  EXPECT_GT(rig.w->Book().RaceNo, 10);  // races were finished on the way
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(rig.tmp.File("data/lap"))) {
    const std::string lap = rig.tmp.Read("data/lap/" + entry.path().filename().string());
    EXPECT_EQ(RecordProblem(lap), "") << entry.path();
    ++files;
  }
  EXPECT_GT(files, 10);
}

}  // namespace
}  // namespace poolside::testing
