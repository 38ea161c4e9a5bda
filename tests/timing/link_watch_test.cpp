// The link-health label: silence while a race runs, blocks that form no
// record, a vanished port; each warning clears when data returns and every
// change reaches the feed once.
#include "timing/link_watch.h"

#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/fakes.h"

namespace poolside {
namespace {

using namespace std::chrono_literals;
using poolside::testing::FakeHost;
using poolside::testing::FakeLabel;
using poolside::testing::FakeSerialPort;

class Changes : public RaceListener {
 public:
  void OnRaceEvent(const RaceEvent& e) override {
    if (const auto* h = std::get_if<LinkHealth>(&e)) seen.push_back(*h);
  }
  std::vector<LinkHealth> seen;
};

class LinkWatchTest : public ::testing::Test {
 protected:
  LinkWatchTest() : watch_(label_, feed_, port_, host_, [this] { return now_; }) {
    feed_.Attach(watch_);
    feed_.Attach(changes_);
    port_.Open();
    feed_.Publish(ReceptionStarted{2, "/dev/ttyUSB0", "1234567890"});
  }
  void Block(const std::string& bytes, BlockKind kind) {
    feed_.Publish(BlockRead{bytes, std::chrono::system_clock::now(), now_, kind});
    host_.RunPosted();
  }
  void Clock(const std::string& text) {
    Block(" A " + text, BlockKind::Clock);
    feed_.Publish(ClockShown{text});
  }
  // Time passes; the ticks that came due run.
  void After(std::chrono::milliseconds d) {
    now_ += d;
    host_.RunDelayed();
  }
  MonoTime now_ = std::chrono::steady_clock::now();
  FakeLabel label_;
  RaceFeed feed_;
  FakeSerialPort port_;
  FakeHost host_;
  LinkWatch watch_;
  Changes changes_;
};

TEST_F(LinkWatchTest, SilenceWarnsOnlyWhileARaceRunsAndClearsWhenDataReturns) {
  EXPECT_EQ(label_.caption, "受信待ち");
  After(5s);  // no race running: no warning, however long the quiet
  EXPECT_EQ(label_.caption, "受信待ち");
  Clock("    0.00");
  After(4s);
  EXPECT_EQ(label_.caption, "最終受信 4 秒前");
  Clock("   12.30");
  After(2900ms);
  EXPECT_EQ(label_.caption, "最終受信 2 秒前");
  After(600ms);
  EXPECT_EQ(label_.caption, "COM2 から 3 秒間データが来ません。計時盤とケーブルを確認してください");
  After(2s);
  EXPECT_NE(label_.caption.find("5 秒間"), std::string::npos) << label_.caption;
  Clock("   18.00");
  EXPECT_EQ(label_.caption, "最終受信 0 秒前");
  // One change each way, with the port and the seconds when it began.
  ASSERT_EQ(changes_.seen.size(), 2u);
  EXPECT_EQ(changes_.seen[0].state, LinkHealth::State::Silence);
  EXPECT_EQ(changes_.seen[0].port, 2);
  EXPECT_EQ(changes_.seen[0].seconds, 3);
  EXPECT_EQ(changes_.seen[1].state, LinkHealth::State::Fine);
  EXPECT_EQ(changes_.seen[1].message, "");
}

TEST_F(LinkWatchTest, BlocksThatFormNoRecordPointAtTheLineSettings) {
  Clock("   10.00");
  for (int i = 0; i < 7; ++i) {
    After(500ms);
    Block(i % 2 ? "\x7f\x7f" : " A 31  1,02.34L\r",
          i % 2 ? BlockKind::OutOfStep : BlockKind::Noise);
  }
  After(100ms);
  EXPECT_NE(label_.caption.find("9600,e,7,2"), std::string::npos) << label_.caption;
  EXPECT_NE(label_.caption.find("ケーブル"), std::string::npos) << label_.caption;
  Block(" A 31  1:02.34L\r", BlockKind::Result);
  EXPECT_EQ(label_.caption, "最終受信 0 秒前");
  ASSERT_EQ(changes_.seen.size(), 2u);
  EXPECT_EQ(changes_.seen[0].state, LinkHealth::State::Noise);
}

TEST_F(LinkWatchTest, AVanishedPortSaysItIsReconnectingAndStoppingClearsTheLabel) {
  Clock("   10.00");
  port_.Vanish();  // the adapter pulled; the window's reopen loop runs
  After(500ms);
  After(1s);
  EXPECT_EQ(label_.caption, "COM2 が応答しません。再接続を試みています (1 秒)");
  port_.Open();
  Clock("   12.00");
  EXPECT_EQ(label_.caption, "最終受信 0 秒前");
  feed_.Publish(ReceptionStopped{2, "/dev/ttyUSB0"});
  host_.RunPosted();
  EXPECT_EQ(label_.caption, "");
  After(10s);  // no tick runs once stopped
  EXPECT_EQ(label_.caption, "");
  ASSERT_EQ(changes_.seen.size(), 2u);
  EXPECT_EQ(changes_.seen[0].state, LinkHealth::State::Vanished);
}

TEST_F(LinkWatchTest, AWarningIsAmberAndBoldWhileOnAndPlainOnceCleared) {
  Clock("   10.00");
  EXPECT_EQ(label_.back, kFaceColor);
  EXPECT_FALSE(label_.bold);
  After(3500ms);
  EXPECT_EQ(label_.back, kWarningAmber);
  EXPECT_TRUE(label_.bold);
  Clock("   14.00");
  EXPECT_EQ(label_.back, kFaceColor);
  EXPECT_FALSE(label_.bold);
  port_.Vanish();
  After(500ms);
  EXPECT_EQ(label_.back, kWarningAmber);
  EXPECT_TRUE(label_.bold);
  // The amber is no colour the race rows use.
  EXPECT_FALSE(kWarningAmber == kLightRed);
  EXPECT_FALSE(kWarningAmber == kLightCyan);
}

TEST_F(LinkWatchTest, AReconnectedPortIsToldUntilDataComesAndSilenceCountsFromThere) {
  Clock("   10.00");
  port_.Vanish();
  After(500ms);
  After(5s);
  port_.Open();  // the window's reopen succeeded; nothing read yet
  After(500ms);
  EXPECT_EQ(label_.caption, "COM2 に再接続しました。データを待っています");
  EXPECT_FALSE(label_.bold);
  After(3s);  // the race was running: quiet since the reconnection
  EXPECT_EQ(label_.caption, "COM2 から 3 秒間データが来ません。計時盤とケーブルを確認してください");
  Clock("   20.00");
  EXPECT_EQ(label_.caption, "最終受信 0 秒前");
  // Lost again after data came: the count starts afresh.
  port_.Vanish();
  After(500ms);
  EXPECT_EQ(label_.caption, "COM2 が応答しません。再接続を試みています (0 秒)");
}

TEST_F(LinkWatchTest, ANoteStandsUnderTheHealthTextUntilAnotherRaceIsShown) {
  watch_.SetNote("レース 3 のラップファイルを空にしました");
  EXPECT_EQ(label_.caption, "受信待ち\rレース 3 のラップファイルを空にしました");
  Clock("    0.00");
  After(1s);
  EXPECT_EQ(label_.caption, "最終受信 1 秒前\rレース 3 のラップファイルを空にしました");
  feed_.Publish(ReceptionStopped{2, "/dev/ttyUSB0"});
  EXPECT_EQ(label_.caption, "レース 3 のラップファイルを空にしました");
  feed_.Publish(RaceShown{});
  EXPECT_EQ(label_.caption, "");
}

}  // namespace
}  // namespace poolside

namespace poolside {
namespace {

TEST_F(LinkWatchTest, ASecondDesksRoleStaysAboveEverythingElse) {
  watch_.SetRole("控え (2 台目)");
  EXPECT_EQ(label_.caption, "控え (2 台目)\r受信待ち");
  watch_.SetNote("バックアップ先に追いつきました");
  EXPECT_EQ(label_.caption, "控え (2 台目)\r受信待ち\rバックアップ先に追いつきました");
  // Another race takes the note away, never the role.
  feed_.Publish(RaceShown{});
  EXPECT_EQ(label_.caption, "控え (2 台目)\r受信待ち");
  feed_.Publish(ReceptionStopped{2, "/dev/ttyUSB0"});
  EXPECT_EQ(label_.caption, "控え (2 台目)");
  watch_.SetRole("");
  EXPECT_EQ(label_.caption, "");
}

}  // namespace
}  // namespace poolside
