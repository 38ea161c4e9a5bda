// What a client of the live pages costs: its queue, what it sent that is
// held, and the answers it asked for, forgotten once its queue is empty.
#include <gtest/gtest.h>

#include "live/client_cost.h"
#include "live/connection_gate.h"

namespace poolside {
namespace {

TEST(ClientCost, ReadsAreCountedOnceEachAndWhatIsLeftIsNotCountedAgain) {
  ClientCost cost;
  EXPECT_EQ(cost.Arrived(100), 100);
  cost.Left(40);  // the server took 60
  EXPECT_EQ(cost.Arrived(70), 30);
  cost.Left(0);
  EXPECT_EQ(cost.Arrived(0), 0);
}

TEST(ClientCost, PingsCostWhatTheirPongsHoldUntilTheQueueEmpties) {
  ClientCost cost;
  // A client that never reads and sends empty pings (6 bytes, each queuing
  // a 2-byte pong): it reaches the limit long before its pongs' bytes do.
  long long pings = 0, queued = 0;
  while (!cost.Over(queued, 0, kClientQueueBytes)) {
    cost.Frames(6);
    queued += 2;
    ++pings;
  }
  EXPECT_LT(pings, 3000);
  EXPECT_LT(queued, 8 * 1024);
  // Once everything queued has left, what it sent costs nothing any more.
  EXPECT_EQ(cost.Now(0, 0), ClientCost::kBase);
  EXPECT_FALSE(cost.Over(400 * 1024, 0, kClientQueueBytes));
  EXPECT_TRUE(cost.Over(kClientQueueBytes, 0, kClientQueueBytes));
}

TEST(ClientCost, AnswersNotReadAndAPartialRequestCount) {
  ClientCost cost;
  for (int i = 0; i < 100; ++i) cost.Answered();
  EXPECT_EQ(cost.Now(300, 1000), ClientCost::kBase + 300 + 1000 + 100 * ClientCost::kPerAnswer);
  EXPECT_EQ(cost.Now(0, 1000), ClientCost::kBase + 1000);
}

}  // namespace
}  // namespace poolside
