// The relay follows the desk's publications: its clients see the desk's
// messages and its state is the desk's, through gaps, reconnections and
// outages.
#include "mqtt/relay_follower.h"

#include <gtest/gtest.h>

#include "live/live_json.h"
#include "mqtt/event_samples.h"
#include "mqtt/outbox.h"
#include "results/race_json.h"

namespace poolside {
namespace {

// The desk's outbox, the relay's follower and what the relay's clients got.
struct Rig {
  MqttTopics topics{"desk"};
  std::shared_ptr<RelayRaces> races = std::make_shared<RelayRaces>();
  std::vector<RelayUpdate> updates;
  RelayFollower follower{topics, races, [this](RelayUpdate u) { updates.push_back(std::move(u)); }};
  MqttOutbox outbox{topics, 1000, {}};
  LiveState desk;
  std::vector<std::string> deskMessages;
  std::vector<Publication> lost;  // publications the broker never passed on

  // The desk takes an event; its publications reach the relay except those
  // `drop` picks.
  void Event(const RaceEvent& e, const std::function<bool(const Publication&)>& drop = {}) {
    outbox.Take(e);
    if (desk.Apply(e)) deskMessages.push_back(*EventJson(e, desk));
    outbox.Flush([&](const Publication& p) {
      if (drop && drop(p)) {
        lost.push_back(p);
      } else {
        follower.Message(p.topic, p.payload);
      }
      return true;
    });
  }
  std::vector<std::string> ClientMessages() const {
    std::vector<std::string> all;
    for (const auto& u : updates) all.insert(all.end(), u.messages.begin(), u.messages.end());
    return all;
  }
  std::string Served() const { return StateJson(updates.back().state); }
};

TEST(RelayFollower, ClientsGetTheDesksMessagesInOrderAndTheDesksState) {
  Rig rig;
  rig.follower.Connected();
  rig.follower.Message("desk/status", "online");
  // The retained snapshot first, as at a subscription.
  rig.follower.Message("desk/state", StateJson(rig.desk));
  ASSERT_EQ(rig.updates.size(), 1u);
  EXPECT_EQ(rig.updates[0].messages, std::vector<std::string>{StateJson(rig.desk)});
  for (const RaceEvent& e : samples::RaceOne()) {
    rig.Event(e);
    ASSERT_EQ(rig.Served(), StateJson(rig.desk));
  }
  std::vector<std::string> got = rig.ClientMessages();
  got.erase(got.begin());  // the first snapshot
  EXPECT_EQ(got, rig.deskMessages);
}

TEST(RelayFollower, AMissingMessageStartsTheClientsAgainFromTheSnapshot) {
  Rig rig;
  rig.follower.Connected();
  rig.follower.Message("desk/state", StateJson(rig.desk));
  const auto events = samples::RaceOne();
  rig.Event(events[0]);
  rig.Event(events[1], [](const Publication& p) { return p.topic == "desk/events"; });
  ASSERT_EQ(rig.updates.size(), 3u);
  // No gap in what the clients see: the snapshot instead of the lost one.
  EXPECT_EQ(rig.updates[2].messages, std::vector<std::string>{StateJson(rig.desk)});
  rig.Event(events[3]);
  EXPECT_EQ(rig.updates.back().messages, std::vector<std::string>{rig.deskMessages.back()});
  EXPECT_EQ(rig.Served(), StateJson(rig.desk));
}

TEST(RelayFollower, RepeatedAndOldPublicationsChangeNothing) {
  Rig rig;
  rig.follower.Connected();
  rig.follower.Message("desk/state", StateJson(rig.desk));
  std::vector<Publication> seen;
  for (const RaceEvent& e : samples::RaceOne()) {
    rig.Event(e, [&](const Publication& p) {
      seen.push_back(p);
      return false;
    });
  }
  const std::size_t updates = rig.updates.size();
  // QoS 1 may deliver twice; an old retained snapshot may come back.
  for (const Publication& p : seen) rig.follower.Message(p.topic, p.payload);
  rig.follower.Message("desk/events", "not json");
  rig.follower.Message("desk/state", "{\"type\":\"state\"}");
  EXPECT_EQ(rig.updates.size(), updates);
  EXPECT_EQ(rig.Served(), StateJson(rig.desk));
}

TEST(RelayFollower, ALostBrokerOrAnOfflineDeskShowsTheMarkUntilTheStateReturns) {
  Rig rig;
  rig.follower.Connected();
  rig.follower.Message("desk/state", StateJson(rig.desk));
  for (const RaceEvent& e : samples::RaceOne()) rig.Event(e);
  const std::string desk = StateJson(rig.desk);
  const std::uint64_t seq = rig.desk.Sequence();

  rig.follower.Lost();
  ASSERT_EQ(rig.updates.back().messages.size(), 1u);
  EXPECT_TRUE(rig.updates.back().state.LinkLost());
  EXPECT_EQ(rig.updates.back().state.Sequence(), seq);  // a snapshot, not a new event
  EXPECT_EQ(rig.updates.back().messages[0], rig.Served());
  EXPECT_NE(rig.Served().find("\"lost\":true"), std::string::npos);
  rig.follower.Lost();  // each failed attempt: no new message
  const std::size_t updates = rig.updates.size();
  rig.follower.Lost();
  EXPECT_EQ(rig.updates.size(), updates);

  // Back: the retained snapshot (the same sequence) clears the mark.
  rig.follower.Connected();
  rig.follower.Message("desk/state", desk);
  EXPECT_EQ(rig.Served(), desk);
  EXPECT_EQ(rig.updates.back().messages, std::vector<std::string>{desk});

  rig.follower.Message("desk/status", "offline");
  EXPECT_TRUE(rig.updates.back().state.LinkLost());
  // A desk that comes back starts its sequence where it likes.
  rig.follower.Message("desk/status", "online");
  LiveState restarted;
  restarted.Apply(samples::Shown(3, "1"));
  rig.follower.Message("desk/state", StateJson(restarted));
  EXPECT_EQ(rig.Served(), StateJson(restarted));
}

TEST(RelayFollower, KeepsTheRetainedRacesAndTheRaceList) {
  Rig rig;
  RaceResult r;
  r.race = 3;
  r.raceText = "0003";
  r.bookStatus = "6";
  for (int i = 0; i < kLanes; ++i) r.lanes[i].lane = i + 1;
  const std::string json = RaceJson(r);
  rig.follower.Message("desk/races/3", json);
  rig.follower.Message("desk/races/4", "{broken");
  rig.follower.Message("desk/races/05", json);
  rig.follower.Message(
      "desk/race_list",
      "[{\"race\":3,\"status\":\"6\",\"program\":2,\"heat\":1,\"heats\":1,"
      "\"sex\":\"女子\",\"class\":\"一般\",\"event\":\"50m\",\"round\":\"決勝\"}]");
  const auto texts = rig.races->RaceTexts(3);
  ASSERT_TRUE(texts);
  EXPECT_EQ(texts->first, json);
  EXPECT_NE(texts->second.find("レース 3"), std::string::npos);
  EXPECT_FALSE(rig.races->RaceTexts(4));
  EXPECT_FALSE(rig.races->RaceTexts(5));
  ASSERT_EQ(rig.races->RaceList().size(), 1u);
  EXPECT_EQ(rig.races->RaceList()[0].sex, "女子");
  rig.follower.Message("desk/races/3", "");  // removed at the desk
  EXPECT_FALSE(rig.races->RaceTexts(3));
}

}  // namespace
}  // namespace poolside
