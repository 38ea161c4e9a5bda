// The live server under concurrent hostile clients while a race goes on:
// client threads from a dozen loopback addresses send the refused requests,
// oversized and half-sent ones, WebSocket frames the server must refuse, and
// close at random moments (orderly, half-closed or reset), while events flow
// to a viewer. Bounded to a few seconds; the sanitizers do the judging of
// memory, the test the judging of what the viewer and the next client get.
// POOLSIDE_STRESS_SEED replays one run.
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QJsonObject>
#include <QWebSocket>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "live/qt/live_server.h"
#include "live_qt/live_rig.h"

namespace poolside {
namespace {

using namespace live_rig;
using namespace std::chrono_literals;

// What the hostile clients send: refused requests, good ones, and bytes that
// are no request at all.
std::vector<std::string> Requests() {
  auto get = [](const std::string& path) {
    return "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
  };
  return {
      "POST / HTTP/1.1\r\nHost: x\r\nContent-Length: 3\r\n\r\nabc",
      "DELETE /api/state HTTP/1.1\r\nHost: x\r\n\r\n",
      get("/static/%2e%2e/%2e%2e/taikai.dat"),
      get("/../../taikai.dat"),
      get("/results%2f1"),
      get("/results/abc"),
      get("/results/2"),
      get("/api/races/3"),
      get("/results/1025"),
      get("/ws"),
      get("/" + std::string(4000, 'a')),
      "GET / HTTP/1.1\r\nHost: x\r\nX-Pad: " + std::string(200000, 'a') + "\r\n\r\n",
      "POST / HTTP/1.1\r\nHost: x\r\nContent-Length: 99999999\r\n\r\n" + std::string(30000, 'b'),
      get("/") + get("/api/state") + get("/results/1") + get("/api/races/1"),
      get("/scoreboard"),
      std::string("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03", 11) + std::string(500, '\0'),
      "GET /ws HTTP/1.1\r\nHost: x\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
      "Sec-WebSocket-Version: 99\r\n\r\n",
      "GET /api/state HTTP/1.1\r\nHost: x\r\nUpgrade: h2c\r\nConnection: Upgrade\r\n\r\n",
  };
}

// What a WebSocket client sends after its upgrade: pings, a message, frames
// beyond the limits, an unmasked frame, a close, noise.
std::vector<std::string> Frames() {
  std::string text = "\x81\x85";
  text += std::string("\x01\x02\x03\x04", 4) + "HELLO";
  std::string huge = "\x82\xff";
  huge += std::string("\x00\x00\x00\x00\x00\x10\x00\x00", 8) + "\x01\x02\x03\x04";
  huge += std::string(20000, 'z');
  return {MaskedPing(0),
          MaskedPing(125),
          text,
          huge,
          std::string("\x89\x05hello", 7),
          std::string("\x88\x82\x01\x02\x03\x04\x02\xea", 8),
          std::string(3000, '\xff')};
}

// One hostile client at a time, again and again until `stop`.
void Hostile(int port, unsigned seed, const std::atomic<bool>& stop,
             std::atomic<long>& connections) {
  std::mt19937 random(seed);
  const std::vector<std::string> requests = Requests();
  const std::vector<std::string> frames = Frames();
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  char buf[65536];
  auto drain = [&](int fd, int ms) {
    pollfd p{fd, POLLIN, 0};
    while (::poll(&p, 1, ms) > 0) {
      if (::recv(fd, buf, sizeof buf, MSG_DONTWAIT) <= 0) return;
      ms = 0;
    }
  };
  auto sendSome = [&](int fd, const std::string& bytes) {
    // A random prefix, in one to three pieces with short pauses.
    const std::size_t cut = pick(4) == 0 ? random() % (bytes.size() + 1) : bytes.size();
    std::size_t at = 0;
    const int pieces = 1 + pick(3);
    for (int k = 1; k <= pieces && at < cut; ++k) {
      const std::size_t end = k == pieces ? cut : at + (cut - at) / 2;
      const ssize_t n = ::send(fd, bytes.data() + at, end - at, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n <= 0) return;
      at += static_cast<std::size_t>(n);
      // A slow client: the pause between pieces is the case, not a wait.
      if (pick(2) == 0) std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000));
    }
  };
  while (!stop.load()) {
    const std::string from = "127.0.0." + std::to_string(2 + pick(12));
    const int fd = RawConnect(port, from.c_str());
    if (fd < 0) continue;
    connections.fetch_add(1);
    pollfd p{fd, POLLOUT, 0};
    if (::poll(&p, 1, 1000) > 0) {
      if (pick(3) == 0) {
        sendSome(fd, kUpgrade);
        drain(fd, pick(20));
        for (int n = pick(6); n > 0 && !stop.load(); --n) {
          sendSome(fd, frames[pick(static_cast<int>(frames.size()))]);
          if (pick(2) == 0) drain(fd, pick(5));
        }
      } else {
        sendSome(fd, requests[pick(static_cast<int>(requests.size()))]);
      }
      switch (pick(4)) {
        case 0:
          break;  // closed at once
        case 1:
          drain(fd, pick(30));
          break;
        case 2:
          ::shutdown(fd, SHUT_WR);
          drain(fd, pick(30));
          break;
        default: {
          // Reset rather than closed.
          linger reset{1, 0};
          setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
          break;
        }
      }
    }
    ::close(fd);
  }
}

// Events of a race as the timing window publishes them, round after round.
RaceEvent NextEvent(int i) {
  switch (i % 8) {
    case 0: {
      RaceShown r;
      r.race = 2;
      r.status = "1";
      r.program = 4;
      r.heat = 1;
      r.heats = 1;
      r.entries = {0, 11, 12, 0, 0, 0, 0, 0, 0, 0};
      return r;
    }
    case 1:
    case 3:
    case 5:
      return ClockShown{"   " + std::to_string(10 + i % 90) + ".00"};
    case 7:
      return RaceStatusChanged{2, i % 16 == 7 ? "1" : "2"};
    default:
      return LaneTouched{1 + i % 10, 1, "   25.06", 2506, 1, 50, false};
  }
}

TEST_F(LiveServerTest, HostileClientsClosingAtRandomWhileARaceGoesOn) {
  unsigned seed = std::random_device{}();
  if (const char* fixed = std::getenv("POOLSIDE_STRESS_SEED"))
    seed = std::strtoul(fixed, nullptr, 10);
  SCOPED_TRACE("POOLSIDE_STRESS_SEED=" + std::to_string(seed));
  // Few slots, so that the full server, the refusals and the address share
  // are all reached.
  Start(24, 6);
  std::vector<QJsonObject> got;
  auto viewer = Connect(got);
  ASSERT_TRUE(SpinUntil([&] { return !got.empty(); }));

  auto hostile = [&](const std::atomic<bool>& stop, std::atomic<long>& connections) {
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < 6; ++t) {
      threads.emplace_back(Hostile, port, seed + t, std::cref(stop), std::ref(connections));
    }
    return threads;
  };
  std::atomic<bool> stop{false};
  std::atomic<long> connections{0};
  std::vector<std::thread> threads = hostile(stop, connections);
  // The race goes on for three seconds at a pace the viewer keeps up with.
  int events = 0;
  const auto end = std::chrono::steady_clock::now() + 3s;
  SpinUntil(
      [&] {
        if (static_cast<int>(got.size()) + 200 > events) server->OnRaceEvent(NextEvent(events++));
        return std::chrono::steady_clock::now() > end;
      },
      10000);
  stop = true;
  for (auto& t : threads) t.join();
  EXPECT_GT(connections.load(), 100);

  // The viewer had every event, in order; the server serves the next client
  // and lets go of every hostile connection.
  auto eventsSeen = [&] {
    int n = 0;
    for (const auto& m : got) n += m["type"].toString() != "heartbeat";
    return n;
  };
  ASSERT_TRUE(SpinUntil([&] { return eventsSeen() == events + 1; }, 20000))
      << eventsSeen() << " of " << events + 1;
  int expected = got[0]["seq"].toInt();
  for (const auto& m : got) {
    if (m["type"].toString() == "heartbeat" || m["type"].toString() == "state") continue;
    ASSERT_EQ(m["seq"].toInt(), ++expected);
  }
  EXPECT_EQ(server->DroppedInputs(), 0u);
  EXPECT_TRUE(SpinUntil([&] { return server->Clients() == 1; }, 10000)) << server->Clients();
  EXPECT_TRUE(SpinUntil([&] { return Get(port, "/api/state").status == 200; }, 10000));

  // And it stops cleanly while hostile clients are still at it.
  std::atomic<bool> stopAgain{false};
  threads = hostile(stopAgain, connections);
  SpinUntil([] { return false; }, 300);
  server->Stop();
  stopAgain = true;
  for (auto& t : threads) t.join();
}

}  // namespace
}  // namespace poolside
