#pragma once
// The race feed: the one way out of the timing window. The window publishes
// every RaceEvent here, on its own thread, in the order things happen; any
// number of listeners are called in the order they were attached.
//
// Contract for listeners (docs/architecture.md):
//  - OnRaceEvent returns at once. Work that may block (disk beyond one
//    append, network) is handed to the listener's own thread through a
//    bounded queue (feed/bounded_queue.h).
//  - An exception thrown by a listener never reaches the publisher: it is
//    reported once per listener through the feed's error handler and the
//    listener keeps being called.
//  - Listeners are attached and detached on the publisher's thread, never
//    from inside OnRaceEvent.
//  - A listener may publish from inside OnRaceEvent (the result's owner
//    does): that event is delivered once the one being delivered has
//    reached every listener, so every listener sees the events in the same
//    order.

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "feed/race_events.h"

namespace poolside {

class RaceListener {
 public:
  virtual ~RaceListener() = default;
  virtual void OnRaceEvent(const RaceEvent& event) = 0;
};

class RaceFeed {
 public:
  void Attach(RaceListener& listener);
  void Detach(RaceListener& listener);
  void Publish(const RaceEvent& event);
  bool HasListeners() const { return !listeners_.empty(); }

  // Receives the message of a listener's first exception (default: standard
  // error). Called from Publish.
  std::function<void(const std::string&)> onListenerError;

 private:
  struct Entry {
    RaceListener* listener;
    bool failed;
  };
  void Deliver(const RaceEvent& event);

  std::vector<Entry> listeners_;
  bool publishing_ = false;
  std::deque<RaceEvent> later_;  // published by listeners, in order
};

// The name of an event's kind ("race_shown", "block", ...), as the JSON
// feeds and the capture journal spell it.
const char* EventKindName(const RaceEvent& event);

}  // namespace poolside
