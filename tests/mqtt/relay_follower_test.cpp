// The relay follows the desk's publications: its clients see the desk's
// messages and its state is the desk's, through gaps, reconnections and
// outages.
#include "mqtt/relay_follower.h"

#include <gtest/gtest.h>

#include <chrono>

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
  std::vector<std::string> reports;
  std::chrono::steady_clock::time_point now{};
  RelayFollower follower{topics, races, [this](RelayUpdate u) { updates.push_back(std::move(u)); },
                         [this](const std::string& line) { reports.push_back(line); },
                         [this] { return now; }};
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

// The desk's snapshot of race `race` with sequence `seq`: what a forger
// who may publish under the prefix can send.
std::string ForgedState(int race, std::uint64_t seq) {
  LiveState forged;
  forged.Apply(samples::Shown(race, "1"));
  LiveState::Snapshot s;
  s.current = forged.Current();
  s.sequence = seq;
  LiveState state;
  state.Restore(s);
  return StateJson(state);
}

std::string EventOfSize(std::uint64_t seq, std::size_t size) {
  std::string e = "{\"type\":\"clock\",\"seq\":" + std::to_string(seq) + ",\"pad\":\"";
  e += std::string(size - e.size() - 2, 'x');
  return e + "\"}";
}

TEST(RelayFollower, PublicationsOverTheirBoundAreRefusedCountedAndSaidAtABoundedRate) {
  Rig rig;
  rig.follower.Connected();
  rig.follower.Message("desk/state", StateJson(rig.desk));
  const auto events = samples::RaceOne();
  rig.Event(events[0]);
  const std::string served = rig.Served();
  const std::size_t updates = rig.updates.size();
  const std::uint64_t next = rig.desk.Sequence() + 1;

  // An event at its bound waits for its snapshot; one byte over is refused.
  rig.follower.Message("desk/events", EventOfSize(next, RelayLimits::kMaxEventBytes + 1));
  rig.follower.Message("desk/events", EventOfSize(next, RelayLimits::kMaxEventBytes + 1));
  rig.follower.Message("desk/events", EventOfSize(next, RelayLimits::kMaxEventBytes + 1));
  EXPECT_EQ(rig.follower.Refused(RelayRefusal::LargeEvent), 3u);
  ASSERT_EQ(rig.reports.size(), 1u);  // said once in the interval
  EXPECT_NE(rig.reports[0].find("desk/events"), std::string::npos);
  EXPECT_NE(rig.reports[0].find("65536"), std::string::npos);
  rig.now += RelayLimits::kReportInterval;
  rig.follower.Message("desk/events", EventOfSize(next, RelayLimits::kMaxEventBytes + 1));
  ASSERT_EQ(rig.reports.size(), 2u);
  EXPECT_NE(rig.reports[1].find("これまでに 4 件"), std::string::npos) << rig.reports[1];

  std::string bigState = ForgedState(77, next);
  bigState.insert(bigState.size() - 1,
                  ",\"pad\":\"" + std::string(RelayLimits::kMaxStateBytes, 'x') + "\"");
  rig.follower.Message("desk/state", bigState);
  EXPECT_EQ(rig.follower.Refused(RelayRefusal::LargeState), 1u);

  RaceResult r;
  r.race = 3;
  r.raceText = "0003";
  r.bookStatus = "6";
  for (int i = 0; i < kLanes; ++i) r.lanes[i].lane = i + 1;
  std::string race = RaceJson(r);
  rig.follower.Message("desk/races/3", race);
  ASSERT_TRUE(rig.races->RaceTexts(3));
  race.insert(race.size() - 1, ",\"pad\":\"" + std::string(RelayLimits::kMaxRaceBytes, 'x') + "\"");
  rig.follower.Message("desk/races/3", race);
  EXPECT_EQ(rig.follower.Refused(RelayRefusal::LargeRace), 1u);
  EXPECT_TRUE(rig.races->RaceTexts(3));  // the race as it was

  const std::string entry =
      "{\"race\":3,\"status\":\"6\",\"program\":2,\"heat\":1,\"heats\":1,"
      "\"sex\":\"女子\",\"class\":\"一般\",\"event\":\"50m\",\"round\":\"決勝\"}";
  std::string list = "[" + entry;
  while (list.size() <= RelayLimits::kMaxRaceListBytes) list += "," + entry;
  rig.follower.Message("desk/race_list", list + "]");
  EXPECT_EQ(rig.follower.Refused(RelayRefusal::LargeRaceList), 1u);
  EXPECT_TRUE(rig.races->RaceList().empty());

  EXPECT_EQ(rig.updates.size(), updates);
  EXPECT_EQ(rig.Served(), served);
  EXPECT_EQ(rig.reports.size(), 5u);
  // The desk goes on as before.
  rig.Event(events[1]);
  EXPECT_EQ(rig.Served(), StateJson(rig.desk));
  EXPECT_EQ(rig.updates.back().messages, std::vector<std::string>{rig.deskMessages.back()});
}

TEST(RelayFollower, ASequenceBeyondWhatCanBeMissedNeverFreezesTheRelay) {
  Rig rig;
  rig.follower.Connected();
  rig.follower.Message("desk/state", StateJson(rig.desk));
  const auto events = samples::RaceOne();
  for (int i = 0; i < 4; ++i) rig.Event(events[i]);
  const std::uint64_t last = rig.desk.Sequence();

  // A forged snapshot far ahead: refused, the served state stays the desk's.
  const std::size_t updates = rig.updates.size();
  rig.follower.Message("desk/events", EventOfSize(last + 1000000, 200));
  rig.follower.Message("desk/state", ForgedState(77, last + RelayLimits::kMaxSequenceJump + 1));
  EXPECT_EQ(rig.follower.Refused(RelayRefusal::SequenceJump), 2u);
  EXPECT_EQ(rig.updates.size(), updates);
  EXPECT_EQ(rig.Served(), StateJson(rig.desk));
  // The desk's next snapshot is taken, and the one after follows as usual.
  rig.Event(events[4]);
  EXPECT_EQ(rig.Served(), StateJson(rig.desk));
  rig.Event(events[5]);
  EXPECT_EQ(rig.Served(), StateJson(rig.desk));
  EXPECT_EQ(rig.updates.back().messages, std::vector<std::string>{rig.deskMessages.back()});
  // As far ahead as the relay can have missed: taken as a gap.
  LiveState ahead = rig.desk;
  for (int i = 0; i < 3; ++i) ahead.Apply(ClockShown{"   1" + std::to_string(i) + ".00"});
  LiveState::Snapshot jumped;
  jumped.current = ahead.Current();
  jumped.sequence = rig.desk.Sequence() + RelayLimits::kMaxSequenceJump;
  LiveState expected;
  expected.Restore(jumped);
  rig.follower.Message("desk/state", StateJson(expected));
  EXPECT_EQ(rig.Served(), StateJson(expected));
  EXPECT_EQ(rig.follower.Refused(RelayRefusal::SequenceJump), 2u);
}

TEST(RelayFollower, AForgedSnapshotTakenAtTheSubscriptionGivesWayToTheDesks) {
  Rig rig;
  rig.follower.Connected();
  // The broker's retained snapshot is a forger's: nothing to tell it by.
  rig.follower.Message("desk/state", ForgedState(77, 1000000000000));
  EXPECT_NE(rig.Served().find("\"race\":77"), std::string::npos);
  // The desk's own, far below it, is no repeat: a fresh start from it.
  const auto events = samples::RaceOne();
  rig.Event(events[0]);
  EXPECT_EQ(rig.Served(), StateJson(rig.desk));
  EXPECT_EQ(rig.updates.back().messages, std::vector<std::string>{StateJson(rig.desk)});
  rig.Event(events[1]);
  EXPECT_EQ(rig.updates.back().messages, std::vector<std::string>{rig.deskMessages.back()});
  // A repeat of an old snapshot still changes nothing.
  const std::size_t updates = rig.updates.size();
  LiveState old;
  rig.follower.Message("desk/state", StateJson(old));
  EXPECT_EQ(rig.updates.size(), updates);
}

}  // namespace
}  // namespace poolside
