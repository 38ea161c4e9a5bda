// The desk's publisher and its libmosquitto link against a real Mosquitto
// on a free loopback port: order and retained topics, a broker away at the
// start, killed and restarted mid-race, credentials and TLS.
#include "mqtt/desk_publisher.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <map>
#include <mutex>

#include "live/live_json.h"
#include "live/live_json_read.h"
#include "mqtt/event_samples.h"
#include "mqtt/mosquitto/mosquitto_link.h"
#include "support/broker_subscriber.h"
#include "support/temp_dir.h"
#include "support/test_broker.h"
#include "support/wait_for.h"

namespace poolside {
namespace {

using namespace std::chrono_literals;
using testing::Subscriber;
using testing::TempDir;
using testing::TestBroker;

using testing::WaitFor;

struct Reports {
  std::mutex mutex;
  std::vector<std::string> lines;
  std::function<void(const std::string&)> Sink() {
    return [this](const std::string& line) {
      std::lock_guard lock(mutex);
      lines.push_back(line);
    };
  }
  int Count(const std::string& part) {
    std::lock_guard lock(mutex);
    int n = 0;
    for (const auto& l : lines) n += l.find(part) != std::string::npos;
    return n;
  }
};

// The library's link, counting the attempts that failed or connections that
// were lost: a case that expects a thing said once first makes sure that it
// had the occasions to be said again.
class CountingLink : public BrokerLink {
 public:
  explicit CountingLink(std::shared_ptr<std::atomic<int>> failures)
      : failures_(std::move(failures)) {}
  bool Start(const BrokerSettings& settings, Handlers handlers, std::string& error) override {
    handlers.lost = [lost = std::move(handlers.lost),
                     failures = failures_](const std::string& why) {
      if (lost) lost(why);
      failures->fetch_add(1);  // after the publisher has heard of it
    };
    return link_.Start(settings, std::move(handlers), error);
  }
  bool Publish(const std::string& topic, const std::string& payload, bool retain,
               int& id) override {
    return link_.Publish(topic, payload, retain, id);
  }
  void Stop() override { link_.Stop(); }

 private:
  MosquittoLink link_;
  std::shared_ptr<std::atomic<int>> failures_;
};

std::unique_ptr<DeskPublisher> MakePublisher(
    int port, Reports& reports, std::size_t outbox = 20000, BrokerSettings broker = {},
    std::shared_ptr<std::atomic<int>> failures = std::make_shared<std::atomic<int>>(0)) {
  DeskPublisherConfig config;
  config.broker = std::move(broker);
  config.broker.host = "127.0.0.1";
  config.broker.port = port;
  config.prefix = "meet";
  config.outboxCapacity = outbox;
  return std::make_unique<DeskPublisher>(
      config, std::make_unique<CountingLink>(std::move(failures)), reports.Sink());
}

MqttOutbox::Sources Race1Finished() {
  MqttOutbox::Sources s;
  s.raceJson = [](int race) -> std::optional<std::string> {
    if (race != 1) return std::nullopt;
    return std::string("{\"race\":1}");
  };
  s.raceList = [] { return std::string("[{\"race\":1}]"); };
  return s;
}

TEST(DeskPublisherBroker, PublishesEveryMessageInOrderAndALateSubscriberGetsTheRetainedState) {
  TempDir dir;
  TestBroker broker(dir.Path());
  ASSERT_TRUE(broker.Start());
  Subscriber early(broker.Port(), "meet/#");
  ASSERT_TRUE(WaitFor([&] { return early.Subscribed(); }));
  Reports reports;
  auto desk = MakePublisher(broker.Port(), reports);
  std::string error;
  // Race 1 is done in the book at the start: published from the sources.
  ASSERT_TRUE(desk->Start(Race1Finished(), "6", error)) << error;
  LiveState state;
  std::vector<std::string> expected;
  for (const RaceEvent& e : samples::RaceOne()) {
    desk->OnRaceEvent(e);
    if (state.Apply(e)) expected.push_back(*EventJson(e, state));
  }
  const std::string final = StateJson(state);
  ASSERT_TRUE(WaitFor([&] { return early.Last("meet/state") == final; }));
  std::vector<std::string> events;
  for (const auto& [topic, payload] : early.All()) {
    if (topic == "meet/events") events.push_back(payload);
  }
  EXPECT_EQ(events, expected);
  EXPECT_EQ(early.All().front(), std::make_pair(std::string("meet/status"), std::string("online")));

  Subscriber late(broker.Port(), "meet/#");
  ASSERT_TRUE(WaitFor([&] { return !late.Last("meet/race_list").empty(); }));
  EXPECT_EQ(late.Last("meet/status"), "online");
  EXPECT_EQ(late.Last("meet/state"), final);
  EXPECT_EQ(late.Last("meet/races/1"), "{\"race\":1}");
  EXPECT_TRUE(late.EventSeqs("meet/events").empty());  // not retained

  // A clean end says "offline" itself.
  desk->Stop();
  EXPECT_TRUE(WaitFor([&] { return late.Last("meet/status") == "offline"; }));
  EXPECT_EQ(reports.Count("接続できません"), 0);
}

TEST(DeskPublisherBroker, ABrokerAwayAtTheStartIsSaidOnceAndGetsTheStateWhenItComes) {
  TempDir dir;
  TestBroker broker(dir.Path());
  Reports reports;
  auto failures = std::make_shared<std::atomic<int>>(0);
  auto desk = MakePublisher(broker.Port(), reports, 20000, {}, failures);
  std::string error;
  ASSERT_TRUE(desk->Start({}, "", error));
  const std::string where = "127.0.0.1:" + std::to_string(broker.Port());
  ASSERT_TRUE(WaitFor([&] { return reports.Count(where) > 0; }));
  LiveState state;
  for (const RaceEvent& e : samples::RaceOne()) {
    desk->OnRaceEvent(e);
    state.Apply(e);
  }
  ASSERT_TRUE(WaitFor([&] { return *failures >= 3; }));  // three attempts failed
  EXPECT_EQ(reports.Count("接続できません"), 1);
  EXPECT_EQ(reports.Count(where), 1);
  ASSERT_TRUE(broker.Start());
  Subscriber late(broker.Port(), "meet/#");
  ASSERT_TRUE(WaitFor([&] { return late.Last("meet/state") == StateJson(state); }));
  EXPECT_EQ(late.Last("meet/status"), "online");
  EXPECT_EQ(reports.Count("に接続しました"), 1);
}

TEST(DeskPublisherBroker, KilledMidRaceAndRestartedDeliversTheOutageInOrderDroppingTheOldest) {
  TempDir dir;
  // The broker keeps the subscriber's session across its own death.
  TestBroker broker(dir.Path(), "allow_anonymous true\npersistence true\npersistence_location " +
                                    dir.Path() +
                                    "/\nautosave_interval 1\nautosave_on_changes true\n");
  ASSERT_TRUE(broker.Start());
  BrokerSettings persistent;
  persistent.clientId = "results-office";
  persistent.persistentSession = true;
  Subscriber office(broker.Port(), "meet/events", persistent);
  // The session with its subscription is on the broker's disk.
  ASSERT_TRUE(WaitFor([&] { return office.Subscribed(); }));
  ASSERT_TRUE(WaitFor([&] { return broker.SavedAfter("results-office 1 meet/events"); }));
  Reports reports;
  auto desk = MakePublisher(broker.Port(), reports, 10);
  std::string error;
  ASSERT_TRUE(desk->Start({}, "", error));
  ASSERT_TRUE(WaitFor([&] { return desk->Connected(); }));
  auto clock = [](int i) { return ClockShown{"   " + std::to_string(10 + i) + ".00"}; };
  for (int i = 0; i < 8; ++i) desk->OnRaceEvent(clock(i));
  ASSERT_TRUE(WaitFor([&] { return office.EventSeqs("meet/events").size() >= 8; }));

  broker.Kill();
  ASSERT_TRUE(WaitFor([&] { return !desk->Connected(); }));
  for (int i = 8; i < 30; ++i) desk->OnRaceEvent(clock(i));  // 22 in the outage, 10 kept
  // All 22 are in the outbox before the broker is back.
  ASSERT_TRUE(WaitFor([&] { return desk->QueuedInputs() == 0; }));
  ASSERT_TRUE(broker.Start());
  ASSERT_TRUE(WaitFor(
      [&] {
        const auto seqs = office.EventSeqs("meet/events");
        return !seqs.empty() && seqs.back() == 30;
      },
      20s));
  // Repeats (at least once) aside, in order: the race before, then the
  // newest ten of the outage.
  std::vector<std::uint64_t> got;
  for (std::uint64_t s : office.EventSeqs("meet/events")) {
    if (got.empty() || s > got.back()) got.push_back(s);
  }
  std::vector<std::uint64_t> want;
  for (std::uint64_t s = 1; s <= 8; ++s) want.push_back(s);
  for (std::uint64_t s = 21; s <= 30; ++s) want.push_back(s);
  EXPECT_EQ(got, want);
  EXPECT_EQ(desk->DroppedMessages(), 12u);
  EXPECT_TRUE(WaitFor([&] { return reports.Count("12 件") == 1; }));
  EXPECT_EQ(reports.Count("接続できません"), 1);
  EXPECT_EQ(reports.Count("に接続しました"), 2);
}

TEST(DeskPublisherBroker, CredentialsAreUsedAndARefusalIsSaidOnce) {
  TempDir dir;
  const std::string passwords = dir.File("passwords");
  ASSERT_EQ(
      std::system(("mosquitto_passwd -c -b '" + passwords + "' desk 's3cret' >/dev/null").c_str()),
      0);
  TestBroker broker(dir.Path(), "allow_anonymous false\npassword_file " + passwords + "\n");
  ASSERT_TRUE(broker.Start());
  BrokerSettings good;
  good.credentials = MqttCredentials{"desk", "s3cret"};
  Reports reports;
  auto desk = MakePublisher(broker.Port(), reports, 100, good);
  std::string error;
  ASSERT_TRUE(desk->Start({}, "", error));
  desk->OnRaceEvent(samples::Shown(4, "1"));
  Subscriber reader(broker.Port(), "meet/state", good);
  EXPECT_TRUE(
      WaitFor([&] { return reader.Last("meet/state").find("\"race\":4") != std::string::npos; }));

  BrokerSettings bad;
  bad.credentials = MqttCredentials{"desk", "wrong"};
  Reports refused;
  auto refusals = std::make_shared<std::atomic<int>>(0);
  auto intruder = MakePublisher(broker.Port(), refused, 100, bad, refusals);
  ASSERT_TRUE(intruder->Start({}, "", error));
  ASSERT_TRUE(WaitFor([&] { return *refusals >= 3; }));  // refused three times
  EXPECT_EQ(refused.Count("拒否"), 1);
  EXPECT_EQ(refused.Count("127.0.0.1:" + std::to_string(broker.Port())), 1);
  EXPECT_FALSE(intruder->Connected());
}

TEST(DeskPublisherBroker, TlsWithTheBrokersCertificateAndARefusalWithAnotherCa) {
  TempDir dir;
  auto cert = [&](const std::string& name) {
    return std::system(("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 "
                        "-addext subjectAltName=IP:127.0.0.1 -keyout '" +
                        dir.File(name + ".key") + "' -out '" + dir.File(name + ".pem") +
                        "' >/dev/null 2>&1")
                           .c_str()) == 0;
  };
  if (!cert("broker") || !cert("other")) GTEST_SKIP() << "openssl cannot make a certificate";
  TestBroker broker(dir.Path(), "allow_anonymous true\ncertfile " + dir.File("broker.pem") +
                                    "\nkeyfile " + dir.File("broker.key") + "\n");
  ASSERT_TRUE(broker.Start());
  BrokerSettings tls;
  tls.caFile = dir.File("broker.pem");
  Reports reports;
  auto desk = MakePublisher(broker.Port(), reports, 100, tls);
  std::string error;
  ASSERT_TRUE(desk->Start({}, "", error)) << error;
  desk->OnRaceEvent(samples::Shown(6, "1"));
  Subscriber reader(broker.Port(), "meet/state", tls);
  EXPECT_TRUE(
      WaitFor([&] { return reader.Last("meet/state").find("\"race\":6") != std::string::npos; }));

  BrokerSettings wrongCa;
  wrongCa.caFile = dir.File("other.pem");
  Reports refused;
  auto other = MakePublisher(broker.Port(), refused, 100, wrongCa);
  ASSERT_TRUE(other->Start({}, "", error));
  ASSERT_TRUE(WaitFor([&] { return refused.Count("接続できません") > 0; }));
  EXPECT_FALSE(other->Connected());
  // A CA file the library cannot use is refused at the start.
  BrokerSettings missing;
  missing.caFile = dir.File("missing.pem");
  auto none = MakePublisher(broker.Port(), refused, 100, missing);
  EXPECT_FALSE(none->Start({}, "", error));
  EXPECT_NE(error.find("missing.pem"), std::string::npos);
}

}  // namespace
}  // namespace poolside
