#pragma once
// BrokerLink through libmosquitto (MQTT 3.1.1, clean session, QoS 1): a
// network thread of its own connects, runs the library's loop and, when an
// attempt fails or the connection drops, waits a growing delay (0.5 s
// doubling to 8 s) before the next attempt. Transport only: what is
// published and when is decided above it.

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "mqtt/broker_link.h"

struct mosquitto;
struct mosquitto_message;

namespace poolside {

class MosquittoLink : public BrokerLink {
 public:
  MosquittoLink();
  ~MosquittoLink() override;
  MosquittoLink(const MosquittoLink&) = delete;
  MosquittoLink& operator=(const MosquittoLink&) = delete;

  bool Start(const BrokerSettings& settings, Handlers handlers, std::string& error) override;
  bool Publish(const std::string& topic, const std::string& payload, bool retain, int& id) override;
  void Stop() override;

 private:
  void Run();
  // Sleeps `ms` unless Stop comes first; false when stopping.
  bool Pause(int ms);
  static void OnConnect(mosquitto*, void* self, int rc);
  static void OnDisconnect(mosquitto*, void* self, int rc);
  static void OnPublish(mosquitto*, void* self, int mid);
  static void OnSubscribe(mosquitto*, void* self, int mid, int count, const int* granted);
  static void OnMessage(mosquitto*, void* self, const mosquitto_message* message);

  BrokerSettings settings_;
  Handlers handlers_;
  mosquitto* mosq_ = nullptr;
  std::thread thread_;
  std::atomic<bool> stopping_{false};
  std::atomic<bool> connected_{false};
  std::atomic<bool> accepted_{false};  // by OnConnect, for Run to tell
  std::mutex mutex_;
  std::condition_variable wake_;
  std::string refusal_;  // why the broker refused the last attempt
};

}  // namespace poolside
