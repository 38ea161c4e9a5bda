// Reception over a real pseudo-terminal whatever pieces the line hands the
// bytes over in: the simulator delivers as adapters and UARTs do, with and
// without garbage between records, and the program's lap file, goal file and
// status book must be what whole-record delivery gives. The capture keeps
// every byte the line delivered and replays to the same files.
#include <gtest/gtest.h>

#include "capture/capture_reader.h"
#include "race_rig.h"

#include <string>
#include <tuple>
#include <vector>

namespace {

namespace fs = std::filesystem;
using e2e::Child;
using e2e::RaceEndToEnd;
using e2e::ReadAll;

// Every capture file of the meet, joined: the pieces the line delivered and
// the blocks reception was given.
struct Captured {
  std::string received;
  std::string blocks;
  std::string noise;  // blocks journaled as noise
};

Captured ReadCapture(const fs::path& folder) {
  Captured c;
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(folder)) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  for (const fs::path& file : files) {
    poolside::CaptureReader reader;
    reader.Open(file.string());
    poolside::CaptureRecord r;
    while (reader.Next(r)) {
      if (r.kind == "received") c.received += r.bytes;
      if (r.kind != "block") continue;
      c.blocks += r.bytes;
      for (const auto& [key, value] : r.fields) {
        if (key == "kind" && value == "noise") c.noise += r.bytes;
      }
    }
  }
  return c;
}

class DeliveryEndToEnd : public RaceEndToEnd,
                         public ::testing::WithParamInterface<std::tuple<const char*, bool>> {
 protected:
  void SwimWithDelivery() {
    const auto [delivery, garbage] = GetParam();
    std::vector<std::string> args = {"--lanes", "8", "--laps",  "2", "--tick",     "500",
                                     "--seed",  "5", "--speed", "1", "--delivery", delivery};
    if (garbage) args.insert(args.end(), {"--garbage", "0.3"});
    SwimOneRace(args, 3000);
  }
  std::string BookAfter() const {
    std::string book = bookBefore_;
    const char status = bookBefore_[race_ - 1];
    const int combined = status >= '2' && status <= '5' ? status - '0' : 1;
    for (int k = 0; k < combined && race_ + k <= 1024; ++k) book[race_ + k - 1] = '6';
    return book;
  }
};

TEST_P(DeliveryEndToEnd, TheRaceIsTimedAsFromWholeRecords) {
  SwimWithDelivery();
  if (HasFatalFailure()) return;
  ASSERT_FALSE(Expected("lap1").empty());
  EXPECT_EQ(LapFile(race_), Expected("lap1"));
  EXPECT_EQ(GoalFile(race_), Expected("goal1"));
  EXPECT_EQ(ReadAll(meet_ / "meet" / "Race.dat"), BookAfter());

  // Every byte the line delivered is in the journal, in order, and every
  // one of them reached reception in a block (garbage as noise).
  const Captured c = ReadCapture(meet_ / "meet" / "capture");
  const std::string sent = ReadAll(dir_ / "sent");
  EXPECT_EQ(c.received, sent);
  EXPECT_EQ(c.blocks, sent);
  if (std::get<1>(GetParam())) {
    EXPECT_NE(c.noise, "");
  } else {
    EXPECT_EQ(c.noise, "");
  }
}

std::string DeliveryName(const ::testing::TestParamInfo<std::tuple<const char*, bool>>& info) {
  return std::string(std::get<0>(info.param)) + (std::get<1>(info.param) ? "_garbage" : "");
}

INSTANTIATE_TEST_SUITE_P(EveryDelivery, DeliveryEndToEnd,
                         ::testing::Combine(::testing::Values("record", "byte", "fifo8", "fifo14",
                                                              "usb1", "usb4", "usb16", "usb32",
                                                              "random", "burst"),
                                            ::testing::Bool()),
                         DeliveryName);

// Raw console bytes from a file (--play), handed over one byte a write: the
// odd things a line carries around whole records.
class LineOddities : public RaceEndToEnd {
 protected:
  // Plays `bytes` and returns the race's lap file.
  std::string PlayRaw(const std::string& bytes) {
    std::ofstream(dir_ / "raw", std::ios::binary) << bytes;
    SwimOneRace({"--play", (dir_ / "raw").string(), "--delivery", "byte", "--speed", "4"}, 2500);
    return LapFile(race_);
  }
};

const std::string kZero = " A        0.00 \r";
std::string Result(int lane, const char* time, char kind) {
  return std::string(" A ") + static_cast<char>('0' + lane) + "1 " + time + kind + "\r";
}
std::string LapItem(int lane, const char* time, char kind) {
  return " " + std::to_string(lane) + " ," + time + "," + kind + ",";
}

TEST_F(LineOddities, ACutRecordLosesItselfAloneAndLoneReturnsAndFlowBytesCostNothing) {
  const std::string cut = Result(2, "   31.00", 'L').substr(0, 10);  // never finished
  const std::string played = kZero + Result(1, "   30.00", 'L') + cut + Result(3, "   32.00", 'L') +
                             "\r" + Result(4, "   33.00", 'L') + "\x11" +
                             Result(1, " 1:01.00", 'G') + "\x13\r\r" + Result(3, " 1:02.00", 'G') +
                             kZero;
  const std::string lap = PlayRaw(played);
  if (HasFatalFailure()) return;
  EXPECT_EQ(lap, LapItem(1, "   30.00", 'L') + LapItem(3, "   32.00", 'L') +
                     LapItem(4, "   33.00", 'L') + LapItem(1, " 1:01.00", 'G') +
                     LapItem(3, " 1:02.00", 'G'));
  // The race was finished by the zero clock: the goal file holds the finishes.
  std::vector<std::string> goal;
  std::istringstream items(GoalFile(race_));
  for (std::string item; std::getline(items, item, ',');) goal.push_back(item);
  ASSERT_EQ(goal.size(), 20u);
  EXPECT_EQ(goal[1], " 10100 ");
  EXPECT_EQ(goal[5], " 10200 ");
}

TEST_F(LineOddities, TenFinishesInOneWriteAreTenRecords) {
  std::string burst;
  std::string expected;
  static const char* const kTimes[] = {"   50.01", "   50.02", "   50.03", "   50.04", "   50.05",
                                       "   50.06", "   50.07", "   50.08", "   50.09", "   50.10"};
  for (int lane = 1; lane <= 9; ++lane) {
    burst += Result(lane, kTimes[lane - 1], 'G');
    expected += LapItem(lane, kTimes[lane - 1], 'G');
  }
  burst += std::string(" A 01 ") + kTimes[9] + "G\r";
  expected += LapItem(10, kTimes[9], 'G');
  std::ofstream(dir_ / "raw", std::ios::binary) << kZero + burst + kZero;
  SwimOneRace({"--play", (dir_ / "raw").string(), "--delivery", "burst", "--speed", "4"}, 2500);
  if (HasFatalFailure()) return;
  EXPECT_EQ(LapFile(race_), expected);
}

// A capture of a byte-by-byte race with garbage replays to the same files.
TEST_F(RaceEndToEnd, ACaptureOfPiecesAndGarbageReplaysToTheSameFiles) {
  SwimOneRace({"--lanes", "6", "--laps", "2", "--tick", "500", "--seed", "9", "--speed", "2",
               "--delivery", "byte", "--garbage", "0.5"},
              3000);
  if (HasFatalFailure()) return;
  const std::string lap = LapFile(race_), goal = GoalFile(race_);
  ASSERT_EQ(lap, Expected("lap1"));
  std::vector<fs::path> caps;
  for (const auto& e : fs::directory_iterator(meet_ / "meet" / "capture")) caps.push_back(e.path());
  ASSERT_EQ(caps.size(), 1u);
  fs::rename(caps[0], dir_ / "live.cap");

  // The same meet afresh, the capture played into it at once.
  fs::remove_all(meet_);
  ASSERT_TRUE(e2e::MakeDemoMeet(meet_));
  std::ofstream(dir_ / "replay.script") << "click frmRace.cmdZushin\nwait 2000\nend\n";
  Child program({POOLSIDE_BIN, "-platform", "offscreen", "--drive", "c=" + meet_.string(), "--com",
                 "1=replay:" + (dir_ / "live.cap").string() + "@0", "--script",
                 (dir_ / "replay.script").string()},
                meet_ / "prog", dir_ / "out2", dir_ / "err2");
  ASSERT_EQ(program.Wait(60), 0) << ReadAll(dir_ / "err2");
  EXPECT_EQ(LapFile(race_), lap);
  EXPECT_EQ(GoalFile(race_), goal);
}

}  // namespace
