// The replay port gives back each captured read as one read, in order, as
// fast as it is read at @0, keeps its place over a close, and names a bad
// file when it opens.
#include "capture/replay_port.h"

#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "capture/capture_journal.h"
#include "platform/errors.h"
#include "reception/console_line.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace poolside {
namespace {

using poolside::testing::FakeHost;
using poolside::testing::TempDir;

// A capture holding `blocks`, 20 ms apart, with other lines between them.
std::string WriteCapture(const TempDir& dir, const std::vector<std::string>& blocks) {
  CaptureJournal journal({"v", {}});
  EXPECT_TRUE(journal.Open(dir.Path()));
  const auto wall = std::chrono::system_clock::now();
  const auto mono = std::chrono::steady_clock::now();
  journal.OnRaceEvent(ReceptionStarted{1, "d", "1234567890"});
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    const auto later = std::chrono::milliseconds(20 * static_cast<int>(i));
    journal.OnRaceEvent(BlockRead{blocks[i], wall + later, mono + later});
    journal.OnRaceEvent(RaceStatusChanged{1, ""});
  }
  return journal.Path();
}

TEST(ReplayPort, AtSpeedZeroEachBlockComesAfterThePreviousWasRead) {
  TempDir dir;
  const std::string file = WriteCapture(dir, {"one", "", std::string(5000, 'z'), "four"});
  FakeHost host;
  ReplayPort port(1, file, 0, host, IsNoiseRecord);
  std::vector<std::string> reads;
  port.onNotify = [&] { reads.push_back(port.Read()); };
  port.Open();
  for (int i = 0; i < 10 && !host.posted.empty(); ++i) host.RunPosted();
  EXPECT_EQ(reads, (std::vector<std::string>{"one", "", std::string(5000, 'z'), "four"}));
  EXPECT_TRUE(port.AtEnd());
  EXPECT_TRUE(port.IsOpen());  // open and quiet at the end
  EXPECT_TRUE(host.delayed.empty());
}

TEST(ReplayPort, TheFramingsNoiseIsToldAsItWasAndThePiecesAreNotReplayedTwice) {
  TempDir dir;
  std::string file;
  {
    CaptureJournal journal({"v", {}});
    ASSERT_TRUE(journal.Open(dir.Path()));
    const auto wall = std::chrono::system_clock::now();
    const auto mono = std::chrono::steady_clock::now();
    const std::string lap = " A 31  1:02.34L\r";
    journal.OnRaceEvent(BytesReceived{"\x05" + lap.substr(0, 4), wall, mono});
    journal.OnRaceEvent(BytesReceived{lap.substr(4), wall, mono});
    journal.OnRaceEvent(BlockRead{"\x05", wall, mono, BlockKind::Noise});
    journal.OnRaceEvent(BlockRead{lap, wall, mono, BlockKind::Result});
    // A result record whose time breaks the lap file is reception's noise.
    journal.OnRaceEvent(BlockRead{" A 31  1:0,.34L\r", wall, mono, BlockKind::Noise});
    file = journal.Path();
  }
  FakeHost host;
  ReplayPort port(1, file, 0, host, IsNoiseRecord);
  std::vector<std::string> reads;
  std::vector<bool> noise;
  port.onNotify = [&] {
    reads.push_back(port.Read());
    noise.push_back(port.LastReadIsNoise());
  };
  port.Open();
  for (int i = 0; i < 10 && !host.posted.empty(); ++i) host.RunPosted();
  EXPECT_TRUE(port.FramesRecords());
  EXPECT_EQ(reads, (std::vector<std::string>{"\x05", " A 31  1:02.34L\r", " A 31  1:0,.34L\r"}));
  EXPECT_EQ(noise, (std::vector<bool>{true, false, false}));
}

TEST(ReplayPort, CloseAndDiscardKeepTheBlocksToCome) {
  TempDir dir;
  const std::string file = WriteCapture(dir, {"a", "b", "c"});
  FakeHost host;
  ReplayPort port(1, file, 0, host, IsNoiseRecord);
  std::vector<std::string> reads;
  port.onNotify = [&] {
    reads.push_back(port.Read());
    if (reads.size() == 1) {  // the window resynchronising after a bad block
      port.Close();
      port.DiscardInput();
      port.Open();
    }
  };
  port.Open();
  for (int i = 0; i < 10 && !host.posted.empty(); ++i) host.RunPosted();
  EXPECT_EQ(reads, (std::vector<std::string>{"a", "b", "c"}));
}

TEST(ReplayPort, ClosingKeepsABlockThatArrivedUnreadAndDiscardingThrowsItAway) {
  TempDir dir;
  const std::string file = WriteCapture(dir, {"a", "b", "c"});
  FakeHost host;
  ReplayPort port(1, file, 0, host, IsNoiseRecord);
  int readsLeft = 0;
  std::vector<std::string> reads;
  port.onNotify = [&] {
    if (readsLeft > 0 && readsLeft--) reads.push_back(port.Read());
  };
  port.Open();
  host.RunPosted();  // "a" arrives and is not read
  EXPECT_EQ(port.BytesWaiting(), 1);
  port.Close();
  EXPECT_EQ(port.BytesWaiting(), 1);  // the run that wrote the capture read it
  readsLeft = 1;
  port.Open();
  host.RunPosted();  // "a" read, then "b" arrives and is not read
  EXPECT_EQ(reads, (std::vector<std::string>{"a"}));
  EXPECT_EQ(port.BytesWaiting(), 1);
  port.DiscardInput();
  EXPECT_EQ(port.BytesWaiting(), 0);
  readsLeft = 5;
  host.RunPosted();  // the file's next block still comes
  EXPECT_EQ(reads, (std::vector<std::string>{"a", "c"}));
  EXPECT_TRUE(port.AtEnd());
}

TEST(ReplayPort, AtSpeedOneTheCapturedSpacingIsKept) {
  TempDir dir;
  const std::string file = WriteCapture(dir, {"a", "b", "c"});
  FakeHost host;
  ReplayPort port(1, file, 2, host, IsNoiseRecord);  // twice as fast: 10 ms apart
  std::vector<std::string> reads;
  port.onNotify = [&] { reads.push_back(port.Read()); };
  port.Open();
  host.RunPosted();
  EXPECT_EQ(reads, (std::vector<std::string>{"a"}));
  ASSERT_EQ(host.delayed.size(), 1u);
  EXPECT_EQ(host.delayed[0].first, 10);
  host.RunDelayed();
  host.RunDelayed();
  EXPECT_EQ(reads, (std::vector<std::string>{"a", "b", "c"}));
}

TEST(ReplayPort, ABadOrMissingFileFailsTheOpenNamingIt) {
  TempDir dir;
  FakeHost host;
  dir.Write("bad.cap", "poolside-capture 1\nnonsense\n");
  ReplayPort bad(1, dir.File("bad.cap"), 0, host, IsNoiseRecord);
  try {
    bad.Open();
    FAIL() << "opened";
  } catch (const IoError& e) {
    EXPECT_NE(std::string(e.what()).find("bad.cap の 2 行目"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(bad.IsOpen());
  ReplayPort missing(1, dir.File("none.cap"), 0, host, IsNoiseRecord);
  EXPECT_THROW(missing.Open(), IoError);
}

TEST(ReplayPort, DeviceSpecs) {
  std::string file;
  double speed = -1;
  EXPECT_TRUE(ReplayPort::ParseSpec("/a/b.cap", file, speed));
  EXPECT_EQ(file, "/a/b.cap");
  EXPECT_EQ(speed, 1);
  EXPECT_TRUE(ReplayPort::ParseSpec("/a/b.cap@0", file, speed));
  EXPECT_EQ(speed, 0);
  EXPECT_TRUE(ReplayPort::ParseSpec("x@y/c.cap@2.5", file, speed));
  EXPECT_EQ(file, "x@y/c.cap");
  EXPECT_EQ(speed, 2.5);
  EXPECT_FALSE(ReplayPort::ParseSpec("c.cap@fast", file, speed));
  EXPECT_FALSE(ReplayPort::ParseSpec("c.cap@-1", file, speed));
  EXPECT_FALSE(ReplayPort::ParseSpec("@2", file, speed));
  EXPECT_FALSE(ReplayPort::ParseSpec("", file, speed));
}

}  // namespace
}  // namespace poolside
