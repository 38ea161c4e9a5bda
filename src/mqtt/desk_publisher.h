#pragma once
// The desk's side of the broker: a race feed listener that publishes the
// race under PREFIX (mqtt/topics.h) through a BrokerLink, on a thread of
// its own. OnRaceEvent only queues (bounded, never blocks), so neither a
// slow broker nor a missing one ever reaches the timing window. The desk
// subscribes to nothing: nothing on the broker can change it.
//
// Failures are said once each on `report` (standard error in the program):
// the broker unreachable (naming host and port) until it is back, and the
// messages dropped during an outage when more than the outbox holds waited.

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "feed/bounded_queue.h"
#include "feed/race_feed.h"
#include "mqtt/broker_link.h"
#include "mqtt/outbox.h"

namespace poolside {

struct DeskPublisherConfig {
  BrokerSettings broker;
  std::string prefix = kDefaultTopicPrefix;
  std::size_t queueCapacity = 16384;   // feed events waiting for the thread
  std::size_t outboxCapacity = 20000;  // messages kept while the broker is away
  std::size_t window = 256;            // published and not yet acknowledged
};

class DeskPublisher : public RaceListener {
 public:
  DeskPublisher(DeskPublisherConfig config, std::unique_ptr<BrokerLink> link,
                std::function<void(const std::string&)> report);
  ~DeskPublisher() override;
  DeskPublisher(const DeskPublisher&) = delete;
  DeskPublisher& operator=(const DeskPublisher&) = delete;

  // Starts the thread and the connection; `sources` reads the meet's files
  // (on the publisher's thread) and `statusBook` is the book at the start.
  // False with `error` when the link cannot start.
  bool Start(MqttOutbox::Sources sources, const std::string& statusBook, std::string& error);
  // Publishes what waits (up to `grace`; the destructor gives the default),
  // then "offline", and disconnects.
  void Stop(std::chrono::milliseconds grace = std::chrono::milliseconds(2000));

  // From the timing window's thread: never blocks.
  void OnRaceEvent(const RaceEvent& event) override;

  bool Connected() const { return connected_.load(); }
  std::size_t DroppedInputs() const { return queue_.Dropped(); }
  // Feed events the publisher's thread has not taken into its outbox yet.
  std::size_t QueuedInputs() const { return queue_.Size(); }
  std::size_t DroppedMessages() const { return droppedMessages_.load(); }
  // Feed messages acknowledged by the broker.
  long long Delivered() const { return delivered_.load(); }

 private:
  void Run();
  void Wake();
  bool Send(const Publication& p);
  void OnConnected();
  void OnLost(const std::string& why);
  void ReportDrops();

  DeskPublisherConfig config_;
  std::unique_ptr<BrokerLink> link_;
  std::function<void(const std::string&)> report_;
  std::string name_;  // host:port
  MqttTopics topics_;
  // Events, or none to wake the thread (a connection came or the window
  // opened).
  BoundedQueue<std::optional<RaceEvent>> queue_;
  std::optional<MqttOutbox> outbox_;  // publisher's thread only
  std::thread thread_;
  std::atomic<bool> stopping_{false};
  std::chrono::milliseconds stopGrace_{0};
  std::atomic<bool> connected_{false};
  std::atomic<bool> announce_{false};  // "online" is due on the new connection
  std::atomic<int> inFlight_{0};
  std::atomic<long long> delivered_{0};
  std::atomic<std::size_t> droppedMessages_{0};
  std::mutex reportMutex_;
  bool everConnected_ = false;
  bool lostReported_ = false;
  std::size_t dropsReported_ = 0;
};

}  // namespace poolside
