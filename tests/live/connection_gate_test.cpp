// Admission of the live pages' connections: arrival order, the share of one
// address, the refusal slots, the refusal log's rate, and the connection
// budget the descriptor limit leaves after the desk's reserve.
#include <gtest/gtest.h>

#include "live/connection_gate.h"
#include "live/descriptor_budget.h"

namespace poolside {
namespace {

using namespace std::chrono_literals;

TEST(ConnectionGate, FirstArrivalsAreServedLaterOnesRefusedThenClosedUntilASlotFrees) {
  ConnectionGate gate({.served = 2, .perAddress = 100, .refusalSlots = 1});
  EXPECT_EQ(gate.Open("10.0.0.1"), Admission::Serve);
  EXPECT_EQ(gate.Open("10.0.0.2"), Admission::Serve);
  EXPECT_FALSE(gate.WouldServe("10.0.0.3"));
  EXPECT_EQ(gate.Open("10.0.0.3"), Admission::Refuse);  // answered 503
  EXPECT_TRUE(gate.Full());
  EXPECT_EQ(gate.Open("10.0.0.4"), Admission::Close);  // no slot left even to refuse
  EXPECT_EQ(gate.Held(), 3);
  // The refused one leaving frees a refusal slot, not a served one.
  gate.Closed("10.0.0.3", Admission::Refuse);
  EXPECT_FALSE(gate.Full());
  EXPECT_EQ(gate.Open("10.0.0.5"), Admission::Refuse);
  gate.Closed("10.0.0.1", Admission::Serve);
  EXPECT_TRUE(gate.WouldServe("10.0.0.6"));
  EXPECT_EQ(gate.Open("10.0.0.6"), Admission::Serve);
  EXPECT_EQ(gate.Served(), 2);
  gate.Closed("10.0.0.4", Admission::Close);  // never counted
  EXPECT_EQ(gate.Held(), 3);
}

TEST(ConnectionGate, OneAddressGetsItsShareAndOthersStillGetIn) {
  ConnectionGate gate({.served = 10, .perAddress = 3, .refusalSlots = 2});
  for (int i = 0; i < 3; ++i) EXPECT_EQ(gate.Open("192.168.1.9"), Admission::Serve);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(gate.Open("192.168.1.9"), Admission::Close);
  EXPECT_FALSE(gate.WouldServe("192.168.1.9"));
  EXPECT_EQ(gate.Open("192.168.1.10"), Admission::Serve);
  EXPECT_EQ(gate.Served(), 4);
  gate.Closed("192.168.1.9", Admission::Serve);
  EXPECT_EQ(gate.Open("192.168.1.9"), Admission::Serve);
  // Refused connections count against their address too.
  ConnectionGate full({.served = 1, .perAddress = 2, .refusalSlots = 10});
  EXPECT_EQ(full.Open("a"), Admission::Serve);
  EXPECT_EQ(full.Open("a"), Admission::Refuse);
  EXPECT_EQ(full.Open("a"), Admission::Close);
  EXPECT_EQ(full.Open("b"), Admission::Refuse);
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
