// What a few machines can take from the live server: the slots when it is
// full (a new address still gets one) and the desk's memory (a client that
// never reads costs no more than its limit, whatever it sends).
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QJsonObject>

#include <string>
#include <vector>

#include "live/connection_gate.h"
#include "live/qt/live_server.h"
#include "live_qt/live_rig.h"

namespace poolside {
namespace {

using namespace live_rig;

TEST_F(LiveServerTest, ANewAddressGetsASlotWhenElevenMachinesHoldThemAll) {
  Start(24, 24);
  // Eleven machines each open six WebSocket connections (never cut by the
  // request deadline), round after round, more than the slots.
  std::vector<int> fds;
  for (int round = 0; round < 6; ++round) {
    for (int machine = 2; machine <= 12; ++machine) {
      const std::string from = "127.0.0." + std::to_string(machine);
      const int fd = RawConnect(port, from.c_str());
      ASSERT_GE(fd, 0);
      SpinUntil([&] { return ::send(fd, kUpgrade.data(), kUpgrade.size(), MSG_NOSIGNAL) > 0; });
      fds.push_back(fd);
    }
  }
  ASSERT_TRUE(SpinUntil([&] { return server->Clients() == 24; }, 10000)) << server->Clients();
  // A twelfth machine is served at once, not answered 503.
  for (int attempt = 0; attempt < 3; ++attempt) {
    const Reply r = RequestFrom(port, "127.0.0.13", "GET /api/state HTTP/1.1\r\nHost: x\r\n\r\n");
    EXPECT_EQ(r.status, 200) << attempt;
  }
  // One of the machines holding the slots gave one up.
  EXPECT_TRUE(SpinUntil([&] { return server->Clients() < 24; }, 5000)) << server->Clients();
  for (int fd : fds) ::close(fd);
}

TEST_F(LiveServerTest, NeverReadingClientsSendingEmptyPingsCostNoMoreThanTheirLimit) {
  Start();
  std::vector<QJsonObject> got;
  auto viewer = Connect(got);
  ASSERT_TRUE(SpinUntil([&] { return !got.empty(); }));
  // Empty masked pings, 6 bytes each: each makes the server queue a 2-byte
  // pong, worth far more in memory than in bytes.
  std::string pings;
  for (int i = 0; i < 2000; ++i) pings += MaskedPing(0);
  constexpr int kClients = 6;
  std::vector<int> pingers;
  for (int i = 0; i < kClients; ++i) {
    const int fd = RawConnect(port);
    int small = 4096;
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    SpinUntil([&] { return ::send(fd, kUpgrade.data(), kUpgrade.size(), MSG_NOSIGNAL) > 0; });
    pingers.push_back(fd);
  }
  ASSERT_TRUE(SpinUntil([&] { return server->Clients() == kClients + 1; }));
  const long long before = HeapBytes();
  long long peak = before;
  ASSERT_TRUE(SpinUntil(
      [&] {
        for (int fd : pingers) (void)::send(fd, pings.data(), pings.size(), MSG_NOSIGNAL);
        peak = std::max(peak, HeapBytes());
        return server->SlowClientsDropped() == kClients;
      },
      30000))
      << server->SlowClientsDropped() << " dropped, " << (peak - before) / 1024 << " KiB more";
  EXPECT_LT(peak - before, kClients * kClientQueueBytes) << (peak - before) / 1024 << " KiB";
  EXPECT_EQ(server->Clients(), 1);
  for (int fd : pingers) ::close(fd);
}

}  // namespace
}  // namespace poolside
