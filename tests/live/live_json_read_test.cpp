// A relay's state is the desk's: a snapshot read back and restored writes
// the same snapshot, and goes on exactly as the desk's state does.
#include "live/live_json_read.h"

#include <gtest/gtest.h>

#include "live/live_json.h"
#include "mqtt/event_samples.h"

namespace poolside {
namespace {

LiveState Restored(const LiveState& desk) {
  const auto snapshot = ParseStateJson(StateJson(desk));
  EXPECT_TRUE(snapshot);
  LiveState relay;
  if (snapshot) relay.Restore(*snapshot);
  return relay;
}

TEST(LiveJsonRead, EverySnapshotOfARaceComesBackAsItWasAndGoesOnTheSame) {
  LiveState desk;
  desk.SetStatusBook(
      std::string("66\0"
                  "1\xFF"
                  "3",
                  6));
  const auto events = samples::RaceOne();
  for (std::size_t i = 0; i < events.size(); ++i) {
    desk.Apply(events[i]);
    LiveState relay = Restored(desk);
    ASSERT_EQ(StateJson(relay), StateJson(desk)) << i;
    // What follows gives the same snapshot from either (the hold after a
    // finish included).
    LiveState copy = desk;
    for (std::size_t j = i + 1; j < events.size(); ++j) {
      copy.Apply(events[j]);
      relay.Apply(events[j]);
    }
    EXPECT_EQ(StateJson(relay), StateJson(copy)) << i;
  }
  desk.Apply(LinkHealth{1, LinkHealth::State::Silence, 3, "COM1 (/dev/ttyUSB0): 3 秒"});
  EXPECT_EQ(StateJson(Restored(desk)), StateJson(desk));
}

TEST(LiveJsonRead, RefusesWhatIsNotASnapshotAndReadsAMessagesSequence) {
  EXPECT_FALSE(ParseStateJson("{\"type\":\"clock\",\"seq\":3}"));
  EXPECT_FALSE(ParseStateJson("{\"type\":\"state\"}"));
  EXPECT_FALSE(ParseStateJson("state"));
  EXPECT_EQ(MessageSequence("{\"type\":\"clock\",\"seq\":3}"), 3u);
  EXPECT_FALSE(MessageSequence("{\"seq\":3}"));
  EXPECT_FALSE(MessageSequence("{\"type\":\"clock\",\"seq\":-1}"));
  EXPECT_FALSE(MessageSequence("{\"type\":\"clock\""));
}

}  // namespace
}  // namespace poolside
