// Admission of the live pages' connections: arrival order, the share of one
// address, the refusal slots, the fair share of a new address when full, the refusal log's rate,
// and the connection budget the descriptor limit leaves after the desk's reserve.
#include <gtest/gtest.h>

#include <vector>

#include "live/connection_gate.h"
#include "live/descriptor_budget.h"

namespace poolside {
namespace {

using namespace std::chrono_literals;

TEST(ConnectionGate, FirstArrivalsAreServedLaterOnesRefusedThenClosedUntilASlotFrees) {
  ConnectionGate gate({.served = 2, .perAddress = 100, .refusalSlots = 1});
  const Opened a = gate.Open("10.0.0.1");
  EXPECT_EQ(a.admission, Admission::Serve);
  EXPECT_EQ(gate.Open("10.0.0.2").admission, Admission::Serve);
  EXPECT_FALSE(gate.WouldServe("10.0.0.3"));
  const Opened refused = gate.Open("10.0.0.3");
  EXPECT_EQ(refused.admission, Admission::Refuse);  // answered 503
  EXPECT_TRUE(gate.Full());
  EXPECT_FALSE(gate.Rebalances());                               // every address holds its share
  EXPECT_EQ(gate.Open("10.0.0.4").admission, Admission::Close);  // no slot left even to refuse
  EXPECT_EQ(gate.Held(), 3);
  // The refused one leaving frees a refusal slot, not a served one.
  gate.Closed(refused.id);
  gate.Closed(refused.id);  // twice is once
  EXPECT_FALSE(gate.Full());
  EXPECT_EQ(gate.Open("10.0.0.5").admission, Admission::Refuse);
  gate.Closed(a.id);
  EXPECT_TRUE(gate.WouldServe("10.0.0.6"));
  EXPECT_EQ(gate.Open("10.0.0.6").admission, Admission::Serve);
  EXPECT_EQ(gate.Served(), 2);
  gate.Closed(0);  // a connection closed unanswered was never counted
  EXPECT_EQ(gate.Held(), 3);
}

TEST(ConnectionGate, OneAddressGetsItsShareAndOthersStillGetIn) {
  ConnectionGate gate({.served = 10, .perAddress = 3, .refusalSlots = 2});
  std::vector<Opened> mine;
  for (int i = 0; i < 3; ++i) mine.push_back(gate.Open("192.168.1.9"));
  for (const Opened& o : mine) EXPECT_EQ(o.admission, Admission::Serve);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(gate.Open("192.168.1.9").admission, Admission::Close);
  EXPECT_FALSE(gate.WouldServe("192.168.1.9"));
  EXPECT_EQ(gate.Open("192.168.1.10").admission, Admission::Serve);
  EXPECT_EQ(gate.Served(), 4);
  gate.Closed(mine[0].id);
  EXPECT_EQ(gate.Open("192.168.1.9").admission, Admission::Serve);
  // Refused connections count against their address too.
  ConnectionGate full({.served = 1, .perAddress = 2, .refusalSlots = 10});
  EXPECT_EQ(full.Open("a").admission, Admission::Serve);
  EXPECT_EQ(full.Open("a").admission, Admission::Refuse);
  EXPECT_EQ(full.Open("a").admission, Admission::Close);
  EXPECT_EQ(full.Open("b").admission,
            Admission::Refuse);  // one slot: "a" holds no more than its share
}

TEST(ConnectionGate, WhenFullANewAddressTakesTheOldestSlotOfTheLargestHolder) {
  // Twelve slots held by three machines, one of them reopening as fast as it can.
  ConnectionGate gate({.served = 12, .perAddress = 100, .refusalSlots = 2});
  std::vector<ConnectionId> big;
  for (int i = 0; i < 8; ++i) big.push_back(gate.Open("10.0.0.1").id);
  for (int i = 0; i < 3; ++i) gate.Open("10.0.0.2");
  gate.Open("10.0.0.3");
  EXPECT_EQ(gate.Served(), 12);
  EXPECT_TRUE(gate.Rebalances());
  // A new address: its share is 12 / 4 = 3; the largest holder gives up its oldest.
  Opened fresh = gate.Open("10.0.0.4");
  EXPECT_EQ(fresh.admission, Admission::Serve);
  EXPECT_EQ(fresh.evicted, big[0]);
  EXPECT_EQ(gate.Served(), 12);
  EXPECT_EQ(gate.ServedFrom("10.0.0.1"), 7);
  gate.Closed(big[0]);  // the evicted one closing later frees nothing more
  EXPECT_EQ(gate.Served(), 12);
  // The new address keeps getting slots up to its share, then waits its turn.
  EXPECT_EQ(gate.Open("10.0.0.4").evicted, big[1]);
  EXPECT_EQ(gate.Open("10.0.0.4").evicted, big[2]);
  const Opened beyond = gate.Open("10.0.0.4");
  EXPECT_EQ(beyond.admission, Admission::Refuse);
  EXPECT_EQ(beyond.evicted, 0u);
  // The largest holder reopening is refused: it already holds more than its share.
  EXPECT_EQ(gate.Open("10.0.0.1").admission, Admission::Refuse);
  EXPECT_TRUE(gate.Full());
  EXPECT_EQ(gate.Open("10.0.0.1").admission, Admission::Close);
  // Another new address still gets in while anyone holds more than its share.
  EXPECT_TRUE(gate.Rebalances());
  EXPECT_EQ(gate.Open("10.0.0.5").evicted, big[3]);
  EXPECT_EQ(gate.ServedFrom("10.0.0.1"), 4);
}

TEST(ConnectionGate, NoSlotIsTakenFromAnAddressHoldingNoMoreThanItsShare) {
  // Every address holds one: a new one waits rather than take a slot.
  ConnectionGate gate({.served = 4, .perAddress = 100, .refusalSlots = 0});
  for (const char* a : {"a", "b", "c", "d"}) EXPECT_EQ(gate.Open(a).admission, Admission::Serve);
  EXPECT_FALSE(gate.Rebalances());
  EXPECT_EQ(gate.Open("e").admission, Admission::Close);
  // Two each: a fifth address's share is 4 / 3 = 1, below what both hold.
  ConnectionGate two({.served = 4, .perAddress = 100, .refusalSlots = 0});
  for (const char* a : {"a", "a", "b", "b"}) two.Open(a);
  EXPECT_TRUE(two.Rebalances());
  const Opened c = two.Open("c");
  EXPECT_EQ(c.admission, Admission::Serve);
  EXPECT_NE(c.evicted, 0u);
  EXPECT_EQ(two.ServedFrom("a") + two.ServedFrom("b"), 3);
  EXPECT_EQ(two.FairShare(3), 1);
}

TEST(RefusalLog, FirstRefusalAtOnceThenOneSummaryPerInterval) {
  RefusalLog log(10s);
  const auto t0 = RefusalLog::Clock::time_point{} + 1h;
  EXPECT_EQ(log.Note(RefusalLog::LimitReached, t0), "ライブページ: 断った接続 1 件 (満員 1)");
  for (int i = 0; i < 1000; ++i) {
    EXPECT_EQ(log.Note(i % 2 ? RefusalLog::SameAddress : RefusalLog::SlowRequest, t0 + 1s), "");
  }
  EXPECT_EQ(log.Due(t0 + 9s), "");
  EXPECT_EQ(log.Due(t0 + 10s),
            "ライブページ: 断った接続 1000 件 (同じアドレスの上限 500, 要求が届かない 500)");
  EXPECT_EQ(log.Due(t0 + 30s), "");  // nothing new
  EXPECT_EQ(log.Note(RefusalLog::NoDescriptor, t0 + 31s),
            "ライブページ: 断った接続 1 件 (記述子不足 1)");
  EXPECT_EQ(log.Total(), 1002);
}

TEST(DescriptorBudget, ConnectionsAreWhatTheLimitLeavesAfterTheDeskReserve) {
  const int kept = kDeskDescriptorReserve + kRefusalSlots;
  EXPECT_EQ(ConnectionBudget(2000, 1024, 40), 1024 - 40 - kept);
  EXPECT_EQ(ConnectionBudget(2000, 1 << 20, 40), 2000);
  EXPECT_EQ(ConnectionBudget(2000, 100, 40), 0);
  EXPECT_EQ(ConnectionBudget(2000, 1024, -1), 1024 - kept);  // open count unknown
  // This process: raising the limit never lowers it, and the count is sane.
  const long before = DescriptorLimit();
  EXPECT_GE(RaiseDescriptorLimit(), before);
  EXPECT_GT(OpenDescriptors(), 2);
}

}  // namespace
}  // namespace poolside
