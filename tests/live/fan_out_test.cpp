// The sender threads: every socket gets the same bytes whole and in order,
// whichever thread's share it falls in; a socket that is full takes what it
// can and says how much.
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "live/fan_out.h"

namespace poolside {
namespace {

struct Pairs {
  std::vector<int> ours, theirs;
  explicit Pairs(int n) {
    for (int i = 0; i < n; ++i) {
      int sv[2];
      EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0, sv), 0);
      ours.push_back(sv[0]);
      theirs.push_back(sv[1]);
    }
  }
  ~Pairs() {
    for (int fd : ours) close(fd);
    for (int fd : theirs) close(fd);
  }
  std::string Read(int i) {
    std::string got;
    char buf[4096];
    for (ssize_t n; (n = read(theirs[i], buf, sizeof buf)) > 0;) got.append(buf, n);
    return got;
  }
};

TEST(FanOut, EverySocketGetsEveryRoundWholeAndInOrderOverTheShares) {
  Pairs pairs(300);
  FanOut fan(3, 50, 0);
  std::vector<std::string> expect(300);
  for (int round = 0; round < 20; ++round) {
    // Rounds of all, then of a few: the helpers are woken or left asleep.
    const int n = round % 2 ? 300 : 7;
    std::vector<FanOut::Target> targets;
    for (int i = 0; i < n; ++i) targets.push_back({pairs.ours[i], 0});
    const std::string bytes = "round " + std::to_string(round) + ";";
    fan.Send(targets, bytes);
    for (int i = 0; i < n; ++i) {
      ASSERT_EQ(targets[i].sent, bytes.size()) << i;
      expect[i] += bytes;
    }
  }
  for (int i = 0; i < 300; ++i) ASSERT_EQ(pairs.Read(i), expect[i]) << i;
}

TEST(FanOut, FullSocketTakesWhatItCanAndAClosedOneTakesNothing) {
  Pairs pairs(2);
  int small = 4096;
  setsockopt(pairs.ours[0], SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
  close(pairs.theirs[1]);
  pairs.theirs[1] = -1;
  FanOut fan(2, 1, 0);
  std::vector<FanOut::Target> targets = {{pairs.ours[0], 0}, {pairs.ours[1], 0}};
  const std::string big(1 << 20, 'x');
  fan.Send(targets, big);  // no signal for the closed peer, no block for the full one
  EXPECT_GT(targets[0].sent, 0u);
  EXPECT_LT(targets[0].sent, big.size());
  EXPECT_EQ(targets[1].sent, 0u);
  EXPECT_EQ(pairs.Read(0).size(), targets[0].sent);
}

}  // namespace
}  // namespace poolside
