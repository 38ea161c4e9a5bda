// The race on a broker end to end: the program times a race from the
// console simulator over a pseudo-terminal and publishes it to a real
// Mosquitto on a free loopback port. A subscriber receives it whole and in
// order; a relay serves the desk's pages from the broker; a broker killed
// mid-race loses nothing within the desk's buffer and leaves reception's
// files as the console sent them; a too open auth file is refused.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>
#include <QWebSocket>

#include <filesystem>
#include <functional>
#include <regex>
#include <set>
#include <sstream>

#include "desk_run.h"
#include "http_client.h"
#include "support/test_broker.h"

namespace {

namespace fs = std::filesystem;
using e2e::Child;
using e2e::RaceText;
using e2e::ReadAll;
using poolside::testing::TestBroker;

using e2e::Get;
using e2e::Json;
using e2e::Reply;
using e2e::SpinUntil;

// The messages of a WebSocket feed, as text.
struct Feed {
  QWebSocket ws;
  std::vector<std::string> got;
  explicit Feed(int port) {
    QObject::connect(&ws, &QWebSocket::textMessageReceived,
                     [this](const QString& m) { got.push_back(m.toStdString()); });
    ws.open(QUrl("ws://127.0.0.1:" + QString::number(port) + "/ws"));
  }
  // The feed's messages by sequence, heartbeats and snapshots left out.
  std::map<int, std::string> Events() const {
    std::map<int, std::string> out;
    for (const auto& m : got) {
      const QJsonObject o = Json(m);
      const QString type = o["type"].toString();
      if (type != "heartbeat" && type != "state") out[o["seq"].toInt()] = m;
    }
    return out;
  }
  int LastSeq() const { return got.empty() ? -1 : Json(got.back())["seq"].toInt(); }
};

// Sequence numbers of mosquitto_sub -v output lines on TOPIC.
std::vector<int> Seqs(const std::string& output, const std::string& topic) {
  std::vector<int> seqs;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind(topic + " ", 0) != 0) continue;
    seqs.push_back(Json(line.substr(topic.size() + 1))["seq"].toInt());
  }
  return seqs;
}

class MqttEndToEnd : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "test_mqtt_e2e";
    static char* argv[] = {name, nullptr};
    app_ = new QCoreApplication(argc, argv);
  }
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("poolside-mqtt-e2e-" + std::to_string(getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    meet_ = dir_ / "demo";
    ASSERT_TRUE(e2e::MakeDemoMeet(meet_, 0));
  }
  void TearDown() override {
    if (!HasFailure()) fs::remove_all(dir_);
  }
  // The simulator on a pty swimming race 1; the pty's path.
  std::string Simulator(std::unique_ptr<Child>& sim, std::vector<std::string> more) {
    std::vector<std::string> args = {
        SIM_BIN,  "--wait-open", "--races", "1",  "--lanes",  "6",
        "--laps", "2",           "--seed",  "11", "--expect", (dir_ / "expect").string()};
    args.insert(args.end(), more.begin(), more.end());
    fs::create_directories(dir_ / "expect");
    sim = std::make_unique<Child>(args, dir_, dir_ / "sim.out", dir_ / "sim.err");
    const std::string pty = e2e::SimulatorPty(dir_ / "sim.out");
    return pty;
  }
  std::unique_ptr<Child> Desk(const std::string& pty, const std::string& script,
                              std::vector<std::string> more) {
    std::ofstream(dir_ / "race.script") << script;
    std::vector<std::string> args = {POOLSIDE_BIN, "-platform", "offscreen", "--drive",
                                     "c=" + meet_.string()};
    if (!pty.empty()) args.insert(args.end(), {"--com", "1=" + pty});
    args.insert(args.end(), more.begin(), more.end());
    args.insert(args.end(), {"--script", (dir_ / "race.script").string()});
    return std::make_unique<Child>(args, meet_ / "prog", dir_ / "out", dir_ / "err");
  }

  static QCoreApplication* app_;
  fs::path dir_, meet_;
};

QCoreApplication* MqttEndToEnd::app_ = nullptr;

TEST_F(MqttEndToEnd, ASubscriberGetsTheRaceWholeAndARelayServesTheDesksPages) {
  TestBroker broker(dir_.string());
  ASSERT_TRUE(broker.Start());
  const std::string host = "127.0.0.1:" + std::to_string(broker.Port());
  Child sub({"/usr/bin/mosquitto_sub", "-h", "127.0.0.1", "-p", std::to_string(broker.Port()), "-q",
             "1", "-v", "-t", "meet/events"},
            dir_, dir_ / "sub.out", dir_ / "sub.err");
  std::unique_ptr<Child> sim;
  const std::string pty = Simulator(sim, {"--tick", "20", "--speed", "10"});
  ASSERT_EQ(pty.rfind("/dev/", 0), 0u) << ReadAll(dir_ / "sim.err");
  auto desk = Desk(pty, "wait 3000\nclick frmRace.cmdZushin\nwait 30000\nend\n",
                   {"--http", "127.0.0.1:0", "--mqtt", host, "--mqtt-prefix", "meet"});
  const int deskPort = e2e::HttpPort(dir_ / "err");
  ASSERT_NE(deskPort, 0) << ReadAll(dir_ / "err");
  Child relay({POOLSIDE_BIN, "--relay", host, "--http", "127.0.0.1:0", "--mqtt-prefix", "meet"},
              dir_, dir_ / "relay.out", dir_ / "relay.err");
  const int relayPort = e2e::HttpPort(dir_ / "relay.err");
  ASSERT_NE(relayPort, 0) << ReadAll(dir_ / "relay.err");
  Feed deskFeed(deskPort), relayFeed(relayPort);
  ASSERT_TRUE(SpinUntil([&] { return !deskFeed.got.empty() && !relayFeed.got.empty(); }, 5000));

  // The race to its end and the next race on screen, at the desk and the relay.
  auto next = [](const Feed& f) {
    for (const auto& [seq, m] : f.Events()) {
      if (m.find("\"type\":\"race_shown\"") != std::string::npos && seq > 2) return true;
    }
    return false;
  };
  ASSERT_TRUE(SpinUntil([&] { return next(deskFeed); }, 40000)) << ReadAll(dir_ / "err");
  ASSERT_TRUE(SpinUntil(
      [&] { return relayFeed.Events().rbegin()->first >= deskFeed.Events().rbegin()->first; },
      10000))
      << ReadAll(dir_ / "relay.err");

  // The relay's clients saw the desk's own messages: every one of them from
  // the relay's first snapshot on, byte for byte.
  const auto deskEvents = deskFeed.Events();
  const auto relayed = relayFeed.Events();
  const int from = Json(relayFeed.got.front())["seq"].toInt();
  int lanes = 0;
  for (const auto& [seq, m] : deskEvents) {
    if (seq <= from) continue;
    ASSERT_TRUE(relayed.count(seq)) << seq;
    EXPECT_EQ(relayed.at(seq), m) << seq;
    lanes += m.find("\"type\":\"lane\"") != std::string::npos;
  }
  // Both feeds join while the console already runs: on a loaded machine
  // the relay may join after the first touches, never after the last.
  EXPECT_GT(lanes, 0);
  EXPECT_LE(lanes, 6 * 2);
  // The same JSON and result pages, once both are quiet.
  Reply deskState, relayState;
  EXPECT_TRUE(SpinUntil(
      [&] {
        deskState = Get(deskPort, "/api/state");
        relayState = Get(relayPort, "/api/state");
        return deskState.body == relayState.body;
      },
      5000))
      << deskState.body << "\n"
      << relayState.body;
  EXPECT_EQ(Json(relayState.body)["result"].toObject()["race"].toInt(), 1);
  const Reply deskRace = Get(deskPort, "/api/races/1");
  EXPECT_EQ(deskRace.status, 200);
  EXPECT_EQ(Get(relayPort, "/api/races/1").body, deskRace.body);
  EXPECT_EQ(Get(relayPort, "/results/1").body, Get(deskPort, "/results/1").body);
  EXPECT_EQ(Get(relayPort, "/results").body, Get(deskPort, "/results").body);
  EXPECT_EQ(Get(relayPort, "/api/races/2").status, 404);

  // The subscriber: every message of the race, in order, none twice.
  const std::vector<int> seqs = Seqs(ReadAll(dir_ / "sub.out"), "meet/events");
  ASSERT_FALSE(seqs.empty());
  for (std::size_t i = 1; i < seqs.size(); ++i) EXPECT_EQ(seqs[i], seqs[i - 1] + 1) << i;
  EXPECT_GE(seqs.back(), deskEvents.rbegin()->first);

  // The broker dies: the relay's pages show the link-lost mark. A broker
  // back without its store gets the desk's state again, and the relay
  // catches up from it.
  broker.Kill();
  EXPECT_TRUE(SpinUntil(
      [&] { return Json(Get(relayPort, "/api/state").body)["link"].toObject()["lost"].toBool(); },
      5000));
  EXPECT_TRUE(Json(relayFeed.got.back())["link"].toObject()["lost"].toBool());
  ASSERT_TRUE(broker.Start());
  EXPECT_TRUE(SpinUntil(
      [&] { return Get(relayPort, "/api/state").body == Get(deskPort, "/api/state").body; }, 15000))
      << ReadAll(dir_ / "relay.err");
  EXPECT_EQ(Get(relayPort, "/api/races/1").body, deskRace.body);
  const std::string err = ReadAll(dir_ / "err");
  EXPECT_NE(err.find("接続できません"), std::string::npos) << err;
  EXPECT_EQ(err.find("接続できません"), err.rfind("接続できません")) << err;  // once
}

TEST_F(MqttEndToEnd, ABrokerKilledMidRaceLosesNothingAndLeavesTheFilesAsTheConsoleSentThem) {
  TestBroker broker(dir_.string(), "allow_anonymous true\npersistence true\npersistence_location " +
                                       dir_.string() +
                                       "/\nautosave_interval 1\nautosave_on_changes true\n");
  ASSERT_TRUE(broker.Start());
  const std::string host = "127.0.0.1:" + std::to_string(broker.Port());
  // A results office: its session outlives the broker's death.
  Child sub({"/usr/bin/mosquitto_sub", "-h", "127.0.0.1", "-p", std::to_string(broker.Port()), "-c",
             "-i", "office", "-q", "1", "-v", "-t", "meet/events"},
            dir_, dir_ / "sub.out", dir_ / "sub.err");
  // Its subscription is on the broker's disk before the broker dies.
  ASSERT_TRUE(SpinUntil([&] { return broker.SavedAfter("office 1 meet/events"); }, 5000))
      << ReadAll(broker.Log());
  std::unique_ptr<Child> sim;
  const std::string pty = Simulator(sim, {"--tick", "20", "--speed", "4"});
  ASSERT_EQ(pty.rfind("/dev/", 0), 0u) << ReadAll(dir_ / "sim.err");
  auto desk = Desk(pty, "wait 500\nclick frmRace.cmdZushin\nwait 60000\nend\n",
                   {"--mqtt", host, "--mqtt-prefix", "meet"});
  auto received = [&](const char* type) {
    const std::string out = ReadAll(dir_ / "sub.out");
    int n = 0;
    for (auto at = out.find(type); at != std::string::npos; at = out.find(type, at + 1)) ++n;
    return n;
  };
  ASSERT_TRUE(SpinUntil([&] { return received("\"type\":\"lane\"") >= 3; }, 30000))
      << ReadAll(dir_ / "err");
  broker.Kill();
  // The outage is real: the desk has seen the broker go (the touches still
  // coming are kept for it) before the broker comes back.
  ASSERT_TRUE(SpinUntil(
      [&] { return ReadAll(dir_ / "err").find("接続できません") != std::string::npos; }, 10000))
      << ReadAll(dir_ / "err");
  ASSERT_TRUE(broker.Start());
  ASSERT_TRUE(SpinUntil([&] { return received("\"type\":\"race_shown\"") >= 2; }, 60000))
      << ReadAll(dir_ / "err");
  desk->Kill();
  EXPECT_EQ(sim->Wait(10), 0) << ReadAll(dir_ / "sim.err");  // writes what it sent

  // Every message, in order (a repeat of QoS 1 aside), from the first race
  // shown to the next.
  std::vector<int> seqs;
  for (int s : Seqs(ReadAll(dir_ / "sub.out"), "meet/events")) {
    if (seqs.empty() || s > seqs.back()) seqs.push_back(s);
  }
  ASSERT_FALSE(seqs.empty());
  EXPECT_EQ(seqs.front(), 1);
  for (std::size_t i = 1; i < seqs.size(); ++i) EXPECT_EQ(seqs[i], seqs[i - 1] + 1) << i;
  std::set<std::string> lanes;
  std::istringstream lines(ReadAll(dir_ / "sub.out"));
  for (std::string line; std::getline(lines, line);) {
    if (line.find("\"type\":\"lane\"") != std::string::npos) lanes.insert(line);
  }
  EXPECT_EQ(lanes.size(), 6u * 2);  // every lap and finish, a repeat counted once
  // The desk said it once, naming the broker, and went on timing.
  const std::string err = ReadAll(dir_ / "err");
  std::size_t said = 0;
  for (auto at = err.find("接続できません"); at != std::string::npos;
       at = err.find("接続できません", at + 1)) {
    ++said;
  }
  EXPECT_EQ(said, 1u) << err;
  EXPECT_NE(err.find(host), std::string::npos) << err;
  EXPECT_EQ(ReadAll(meet_ / "meet" / "lap" / "r0001"), ReadAll(dir_ / "expect" / "lap1"));
  EXPECT_EQ(ReadAll(meet_ / "meet" / "goal" / "g0001"), ReadAll(dir_ / "expect" / "goal1"));
  EXPECT_FALSE(ReadAll(dir_ / "expect" / "goal1").empty());
  EXPECT_EQ(ReadAll(dir_ / "out").find("message:"), std::string::npos) << ReadAll(dir_ / "out");
}

TEST_F(MqttEndToEnd, WithoutMqttNoConnectionAndATooOpenAuthFileIsRefused) {
  TestBroker broker(dir_.string());
  ASSERT_TRUE(broker.Start());
  const std::string host = "127.0.0.1:" + std::to_string(broker.Port());
  auto plain = Desk("", "wait 300\nend\n", {});
  EXPECT_EQ(plain->Wait(30), 0);
  const fs::path auth = dir_ / "auth";
  std::ofstream(auth) << "desk\nsecret\n";
  chmod(auth.c_str(), 0644);
  auto open = Desk("", "wait 300\nend\n", {"--mqtt", host, "--mqtt-auth", auth.string()});
  EXPECT_EQ(open->Wait(30), 0);
  // A warning on standard error in a script run; the desk goes on without the broker.
  const std::string err = ReadAll(dir_ / "err");
  EXPECT_NE(err.find("warning: MQTT の認証ファイル " + auth.string()), std::string::npos) << err;
  EXPECT_NE(err.find("chmod 600"), std::string::npos) << err;
  Child relay({POOLSIDE_BIN, "--relay", host, "--http", "127.0.0.1:0", "--mqtt-auth",
               (dir_ / "missing").string()},
              dir_, dir_ / "relay.out", dir_ / "relay.err");
  EXPECT_EQ(relay.Wait(30), 1);
  EXPECT_NE(ReadAll(dir_ / "relay.err").find((dir_ / "missing").string()), std::string::npos);
  EXPECT_FALSE(broker.Logged("New client connected")) << ReadAll(broker.Log());
  // With a file only its owner reads, the desk connects.
  chmod(auth.c_str(), 0600);
  auto good = Desk("", "wait 60000\nend\n", {"--mqtt", host, "--mqtt-auth", auth.string()});
  EXPECT_TRUE(SpinUntil([&] { return broker.Logged("u'desk'"); }, 30000)) << ReadAll(broker.Log());
  EXPECT_TRUE(broker.Logged("New client connected")) << ReadAll(broker.Log());
  good->Kill();
}

}  // namespace
