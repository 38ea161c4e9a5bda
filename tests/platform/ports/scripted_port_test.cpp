#include "platform/scripted_port.h"

#include <gtest/gtest.h>

#include <vector>

namespace poolside {
namespace {

// A port configured as the timing window configures it.
struct ScriptedPortTest : ::testing::Test {
  ScriptedPort port;
  std::vector<std::string> reads;
  int notifications = 0;
  void SetUp() override {
    port.SetInBufferSize(1024);
    port.SetInputLen(16);
    port.SetRThreshold(15);
    port.onNotify = [this] {
      ++notifications;
      reads.push_back(port.Read());
    };
  }
};

TEST_F(ScriptedPortTest, DeliverBlockNotifiesOnceWithExactlyTheBlock) {
  port.Open();
  const std::string longBlock(40, 'x');  // longer than InputLen: still one read
  port.DeliverBlock(longBlock);
  port.DeliverBlock("ab");  // shorter than the threshold: still notifies
  EXPECT_EQ(notifications, 2);
  EXPECT_EQ(reads, (std::vector<std::string>{longBlock, "ab"}));
  EXPECT_EQ(port.BytesWaiting(), 0);
  EXPECT_EQ(port.Read(), "");
}

TEST_F(ScriptedPortTest, AClosedPortDeliversNothing) {
  port.DeliverBlock("0123456789abcdef");
  port.Stream("0123456789abcdefghij");
  EXPECT_EQ(notifications, 0);
  EXPECT_EQ(port.BytesWaiting(), 0);
  port.Open();
  port.Stream("abc");
  port.Close();
  EXPECT_FALSE(port.IsOpen());
  port.Open();
  EXPECT_EQ(port.BytesWaiting(), 0);  // opening starts with an empty buffer
}

TEST_F(ScriptedPortTest, StreamNotifiesInBlocksWhileTheThresholdIsReached) {
  port.Open();
  port.Stream("0123456789abcd");  // 14 waiting: below 15
  EXPECT_EQ(notifications, 0);
  EXPECT_EQ(port.BytesWaiting(), 14);
  port.Stream("efghijklmnopqrstuvwxyz");  // 36 waiting
  // 36 -> read 16 -> 20 -> read 16 -> 4 left below the threshold.
  EXPECT_EQ(reads, (std::vector<std::string>{"0123456789abcdef", "ghijklmnopqrstuv"}));
  EXPECT_EQ(port.BytesWaiting(), 4);
  EXPECT_EQ(port.Read(), "wxyz");
}

TEST_F(ScriptedPortTest, AHandlerThatDoesNotReadStopsTheLoop) {
  port.onNotify = [this] { ++notifications; };
  port.Open();
  port.Stream(std::string(100, 'z'));
  EXPECT_EQ(notifications, 1);
  EXPECT_EQ(port.BytesWaiting(), 100);
}

TEST_F(ScriptedPortTest, AHandlerThatClosesThePortStopsTheLoop) {
  port.onNotify = [this] {
    ++notifications;
    port.Read();
    port.Close();
  };
  port.Open();
  port.Stream(std::string(64, 'z'));
  EXPECT_EQ(notifications, 1);
  EXPECT_EQ(port.BytesWaiting(), 0);
}

TEST_F(ScriptedPortTest, OverflowBeyondTheBufferIsDropped) {
  port.SetRThreshold(0);  // no notifications: the buffer fills up
  port.SetInBufferSize(20);
  port.Open();
  port.Stream(std::string(15, 'a'));
  port.Stream(std::string(10, 'b'));
  EXPECT_EQ(port.BytesWaiting(), 20);
  EXPECT_EQ(notifications, 0);
  EXPECT_EQ(port.Read(), std::string(15, 'a') + "b");
  EXPECT_EQ(port.Read(), "bbbb");
}

TEST_F(ScriptedPortTest, DiscardInputEmptiesTheBuffer) {
  port.onNotify = [this] {
    ++notifications;
    port.DiscardInput();
  };
  port.Open();
  port.Stream(std::string(50, 'q'));
  EXPECT_EQ(notifications, 1);
  EXPECT_EQ(port.BytesWaiting(), 0);
  EXPECT_EQ(port.Read(), "");
}

TEST_F(ScriptedPortTest, BytesPassThroughUnchanged) {
  port.Open();
  const std::string raw("\x00\xff\r\n\x1a 1 0012345\r\n", 16);
  port.Stream(raw);
  ASSERT_EQ(reads.size(), 1u);
  EXPECT_EQ(reads[0], raw);
}

}  // namespace
}  // namespace poolside
