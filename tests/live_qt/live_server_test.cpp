// The live pages' server in-process: a meet folder on disk, events pushed as
// the timing window would, and real HTTP and WebSocket clients on the
// loopback. The Qt layer is thin; these tests check its wiring, limits and
// refusals, not the page texts (tests/live).
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QWebSocket>

#include <memory>
#include <string>
#include <vector>

#include "live/descriptor_budget.h"
#include "live/qt/live_server.h"
#include "live_qt/live_rig.h"

namespace poolside {
namespace {

using namespace live_rig;

ReceptionStarted Started(const char* device) {
  ReceptionStarted e;
  e.port = 1;
  e.device = device;
  return e;
}

const std::string kHostile = "<script>alert(\"x\")</script>&'";

RaceShown HostileRace(int race) {
  RaceShown r;
  r.race = race;
  r.status = "1";
  r.program = 4;
  r.heat = 1;
  r.heats = 1;
  r.sex = r.raceClass = r.event = r.round = {kHostile, kHostile};
  r.entries = {0, 11, 12, 0, 0, 0, 0, 0, 0, 0};
  return r;
}

TEST_F(LiveServerTest, EveryPageEscapesTextsFromEventsAndFiles) {
  Start();
  server->OnRaceEvent(HostileRace(2));
  server->OnRaceEvent(LaneTouched{2, 1, kHostile, 0, 1, 50, false});
  ASSERT_TRUE(SpinUntil([&] {
    return Get(port, "/api/state").body.find("\"lane\":2,\"entry\":11,\"rank\":1") !=
           std::string::npos;
  }));
  for (const char* path :
       {"/", "/scoreboard", "/results", "/results/1", "/api/state", "/api/races/1"}) {
    const Reply r = Get(port, path);
    EXPECT_EQ(r.status, 200) << path;
    EXPECT_EQ(r.body.find("<script>alert"), std::string::npos) << path;
    EXPECT_EQ(r.body.find(dir.Path()), std::string::npos) << path;  // no machine path
    if (std::string(path).starts_with("/api/")) {
      EXPECT_NE(r.head.find("application/json"), std::string::npos);
      QJsonParseError error{};
      QJsonDocument::fromJson(QByteArray::fromStdString(r.body), &error);
      EXPECT_EQ(error.error, QJsonParseError::NoError) << path << r.body;
    }
  }
  EXPECT_NE(Get(port, "/results/1").body.find("&lt;script&gt;"), std::string::npos);
  EXPECT_NE(Get(port, "/api/races/1").body.find("\\u003cscript\\u003e"), std::string::npos);
  EXPECT_NE(Get(port, "/static/scoreboard.js").head.find("javascript"), std::string::npos);
}

TEST_F(LiveServerTest, NamesGoOutAsSetOnEveryPageStandingsSearchAndOverlays) {
  dir.Write("entries.csv",
            "番号,氏名,フリガナ,所属\n11,山田 太郎,ヤマダ タロウ,第一中\n12,鈴木 花子,,B\n");
  Start(2000, 256, PublicNames::Initials);
  RaceShown shown;
  shown.race = 2;
  shown.program = 4;
  shown.entries[1] = 11;
  server->OnRaceEvent(shown);
  ASSERT_TRUE(SpinUntil([&] {
    return Get(port, "/api/state").body.find("\"name\":\"山．太．\",\"club\":\"第一中\"") !=
           std::string::npos;
  }));
  const Reply race = Get(port, "/api/races/1");
  EXPECT_NE(race.body.find("\"entry\":11,"), std::string::npos);
  EXPECT_NE(race.body.find("\"name\":\"山．太．\",\"kana\":\"\",\"club\":\"第一中\""),
            std::string::npos)
      << race.body;
  const Reply events = Get(port, "/api/events/4");
  EXPECT_EQ(events.status, 200);
  EXPECT_NE(events.body.find("\"provisional\":true"), std::string::npos) << events.body;
  EXPECT_NE(events.body.find("\"place\":1,\"race\":1,\"heat\":1,\"lane\":2,\"entry\":11,"
                             "\"name\":\"山．太．\""),
            std::string::npos)
      << events.body;
  EXPECT_EQ(Get(port, "/api/events/5").status, 404);
  EXPECT_NE(Get(port, "/events").body.find("競技中"), std::string::npos);  // race 2 on screen
  EXPECT_NE(Get(port, "/events/4").body.find("暫定"), std::string::npos);
  // The search finds the club, never the hidden name.
  EXPECT_NE(Get(port, "/find?q=%E7%AC%AC%E4%B8%80").body.find("山．太．（第一中）"),
            std::string::npos);
  EXPECT_NE(Get(port, "/find?q=%E5%B1%B1%E7%94%B0").body.find("見つかりません"), std::string::npos);
  const Reply overlay = Get(port, "/overlay/lanes?scale=0.5&delay=300");
  EXPECT_EQ(overlay.status, 200);
  EXPECT_NE(overlay.body.find("data-kind=\"lanes\""), std::string::npos);
  EXPECT_NE(Get(port, "/static/overlay.js").head.find("javascript"), std::string::npos);
  for (const char* path : {"/", "/scoreboard", "/results/1", "/api/state", "/api/races/1",
                           "/api/events/4", "/events/4", "/overlay/lanes"}) {
    EXPECT_EQ(Get(port, path).body.find("太郎"), std::string::npos) << path;
  }
}

TEST_F(LiveServerTest, RefusesOtherMethodsPathsAndOversizedRequests) {
  Start();
  const Reply post = Request(port, "POST / HTTP/1.1\r\nHost: x\r\nContent-Length: 3\r\n\r\nabc");
  EXPECT_EQ(post.status, 405);
  EXPECT_NE(post.head.find("Allow: GET"), std::string::npos);
  EXPECT_EQ(Request(port, "DELETE /api/state HTTP/1.1\r\nHost: x\r\n\r\n").status, 405);
  EXPECT_EQ(Get(port, "/static/%2e%2e/%2e%2e/taikai.dat").status, 404);
  EXPECT_EQ(Get(port, "/../../taikai.dat").status, 404);
  EXPECT_EQ(Get(port, "/results%2f1").status, 404);
  EXPECT_EQ(Get(port, "/results/abc").status, 400);
  EXPECT_EQ(Get(port, "/results/2").status, 404);    // not finished
  EXPECT_EQ(Get(port, "/api/races/3").status, 404);  // not in the meet
  EXPECT_EQ(Get(port, "/results/1025").status, 404);
  EXPECT_EQ(Get(port, "/ws").status, 400);  // not an upgrade
  EXPECT_EQ(Get(port, "/" + std::string(4000, 'a')).status, 400);
  // A request far beyond the bound is cut, never answered 200.
  const Reply big =
      Request(port, "GET / HTTP/1.1\r\nHost: x\r\nX-Pad: " + std::string(200000, 'a') + "\r\n\r\n");
  EXPECT_NE(big.status, 200);
  EXPECT_EQ(Get(port, "/").status, 200);  // and the server goes on
}

TEST_F(LiveServerTest, SocketSendsTheSnapshotThenOneMessagePerEventInOrder) {
  Start();
  server->OnRaceEvent(HostileRace(2));
  std::vector<QJsonObject> got;
  auto ws = Connect(got);
  ASSERT_TRUE(SpinUntil([&] { return !got.empty(); }));
  EXPECT_EQ(got[0]["type"].toString(), "state");
  EXPECT_EQ(got[0]["race"].toObject()["race"].toInt(), 2);  // a late joiner is right at once
  server->OnRaceEvent(Started("/dev/pts/7"));
  server->OnRaceEvent(BlockRead{"   0.10 \r", {}, {}});
  server->OnRaceEvent(ClockShown{"    0.10"});
  server->OnRaceEvent(LaneTouched{2, 1, "   25.06", 2506, 1, 50, false});
  server->OnRaceEvent(LinkHealth{1, LinkHealth::State::Silence, 3, "COM1 3 秒"});
  server->OnRaceEvent(HostileRace(3));
  ASSERT_TRUE(SpinUntil([&] { return got.size() >= 6; })) << got.size();
  const char* kinds[] = {"state", "reception", "clock", "lane", "link", "race_shown"};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(got[i]["type"].toString(), kinds[i]) << i;
    if (i > 0) {
      EXPECT_EQ(got[i]["seq"].toInt(), got[i - 1]["seq"].toInt() + 1) << i;
    }
  }
  EXPECT_EQ(got[3]["lane"].toObject()["time"].toString(), "   25.06");
  EXPECT_TRUE(got[4]["link"].toObject()["lost"].toBool());
  // The new race comes with its lanes empty: lane 2's time is gone.
  const QJsonArray lanes = got[5]["race"].toObject()["lanes"].toArray();
  ASSERT_EQ(lanes.size(), 10);
  EXPECT_EQ(lanes[1].toObject()["time"].toString(), "");
  EXPECT_EQ(got[5]["race"].toObject()["race"].toInt(), 3);
  EXPECT_EQ(server->Clients(), 1);
}

TEST_F(LiveServerTest, EventsQueuedTogetherArriveAsWholeMessagesInOrder) {
  // Events published faster than the server drains go out framed together;
  // each must still arrive as its own message, short, long and very long.
  Start();
  server->OnRaceEvent(HostileRace(2));
  std::vector<QJsonObject> got;
  auto ws = Connect(got);
  ASSERT_TRUE(SpinUntil([&] { return !got.empty(); }));
  const std::string huge(70000, 'h');
  const int events = 300;
  for (int i = 0; i < events; ++i) {
    const std::string time = i == 150 ? huge : i == 151 ? std::string(200, 'm') : "   25.06";
    server->OnRaceEvent(LaneTouched{1 + i % 10, 1, time, 0, 1, 0, false});
  }
  ASSERT_TRUE(SpinUntil([&] { return static_cast<int>(got.size()) == events + 1; })) << got.size();
  for (int i = 1; i <= events; ++i) {
    ASSERT_EQ(got[i]["type"].toString(), "lane") << i;
    EXPECT_EQ(got[i]["seq"].toInt(), got[0]["seq"].toInt() + i) << i;
  }
  EXPECT_EQ(got[151]["lane"].toObject()["time"].toString().size(), 70000);
  EXPECT_EQ(got[152]["lane"].toObject()["time"].toString().size(), 200);
  EXPECT_EQ(got[153]["lane"].toObject()["time"].toString(), "   25.06");
  EXPECT_EQ(server->Clients(), 1);
}

TEST_F(LiveServerTest, ConnectionsBeyondTheLimitGet503) {
  Start(2);
  std::vector<QJsonObject> a, b, c;
  auto first = Connect(a);
  auto second = Connect(b);
  ASSERT_TRUE(SpinUntil([&] { return !a.empty() && !b.empty(); }));
  EXPECT_EQ(Get(port, "/api/state").status, 503);
  auto third = Connect(c);
  SpinUntil([&] { return third->state() == QAbstractSocket::UnconnectedState; }, 3000);
  EXPECT_TRUE(c.empty());
  EXPECT_EQ(server->Clients(), 2);
  first->close();
  ASSERT_TRUE(SpinUntil([&] { return server->Clients() == 1; }));
  EXPECT_EQ(Get(port, "/api/state").status, 200);
}

TEST_F(LiveServerTest, ClientThatNeverReadsIsDroppedAndOthersKeepUp) {
  Start();
  server->OnRaceEvent(HostileRace(2));
  std::vector<QJsonObject> got;
  auto reader = Connect(got);
  ASSERT_TRUE(SpinUntil([&] { return !got.empty(); }));
  // A WebSocket client that completes the handshake and then never reads.
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  int small = 4096;
  setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<std::uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  const std::string handshake =
      "GET /ws HTTP/1.1\r\nHost: x\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
      "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n";
  ASSERT_EQ(::write(fd, handshake.data(), handshake.size()),
            static_cast<ssize_t>(handshake.size()));
  ASSERT_TRUE(SpinUntil([&] { return server->Clients() == 2; }));
  const std::string big(1000, 'x');
  int sent = 0;
  SpinUntil(
      [&] {
        // Paced so that the reading client, on this thread, keeps up.
        if (static_cast<int>(got.size()) + 300 < sent) return false;
        for (int i = 0; i < 100; ++i, ++sent) {
          server->OnRaceEvent(LaneTouched{1 + sent % 10, 1, big, 0, 1, 0, false});
        }
        return server->SlowClientsDropped() == 1 || sent >= 20000;
      },
      30000);
  // The reading client had every message, in order; the other was dropped.
  // Heartbeats (every 10 s, on a busy machine during the test) carry no
  // new seq and are not counted.
  auto lanes = [&] {
    std::vector<int> seqs;
    for (const auto& m : got) {
      if (m["type"].toString() == "lane") seqs.push_back(m["seq"].toInt());
    }
    return seqs;
  };
  ASSERT_TRUE(SpinUntil([&] { return static_cast<int>(lanes().size()) >= sent; }, 20000))
      << lanes().size() << " of " << sent;
  const std::vector<int> seqs = lanes();
  ASSERT_EQ(static_cast<int>(seqs.size()), sent);
  for (int i = 0; i < sent; ++i) ASSERT_EQ(seqs[i], got[0]["seq"].toInt() + 1 + i) << i;
  EXPECT_EQ(server->SlowClientsDropped(), 1);
  EXPECT_EQ(server->Clients(), 1);
  EXPECT_EQ(server->DroppedInputs(), 0u);
  ::close(fd);
}

TEST_F(LiveServerTest, SlowSendersAreCutAndCannotHoldTheSlots) {
  Start(40);
  server->OnRaceEvent(HostileRace(2));
  std::vector<QJsonObject> got;
  auto viewer = Connect(got);
  ASSERT_TRUE(SpinUntil([&] { return !got.empty(); }));
  // More connections than slots, each sending its request a byte at a time.
  const std::string request = "GET / HTTP/1.1\r\nHost: x\r\n\r\n";
  std::vector<int> slow;
  for (int i = 0; i < 60; ++i) slow.push_back(RawConnect(port));
  QElapsedTimer t;
  t.start();
  int sent = 0, raceEvents = 0;
  bool full = false;
  // The race goes on while they trickle; the viewer connected first is
  // served throughout.
  ASSERT_TRUE(SpinUntil(
      [&] {
        if (t.elapsed() / 400 > sent && sent < static_cast<int>(request.size()) - 1) {
          for (int fd : slow) (void)::send(fd, request.data() + sent, 1, MSG_NOSIGNAL);
          ++sent;
          server->OnRaceEvent(LaneTouched{1 + raceEvents++ % 10, 1, "   25.06", 0, 1, 0, false});
          if (!full) full = Get(port, "/api/state").status == 503;
        }
        int cut = 0;
        for (int fd : slow) cut += ClosedByServer(fd);
        return cut == static_cast<int>(slow.size());
      },
      12000));
  EXPECT_TRUE(full);             // the slots were all held at first
  EXPECT_GE(t.elapsed(), 4000);  // the whole request had its five seconds
  EXPECT_EQ(Get(port, "/api/state").status, 200);
  ASSERT_TRUE(SpinUntil([&] { return static_cast<int>(got.size()) == raceEvents + 1; }));
  EXPECT_EQ(server->Clients(), 1);
  EXPECT_GE(server->Refusals(), 60);
  for (int fd : slow) ::close(fd);
}

TEST_F(LiveServerTest, OneAddressCannotTakeEverySlot) {
  RaiseDescriptorLimit();
  Start(200, 20);
  // Thousands of viewers from one machine, each upgrading once connected.
  std::vector<int> flood;
  for (int i = 0; i < 2000; ++i) {
    const int fd = RawConnect(port, "127.0.0.9");
    if (fd >= 0) flood.push_back(fd);
  }
  ASSERT_GT(flood.size(), 1500u);
  std::vector<bool> sent(flood.size(), false);
  int closed = 0;
  SpinUntil(
      [&] {
        closed = 0;
        for (std::size_t i = 0; i < flood.size(); ++i) {
          if (!sent[i])
            sent[i] = ::send(flood[i], kUpgrade.data(), kUpgrade.size(), MSG_NOSIGNAL) > 0;
          closed += ClosedByServer(flood[i]);
        }
        return closed >= static_cast<int>(flood.size()) - 20;
      },
      15000);
  // The address has its share and no more (the admitted ones may still be
  // finishing their upgrade); another machine still gets in.
  SpinUntil([&] { return server->Clients() >= 20; }, 5000);
  EXPECT_EQ(server->Clients(), 20);
  EXPECT_GE(closed, static_cast<int>(flood.size()) - 20);
  EXPECT_EQ(Get(port, "/api/state").status, 200);
  std::vector<QJsonObject> got;
  auto viewer = Connect(got);
  EXPECT_TRUE(SpinUntil([&] { return !got.empty(); }));
  EXPECT_EQ(server->Clients(), 21);
  for (int fd : flood) ::close(fd);
}

TEST_F(LiveServerTest, NeverReadingClientsSendingPingsAreDroppedWithNoRaceEvent) {
  Start();
  std::vector<QJsonObject> got;
  auto viewer = Connect(got);
  ASSERT_TRUE(SpinUntil([&] { return !got.empty(); }));
  const long before = ResidentKiB();
  const std::string& handshake = kUpgrade;
  // A masked ping with 125 bytes of payload, sent back to back.
  std::string ping = "\x89\xfd";
  ping += std::string("\x01\x02\x03\x04", 4);
  for (int i = 0; i < 125; ++i) ping.push_back(static_cast<char>('p' ^ (1 + i % 4)));
  std::string pings;
  for (int i = 0; i < 64; ++i) pings += ping;
  std::vector<int> pingers;
  for (int i = 0; i < 4; ++i) {
    const int fd = RawConnect(port);
    int small = 4096;
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    SpinUntil([&] { return ::send(fd, handshake.data(), handshake.size(), MSG_NOSIGNAL) > 0; });
    pingers.push_back(fd);
  }
  ASSERT_TRUE(SpinUntil([&] { return server->Clients() == 5; }));
  long peak = before;
  ASSERT_TRUE(SpinUntil(
      [&] {
        for (int fd : pingers) (void)::send(fd, pings.data(), pings.size(), MSG_NOSIGNAL);
        peak = std::max(peak, ResidentKiB());
        return server->SlowClientsDropped() == 4;
      },
      20000))
      << server->SlowClientsDropped() << " dropped, " << server->Clients() << " clients, "
      << peak - before << " KiB more";
  // Each held at most its queue limit: far below what the pings asked for.
  // Under AddressSanitizer freed memory waits in its quarantine (up to 256
  // MiB) before it is used again, so the resident size grows with the
  // churn of the pongs alone.
#if defined(__SANITIZE_ADDRESS__)
  constexpr long kMostKiB = 320 * 1024;
#else
  constexpr long kMostKiB = 96 * 1024;
#endif
  EXPECT_LT(peak - before, kMostKiB) << "KiB";
  EXPECT_EQ(server->Clients(), 1);
  server->OnRaceEvent(HostileRace(3));  // the reading client is still served
  EXPECT_TRUE(SpinUntil([&] { return got.size() == 2; }));
  for (int fd : pingers) ::close(fd);
}

}  // namespace
}  // namespace poolside
