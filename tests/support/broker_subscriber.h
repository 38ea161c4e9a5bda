#pragma once
// A client of a test's broker that records what it receives.

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "live/live_json_read.h"
#include "mqtt/mosquitto/mosquitto_link.h"

namespace poolside::testing {

// A subscriber to PREFIX/#: every message in arrival order, and the last of
// each topic.
class Subscriber {
 public:
  Subscriber(int port, std::string pattern, BrokerSettings settings = {}) {
    settings.host = "127.0.0.1";
    settings.port = port;
    settings.subscriptions = {std::move(pattern)};
    BrokerLink::Handlers h;
    h.connected = [this] { connected_ = true; };
    h.lost = [this](const std::string&) { connected_ = false; };
    h.subscribed = [this] { ++subscribed_; };
    h.message = [this](const std::string& topic, const std::string& payload, bool) {
      std::lock_guard lock(mutex_);
      all_.push_back({topic, payload});
      last_[topic] = payload;
    };
    std::string error;
    started_ = link_.Start(settings, std::move(h), error);
  }
  bool Started() const { return started_; }
  bool Connected() const { return connected_; }
  // The broker has granted the subscription (its SUBACK) at least once:
  // what is published from then on reaches this subscriber.
  bool Subscribed() const { return subscribed_ > 0; }
  std::vector<std::pair<std::string, std::string>> All() {
    std::lock_guard lock(mutex_);
    return all_;
  }
  std::string Last(const std::string& topic) {
    std::lock_guard lock(mutex_);
    auto it = last_.find(topic);
    return it == last_.end() ? "" : it->second;
  }
  // Sequence numbers of the feed messages received, in order.
  std::vector<std::uint64_t> EventSeqs(const std::string& topic) {
    std::vector<std::uint64_t> seqs;
    for (const auto& [t, p] : All()) {
      if (t == topic) seqs.push_back(MessageSequence(p).value_or(0));
    }
    return seqs;
  }

 private:
  MosquittoLink link_;
  bool started_ = false;
  std::atomic<bool> connected_{false};
  std::atomic<int> subscribed_{0};
  std::mutex mutex_;
  std::vector<std::pair<std::string, std::string>> all_;
  std::map<std::string, std::string> last_;
};

}  // namespace poolside::testing
