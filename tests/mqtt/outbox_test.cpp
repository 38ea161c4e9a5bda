// The desk's outbox: the order of what goes to the broker, what waits while
// it is away, and the retained races.
#include "mqtt/outbox.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "live/live_json.h"
#include "mqtt/event_samples.h"
#include "results/race_json.h"
#include "results/race_result.h"

namespace poolside {
namespace {

struct Sent {
  std::vector<Publication> all;
  int refuseAfter = -1;  // refuse from this many on
  bool operator()(const Publication& p) {
    if (refuseAfter >= 0 && static_cast<int>(all.size()) >= refuseAfter) return false;
    all.push_back(p);
    return true;
  }
  std::vector<std::string> Topics() const {
    std::vector<std::string> t;
    for (const auto& p : all) t.push_back(p.topic);
    return t;
  }
};

MqttOutbox::Sources FakeSources(std::map<int, std::string>& finished, int& listReads) {
  MqttOutbox::Sources s;
  s.raceJson = [&finished](int race) -> std::optional<std::string> {
    auto it = finished.find(race);
    if (it == finished.end()) return std::nullopt;
    return it->second;
  };
  s.raceList = [&listReads] {
    ++listReads;
    return std::string("[]");
  };
  return s;
}

// Race `race`'s result as its owner tells it, a text of its own in `marker`.
RaceResultChanged Told(int race, bool done, const std::string& marker = "") {
  auto result = std::make_shared<RaceResult>();
  result->race = race;
  result->raceText = marker;
  RaceResultChanged c;
  c.race = race;
  c.done = done;
  c.result = std::move(result);
  return c;
}

TEST(MqttOutbox, MessagesInOrderThenTheSnapshotThenTheRacesAndTheList) {
  std::map<int, std::string> finished{{1, "{\"race\":1}"}};
  int listReads = 0;
  MqttOutbox outbox(MqttTopics("pool"), 100, FakeSources(finished, listReads));
  LiveState desk;
  std::vector<std::string> expected;
  for (const RaceEvent& e : samples::RaceOne()) {
    outbox.Take(e);
    if (desk.Apply(e)) expected.push_back(*EventJson(e, desk));
  }
  const RaceResultChanged told = Told(1, true);
  outbox.Take(told);
  Sent sent;
  outbox.Flush(std::ref(sent));
  ASSERT_EQ(sent.all.size(), expected.size() + 3);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(sent.all[i].topic, "pool/events");
    EXPECT_EQ(sent.all[i].payload, expected[i]);  // the live feed's own text
    EXPECT_FALSE(sent.all[i].retain);
  }
  const auto& tail = sent.all;
  EXPECT_EQ(tail[expected.size()].topic, "pool/state");
  EXPECT_EQ(tail[expected.size()].payload, StateJson(desk));
  EXPECT_EQ(tail[expected.size() + 1].topic, "pool/races/1");
  EXPECT_EQ(tail[expected.size() + 1].payload, RaceJson(*told.result));  // the owner's
  EXPECT_EQ(tail[expected.size() + 2].topic, "pool/race_list");
  for (std::size_t i = expected.size(); i < tail.size(); ++i) EXPECT_TRUE(tail[i].retain);
  EXPECT_TRUE(outbox.Idle());

  // Raw blocks are not published; nothing more goes out.
  outbox.Take(BlockRead{"XYZ", {}, {}, BlockKind::Noise});
  Sent again;
  outbox.Flush(std::ref(again));
  EXPECT_TRUE(again.all.empty());
}

TEST(MqttOutbox, ARefusedPublicationStaysFirstAndTheSnapshotWaitsForTheMessages) {
  std::map<int, std::string> finished;
  int listReads = 0;
  MqttOutbox outbox(MqttTopics("p"), 100, FakeSources(finished, listReads));
  for (const RaceEvent& e : samples::RaceOne()) outbox.Take(e);
  const std::size_t waiting = outbox.WaitingMessages();
  Sent first;
  first.refuseAfter = 2;
  outbox.Flush(std::ref(first));
  ASSERT_EQ(first.all.size(), 2u);
  EXPECT_EQ(outbox.WaitingMessages(), waiting - 2);
  Sent rest;
  outbox.Flush(std::ref(rest));
  ASSERT_EQ(rest.all.size(), waiting - 2 + 2);  // the messages, the state, the list
  EXPECT_NE(rest.all[0].payload, first.all[1].payload);
  EXPECT_EQ(rest.all[waiting - 2].topic, "p/state");
}

TEST(MqttOutbox, DuringAnOutageKeepsTheNewestAndCountsTheOldestDropped) {
  std::map<int, std::string> finished;
  int listReads = 0;
  MqttOutbox outbox(MqttTopics("p"), 5, FakeSources(finished, listReads));
  for (int i = 0; i < 8; ++i) outbox.Take(ClockShown{"   1." + std::to_string(10 + i)});
  EXPECT_EQ(outbox.Dropped(), 3u);
  EXPECT_EQ(outbox.WaitingMessages(), 5u);
  Sent sent;
  outbox.Flush(std::ref(sent));
  ASSERT_EQ(sent.all.size(), 5u + 2);
  EXPECT_NE(sent.all[0].payload.find("\"seq\":4"), std::string::npos);
  EXPECT_NE(sent.all[4].payload.find("\"seq\":8"), std::string::npos);
  // The snapshot is the whole state, dropped messages included.
  EXPECT_NE(sent.all[5].payload.find("\"seq\":8"), std::string::npos);
  // A new connection: the retained topics again.
  outbox.Republish();
  Sent again;
  outbox.Flush(std::ref(again));
  EXPECT_EQ(again.Topics(), (std::vector<std::string>{"p/state", "p/race_list"}));
}

TEST(MqttOutbox, RacesDoneInTheBookAtTheStartArePublishedAndAnUndoneRaceIsCleared) {
  std::map<int, std::string> finished{{2, "{\"race\":2}"}, {4, "{\"race\":4}"}};
  int listReads = 0;
  MqttOutbox outbox(MqttTopics("p"), 10, FakeSources(finished, listReads));
  outbox.SetStatusBook(
      std::string("16\0"
                  "6",
                  4));
  Sent sent;
  outbox.Flush(std::ref(sent));
  EXPECT_EQ(sent.Topics(),
            (std::vector<std::string>{"p/state", "p/races/2", "p/races/4", "p/race_list"}));
  // Race 4's status is taken back: its retained copy is removed; race 3,
  // never published, is left alone.
  finished.erase(4);
  outbox.Take(RaceStatusChanged{4, "1"});
  outbox.Take(Told(4, false));
  outbox.Take(RaceStatusChanged{3, "1"});
  Sent after;
  outbox.Flush(std::ref(after));
  ASSERT_EQ(after.all.size(), 2u + 1 + 1 + 1);
  EXPECT_EQ(after.all[3].topic, "p/races/4");
  EXPECT_EQ(after.all[3].payload, "");
  EXPECT_TRUE(after.all[3].retain);
  EXPECT_EQ(listReads, 2);
}

TEST(MqttOutbox, TheRetainedRaceIsWhatTheOwnerToldLastARepairIncluded) {
  std::map<int, std::string> finished{{1, "stale"}, {5, "stale"}};
  int listReads = 0;
  MqttOutbox outbox(MqttTopics("p"), 10, FakeSources(finished, listReads));
  Sent start;
  outbox.Flush(std::ref(start));
  // The events that make a change publish no race by themselves: the owner
  // tells the change once its files are written.
  RaceFinished f;
  f.race = 1;
  f.combinedTargets = {5};
  outbox.Take(f);
  outbox.Take(ManualEntryStored{1, 3, 888888, "棄権"});
  TouchesRepaired repaired;
  repaired.race = 1;
  repaired.lane = 3;
  repaired.finished = true;
  repaired.combinedTargets = {5};
  outbox.Take(repaired);
  Sent events;
  outbox.Flush(std::ref(events));
  EXPECT_EQ(events.Topics(),
            (std::vector<std::string>{"p/events", "p/events", "p/events", "p/state"}));
  // The repair told: both races follow it, as told.
  const RaceResultChanged one = Told(1, true, "after the repair");
  const RaceResultChanged five = Told(5, true, "its copy");
  outbox.Take(one);
  outbox.Take(five);
  Sent sent;
  outbox.Flush(std::ref(sent));
  EXPECT_EQ(sent.Topics(), (std::vector<std::string>{"p/races/1", "p/races/5", "p/race_list"}));
  EXPECT_EQ(sent.all[0].payload, RaceJson(*one.result));
  EXPECT_EQ(sent.all[1].payload, RaceJson(*five.result));
  // A new connection publishes what was told, not the files read again.
  outbox.Republish();
  Sent again;
  outbox.Flush(std::ref(again));
  EXPECT_EQ(again.all[1].payload, RaceJson(*one.result));
}

TEST(MqttOutbox, NamesGoOutAsSetAndEachChangedProgramsStandingsAreRetained) {
  std::map<int, std::string> finished{{2, "from the files"}};
  int listReads = 0;
  MqttOutbox::Sources sources = FakeSources(finished, listReads);
  sources.publicNames = PublicNames::Initials;
  std::vector<int> asked;
  sources.eventJson = [&asked](int program) {
    asked.push_back(program);
    return "standings " + std::to_string(program);
  };
  sources.programOf = [](int race) { return race == 2 ? 4 : 0; };
  const auto entries =
      std::make_shared<const EntryList>(ParseEntryList("番号,氏名,所属\n101,山田 太郎,第一中\n"));
  sources.entries = [entries] { return entries; };
  MqttOutbox outbox(MqttTopics("p"), 10, sources);
  outbox.SetStatusBook("16");
  Sent start;
  outbox.Flush(std::ref(start));
  // Race 2, done at the start, brings its program's standings.
  EXPECT_EQ(start.Topics(),
            (std::vector<std::string>{"p/state", "p/races/2", "p/events/4", "p/race_list"}));
  EXPECT_EQ(start.all[2].payload, "standings 4");
  EXPECT_TRUE(start.all[2].retain);

  RaceShown shown;
  shown.race = 1;
  shown.entries[0] = 101;
  outbox.Take(shown);
  RaceResultChanged told = Told(1, true);
  auto result = std::make_shared<RaceResult>(*told.result);
  result->program = 3;
  result->lanes[0].entry = 101;
  result->lanes[0].who = {"山田 太郎", "ヤマダ タロウ", "第一中", "", ""};
  told.result = result;
  outbox.Take(told);
  Sent sent;
  outbox.Flush(std::ref(sent));
  EXPECT_EQ(sent.Topics(), (std::vector<std::string>{"p/events", "p/state", "p/races/1",
                                                     "p/events/3", "p/race_list"}));
  for (const Publication& p : sent.all) {
    EXPECT_EQ(p.payload.find("太郎"), std::string::npos) << p.topic;
    EXPECT_EQ(p.payload.find("ヤマダ"), std::string::npos) << p.topic;
  }
  EXPECT_NE(sent.all[1].payload.find("\"name\":\"山．太．\",\"club\":\"第一中\""),
            std::string::npos);
  EXPECT_NE(sent.all[2].payload.find("\"name\":\"山．太．\""), std::string::npos);
  // A new connection: the standings again, as retained.
  outbox.Republish();
  Sent again;
  outbox.Flush(std::ref(again));
  EXPECT_EQ(again.Topics(), (std::vector<std::string>{"p/state", "p/races/1", "p/races/2",
                                                      "p/events/3", "p/events/4", "p/race_list"}));
  EXPECT_EQ(asked, (std::vector<int>{4, 3, 3, 4}));
}

}  // namespace
}  // namespace poolside
