// The record framing of the device port: whole records out of any pieces,
// garbage and cut records costing only their own bytes.

#include "platform/record_framing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace poolside {
namespace {

const std::string kLap = " A 31  1:02.34L\r";
const std::string kClock = " A       12.30 \r";

struct Block {
  std::string bytes;
  bool noise;
  bool operator==(const Block& o) const { return bytes == o.bytes && noise == o.noise; }
};

std::ostream& operator<<(std::ostream& out, const Block& b) {
  return out << (b.noise ? "noise[" : "block[") << testing::PrintToString(b.bytes) << "]";
}

// Feeds `pieces` one at a time, cutting every block each piece allows; at
// the end the line goes quiet. What is left is returned in `rest`.
std::vector<Block> Frame(const std::vector<std::string>& pieces, std::string* rest = nullptr) {
  std::vector<Block> out;
  std::string waiting;
  auto cut = [&](bool quiet) {
    for (FrameCut c; (c = NextFrame(waiting, quiet)).length > 0;) {
      out.push_back({waiting.substr(0, c.length), c.noise});
      waiting.erase(0, c.length);
    }
  };
  for (const std::string& piece : pieces) {
    waiting += piece;
    cut(false);
  }
  cut(true);
  if (rest) *rest = waiting;
  return out;
}

std::vector<std::string> Bytewise(const std::string& s) {
  std::vector<std::string> out;
  for (char c : s) out.emplace_back(1, c);
  return out;
}

TEST(RecordFraming, RecordsComeWholeWhateverThePieces) {
  const std::string stream = kClock + kLap + kClock + kLap;
  const std::vector<Block> whole = {{kClock, false}, {kLap, false}, {kClock, false}, {kLap, false}};
  EXPECT_EQ(Frame({stream}), whole);  // a burst in one piece
  EXPECT_EQ(Frame(Bytewise(stream)), whole);
  for (std::size_t size : {2u, 7u, 8u, 14u, 15u, 17u, 31u}) {
    std::vector<std::string> pieces;
    for (std::size_t i = 0; i < stream.size(); i += size) pieces.push_back(stream.substr(i, size));
    EXPECT_EQ(Frame(pieces), whole) << "pieces of " << size;
  }
  // A record that ends in its carriage return is cut at once, line busy.
  EXPECT_EQ(NextFrame(kLap, false).length, 16u);
  EXPECT_FALSE(WaitsForQuiet(kLap));
}

TEST(RecordFraming, GarbageAndCutRecordsCostOnlyTheirOwnBytes) {
  // Garbage in front of a record, with and without a carriage return of its own.
  EXPECT_EQ(Frame({"\x05\xff", kLap}), (std::vector<Block>{{"\x05\xff", true}, {kLap, false}}));
  EXPECT_EQ(Frame(Bytewise("x\rA" + kLap)),
            (std::vector<Block>{{"x\r", true}, {"A", true}, {kLap, false}}));
  // A lone carriage return between records.
  EXPECT_EQ(Frame({kLap, "\r", kClock}),
            (std::vector<Block>{{kLap, false}, {"\r", true}, {kClock, false}}));
  // A record cut short (its last bytes never sent) loses that record alone.
  EXPECT_EQ(Frame({kLap.substr(0, 9), kClock, kLap}),
            (std::vector<Block>{{kLap.substr(0, 9), true}, {kClock, false}, {kLap, false}}));
  // A record that lost only its carriage return keeps its 15 columns.
  EXPECT_EQ(Frame({kLap.substr(0, 15) + kClock}),
            (std::vector<Block>{{kLap.substr(0, 15), false}, {kClock, false}}));
  // A record that lost a byte in the middle is a fragment, not a record.
  EXPECT_EQ(Frame({kLap.substr(0, 5) + kLap.substr(6)}),
            (std::vector<Block>{{kLap.substr(0, 5) + kLap.substr(6), true}}));
}

TEST(RecordFraming, ALineWithoutCarriageReturnsKeepsTheReadingRuleOnceQuiet) {
  const std::string bare = kLap.substr(0, 15);
  // Fewer than 15 never make a block; 15 wait for the quiet time.
  EXPECT_EQ(NextFrame(bare.substr(0, 14), true).length, 0u);
  EXPECT_EQ(NextFrame(bare, false).length, 0u);
  EXPECT_TRUE(WaitsForQuiet(bare));
  EXPECT_EQ(NextFrame(bare, true).length, 15u);
  EXPECT_FALSE(NextFrame(bare, true).noise);
  // At most 16 a block; a flood without carriage returns is cut as it comes.
  EXPECT_EQ(NextFrame(std::string(20, 'z'), true).length, 16u);
  EXPECT_EQ(NextFrame(std::string(30, 'z'), false).length, 0u);
  EXPECT_EQ(NextFrame(std::string(31, 'z'), false).length, 16u);
  std::string rest;
  EXPECT_EQ(Frame({std::string(100, 'z')}, &rest).size(), 6u);
  EXPECT_EQ(rest, std::string(4, 'z'));
  // A flood of garbage does not swallow the record behind it.
  EXPECT_EQ(Frame({std::string(40, 'z') + kLap}).back(), (Block{kLap, false}));
}

}  // namespace
}  // namespace poolside
