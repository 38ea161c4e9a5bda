// Outgoing WebSocket text frames: header byte, each length form at its
// bounds, and frames appended back to back.
#include <gtest/gtest.h>

#include "live/ws_frame.h"

namespace poolside {
namespace {

std::string Head(const std::string& frame, std::size_t n) { return frame.substr(0, n); }

TEST(TextFrame, LengthTakesSevenSixteenOrSixtyFourBits) {
  EXPECT_EQ(TextFrame(""), std::string("\x81\x00", 2));
  EXPECT_EQ(TextFrame("{}"), "\x81\x02{}");
  const std::string f125 = TextFrame(std::string(125, 'a'));
  EXPECT_EQ(Head(f125, 2), "\x81\x7d");
  EXPECT_EQ(f125.size(), 127u);
  const std::string f126 = TextFrame(std::string(126, 'a'));
  EXPECT_EQ(Head(f126, 4), std::string("\x81\x7e\x00\x7e", 4));
  EXPECT_EQ(f126.size(), 130u);
  const std::string f65535 = TextFrame(std::string(65535, 'a'));
  EXPECT_EQ(Head(f65535, 4), "\x81\x7e\xff\xff");
  const std::string f65536 = TextFrame(std::string(65536, 'b'));
  EXPECT_EQ(Head(f65536, 10), std::string("\x81\x7f\x00\x00\x00\x00\x00\x01\x00\x00", 10));
  EXPECT_EQ(f65536.size(), 65546u);
  EXPECT_EQ(f65536.back(), 'b');
}

TEST(TextFrame, FramesAppendInOrderAndKeepUtf8Bytes) {
  std::string frames;
  AppendTextFrame(frames, "速報");
  AppendTextFrame(frames, "x");
  EXPECT_EQ(frames, "\x81\x06速報\x81\x01x");
}

}  // namespace
}  // namespace poolside
