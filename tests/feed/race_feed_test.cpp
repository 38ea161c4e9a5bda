#include "feed/race_feed.h"

#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "feed/bounded_queue.h"

namespace poolside {
namespace {

class Recorder : public RaceListener {
 public:
  void OnRaceEvent(const RaceEvent& event) override { kinds.push_back(EventKindName(event)); }
  std::vector<std::string> kinds;
};

class Thrower : public RaceListener {
 public:
  void OnRaceEvent(const RaceEvent&) override {
    ++calls;
    throw std::runtime_error("disk on fire");
  }
  int calls = 0;
};

TEST(RaceFeed, ListenersSeeEveryEventInOrderAndAFailingOneIsReportedOnce) {
  RaceFeed feed;
  std::vector<std::string> reports;
  feed.onListenerError = [&](const std::string& text) { reports.push_back(text); };
  Recorder first;
  Thrower thrower;
  Recorder last;
  feed.Attach(first);
  feed.Attach(thrower);
  feed.Attach(last);
  feed.Attach(first);  // attached once only

  RaceShown shown;
  shown.race = 3;
  feed.Publish(shown);
  feed.Publish(ClockShown{.text = "   12.34"});
  feed.Publish(LaneTouched{.lane = 4,
                           .rank = 1,
                           .timeText = "1:02.34",
                           .packed = 10234,
                           .laps = 4,
                           .metres = 100,
                           .finish = true});

  const std::vector<std::string> expected = {"race_shown", "clock", "lane"};
  EXPECT_EQ(first.kinds, expected);
  EXPECT_EQ(last.kinds, expected);
  EXPECT_EQ(thrower.calls, 3);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].find("disk on fire"), std::string::npos);
  EXPECT_NE(reports[0].find("race_shown"), std::string::npos);

  feed.Detach(first);
  feed.Publish(PortProblem{.port = 1, .message = "gone"});
  EXPECT_EQ(first.kinds.size(), 3u);
  EXPECT_EQ(last.kinds.back(), "port_problem");
}

// A listener that tells a change of its own after each finish, as the
// result's owner does.
class Teller : public RaceListener {
 public:
  explicit Teller(RaceFeed& feed) : feed_(feed) {}
  void OnRaceEvent(const RaceEvent& event) override {
    if (const auto* f = std::get_if<RaceFinished>(&event)) {
      feed_.Publish(RaceResultChanged{.race = f->race});
      feed_.Publish(RaceStatusChanged{f->race, "6"});
    }
  }

 private:
  RaceFeed& feed_;
};

TEST(RaceFeed, AnEventPublishedByAListenerComesAfterTheOneItHeardEverywhere) {
  RaceFeed feed;
  Recorder before;
  Teller teller(feed);
  Recorder after;
  feed.Attach(before);
  feed.Attach(teller);
  feed.Attach(after);
  feed.Publish(RaceFinished{.race = 2});
  feed.Publish(ClockShown{});
  const std::vector<std::string> expected = {"race_finished", "result", "status", "clock"};
  EXPECT_EQ(before.kinds, expected);
  EXPECT_EQ(after.kinds, expected);
}

TEST(RaceFeed, AReportThatThrowsStaysInsideTheFeed) {
  RaceFeed feed;
  feed.onListenerError = [](const std::string&) { throw std::logic_error("no"); };
  Thrower thrower;
  feed.Attach(thrower);
  EXPECT_NO_THROW(feed.Publish(ClockShown{}));
}

TEST(BoundedQueue, RefusesWhenFullAndHandsItemsAcrossThreadsInOrder) {
  BoundedQueue<int> queue(3);
  EXPECT_TRUE(queue.Push(1));
  EXPECT_TRUE(queue.Push(2));
  EXPECT_TRUE(queue.Push(3));
  EXPECT_FALSE(queue.Push(4));
  EXPECT_EQ(queue.Dropped(), 1u);

  std::vector<int> seen;
  std::thread consumer([&] {
    while (auto item = queue.Pop(std::chrono::milliseconds(1000))) seen.push_back(*item);
  });
  queue.Close();
  consumer.join();
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3}));
  EXPECT_FALSE(queue.Push(5));
  EXPECT_FALSE(queue.Pop(std::chrono::milliseconds(0)).has_value());
}

}  // namespace
}  // namespace poolside
