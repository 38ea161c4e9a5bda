// Who may speak for the desk: a forged publisher on a real Mosquitto,
// without an access rule (the relay refuses what it can tell and follows
// the desk again) and with the access rule of docs/mosquitto (the broker
// drops every forgery before a relay sees it).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <mutex>
#include <regex>
#include <sstream>
#include <thread>

#include "live/live_json.h"
#include "mqtt/desk_publisher.h"
#include "mqtt/event_samples.h"
#include "mqtt/mosquitto/mosquitto_link.h"
#include "mqtt/relay_follower.h"
#include "support/temp_dir.h"
#include "support/test_broker.h"
#include "support/wait_for.h"

namespace poolside {
namespace {

using namespace std::chrono_literals;
using testing::TempDir;
using testing::TestBroker;

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 15s) {
  return testing::WaitFor(done, limit);
}

BrokerSettings On(int port, std::optional<MqttCredentials> who = std::nullopt) {
  BrokerSettings s;
  s.host = "127.0.0.1";
  s.port = port;
  s.credentials = std::move(who);
  return s;
}

// A relay as `poolside --relay` runs it, without the pages: every state it
// served and every line it said.
class Relay {
 public:
  Relay(int port, std::optional<MqttCredentials> who = std::nullopt)
      : follower_(
            topics_, std::make_shared<RelayRaces>(),
            [this](RelayUpdate u) {
              std::lock_guard lock(mutex_);
              served_.push_back(StateJson(u.state));
            },
            [this](const std::string& line) {
              std::lock_guard lock(mutex_);
              said_.push_back(line);
            }) {
    BrokerSettings settings = On(port, std::move(who));
    settings.subscriptions = {topics_.Status(), topics_.RaceList(), topics_.AnyRace(),
                              topics_.State(), topics_.Events()};
    BrokerLink::Handlers h;
    h.connected = [this] { follower_.Connected(); };
    h.lost = [this](const std::string&) { follower_.Lost(); };
    h.message = [this](const std::string& topic, const std::string& payload, bool) {
      follower_.Message(topic, payload);
    };
    std::string error;
    started_ = link_.Start(settings, std::move(h), error);
  }
  ~Relay() { link_.Stop(); }
  bool Started() const { return started_; }
  const RelayFollower& Follower() const { return follower_; }
  std::string Last() {
    std::lock_guard lock(mutex_);
    return served_.empty() ? "" : served_.back();
  }
  bool EverServed(const std::string& part) {
    std::lock_guard lock(mutex_);
    for (const auto& s : served_) {
      if (s.find(part) != std::string::npos) return true;
    }
    return false;
  }
  std::size_t Said() {
    std::lock_guard lock(mutex_);
    return said_.size();
  }
  std::uint64_t RefusedInAll() const {
    std::uint64_t n = 0;
    for (int k = 0; k < static_cast<int>(RelayRefusal::Count); ++k) {
      n += follower_.Refused(static_cast<RelayRefusal>(k));
    }
    return n;
  }

 private:
  MqttTopics topics_{kDefaultTopicPrefix};
  RelayFollower follower_;
  MosquittoLink link_;
  bool started_ = false;
  std::mutex mutex_;
  std::vector<std::string> served_;
  std::vector<std::string> said_;
};

// Anyone with a connection to the broker: publishes and counts the
// broker's acknowledgements.
class Forger {
 public:
  Forger(int port, std::optional<MqttCredentials> who = std::nullopt) {
    BrokerLink::Handlers h;
    h.connected = [this] { connected_ = true; };
    h.lost = [this](const std::string&) { connected_ = false; };
    h.delivered = [this](int) { ++acknowledged_; };
    std::string error;
    link_.Start(On(port, std::move(who)), std::move(h), error);
  }
  ~Forger() { link_.Stop(); }
  bool Connected() const { return connected_; }
  int Acknowledged() const { return acknowledged_; }
  bool Publish(const std::string& topic, const std::string& payload, bool retain = false) {
    int id = 0;
    return link_.Publish(topic, payload, retain, id);
  }

 private:
  MosquittoLink link_;
  std::atomic<bool> connected_{false};
  std::atomic<int> acknowledged_{0};
};

std::unique_ptr<DeskPublisher> StartDesk(int port, std::optional<MqttCredentials> who = {}) {
  DeskPublisherConfig config;
  config.broker = On(port, std::move(who));
  auto desk = std::make_unique<DeskPublisher>(config, std::make_unique<MosquittoLink>(),
                                              [](const std::string&) {});
  std::string error;
  if (!desk->Start({}, "", error)) return nullptr;
  return desk;
}

// A desk snapshot of race `race` with sequence `seq`, as a forger makes it.
std::string ForgedState(int race, std::uint64_t seq) {
  LiveState shown;
  shown.Apply(samples::Shown(race, "1"));
  LiveState::Snapshot s;
  s.current = shown.Current();
  s.sequence = seq;
  LiveState state;
  state.Restore(s);
  return StateJson(state);
}

std::string Padded(std::size_t size) {
  return "{\"type\":\"clock\",\"seq\":3,\"pad\":\"" + std::string(size, 'x') + "\"}";
}

TEST(RelayTrustBroker, WithoutTheAccessRuleTheRelayRefusesForgeriesAndFollowsTheDeskAgain) {
  TempDir dir;
  TestBroker broker(dir.Path());
  ASSERT_TRUE(broker.Start());
  auto desk = StartDesk(broker.Port());
  ASSERT_TRUE(desk);
  Relay relay(broker.Port());
  ASSERT_TRUE(relay.Started());
  desk->OnRaceEvent(samples::Shown(4, "1"));
  ASSERT_TRUE(WaitUntil([&] { return relay.Last().find("\"race\":4") != std::string::npos; }));

  Forger forger(broker.Port());
  ASSERT_TRUE(WaitUntil([&] { return forger.Connected(); }));
  for (int i = 0; i < 20; ++i) forger.Publish("poolside/events", Padded(1 << 20));
  forger.Publish("poolside/state", Padded(300 * 1024), true);
  forger.Publish("poolside/races/3", Padded(300 * 1024), true);
  forger.Publish("poolside/race_list", "[" + std::string(2 << 20, ' ') + "]", true);
  forger.Publish("poolside/state", ForgedState(77, 1000000000000), true);
  const auto refusedEach = [&] {
    for (int k = 0; k < static_cast<int>(RelayRefusal::Count); ++k) {
      if (relay.Follower().Refused(static_cast<RelayRefusal>(k)) == 0) return false;
    }
    return true;
  };
  // Counted before it is said: wait for both.
  ASSERT_TRUE(WaitUntil([&] { return refusedEach() && relay.Said() >= 5; }));
  EXPECT_EQ(relay.Follower().Refused(RelayRefusal::LargeEvent), 20u);
  EXPECT_EQ(relay.Said(), 5u);  // one line for each kind, not one for each message
  EXPECT_FALSE(relay.EverServed("\"race\":77"));

  // The desk's next snapshot puts the relay back on the desk's race.
  desk->OnRaceEvent(samples::Shown(5, "1"));
  EXPECT_TRUE(WaitUntil([&] { return relay.Last().find("\"race\":5") != std::string::npos; }));
  // A relay that starts now follows the desk, whatever was retained before.
  Relay late(broker.Port());
  EXPECT_TRUE(WaitUntil([&] { return late.Last().find("\"race\":5") != std::string::npos; }));
  desk->Stop();
}

// The example configuration of docs/mosquitto with this test's files and
// port (the listener is the test broker's own).
std::string ExampleConfig(const std::string& passwords, const std::string& acl) {
  std::ifstream in(std::string(POOLSIDE_SOURCE_DIR) + "/docs/mosquitto/poolside.conf");
  std::ostringstream out;
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("listener", 0) == 0) continue;
    line = std::regex_replace(line, std::regex("/etc/mosquitto/poolside\\.passwd"), passwords);
    line = std::regex_replace(line, std::regex("/etc/mosquitto/poolside\\.acl"), acl);
    out << line << "\n";
  }
  return out.str();
}

TEST(RelayTrustBroker, WithTheExampleAccessRuleOnlyTheDeskReachesTheRelay) {
  TempDir dir;
  const std::string passwords = dir.File("poolside.passwd");
  const std::string make = "mosquitto_passwd -c -b '" + passwords + "' desk d3sk >/dev/null && " +
                           "mosquitto_passwd -b '" + passwords + "' relay r3lay >/dev/null";
  ASSERT_EQ(std::system(make.c_str()), 0);
  const std::string config =
      ExampleConfig(passwords, std::string(POOLSIDE_SOURCE_DIR) + "/docs/mosquitto/poolside.acl");
  ASSERT_NE(config.find("acl_file " POOLSIDE_SOURCE_DIR), std::string::npos) << config;
  TestBroker broker(dir.Path(), config);
  ASSERT_TRUE(broker.Start());
  const MqttCredentials deskUser{"desk", "d3sk"};
  const MqttCredentials relayUser{"relay", "r3lay"};
  auto desk = StartDesk(broker.Port(), deskUser);
  ASSERT_TRUE(desk);
  Relay relay(broker.Port(), relayUser);
  desk->OnRaceEvent(samples::Shown(4, "1"));
  ASSERT_TRUE(WaitUntil([&] { return relay.Last().find("\"race\":4") != std::string::npos; }));

  // A client without a user name is not let in at all; a reader's login
  // may read but not publish: the broker acknowledges and drops.
  Forger anonymous(broker.Port());
  Forger reader(broker.Port(), relayUser);
  ASSERT_TRUE(WaitUntil([&] { return reader.Connected(); }));
  EXPECT_FALSE(anonymous.Connected());
  ASSERT_TRUE(reader.Publish("poolside/state", ForgedState(77, 1000000000000), true));
  ASSERT_TRUE(reader.Publish("poolside/status", "offline", true));
  ASSERT_TRUE(reader.Publish("poolside/races/3", "{\"race\":3}", true));
  ASSERT_TRUE(reader.Publish("poolside/events", Padded(100)));
  ASSERT_TRUE(WaitUntil([&] { return reader.Acknowledged() == 4; }));
  // Larger than the broker takes: the forger is put out.
  reader.Publish("poolside/events", Padded(2 << 20));
  EXPECT_TRUE(WaitUntil([&] { return !reader.Connected(); }));

  desk->OnRaceEvent(samples::Shown(5, "1"));
  ASSERT_TRUE(WaitUntil([&] { return relay.Last().find("\"race\":5") != std::string::npos; }));
  EXPECT_EQ(relay.RefusedInAll(), 0u);
  EXPECT_FALSE(relay.EverServed("\"race\":77"));
  EXPECT_EQ(relay.Last().find("\"lost\":true"), std::string::npos);  // no forged "offline"
  Relay late(broker.Port(), relayUser);
  EXPECT_TRUE(WaitUntil([&] { return late.Last().find("\"race\":5") != std::string::npos; }));
  EXPECT_FALSE(late.EverServed("\"race\":77"));
  desk->Stop();
}

}  // namespace
}  // namespace poolside
