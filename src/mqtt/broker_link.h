#pragma once
// A connection to an MQTT broker as the desk's publisher and the relay use
// it. The implementation (mosquitto/mosquitto_link.h) connects, keeps
// reconnecting with a growing delay and calls the handlers on its own
// network thread; Publish may be called from any thread.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "mqtt/credentials.h"

namespace poolside {

struct BrokerSettings {
  std::string host = "127.0.0.1";
  int port = 1883;
  std::string clientId;
  std::optional<MqttCredentials> credentials;
  std::string caFile;  // TLS to the broker when not empty
  // The last will: published by the broker when the connection is lost.
  std::string willTopic;
  std::string willPayload;
  // Subscribed again on every connect (QoS 1).
  std::vector<std::string> subscriptions;
  // The broker keeps the session (subscriptions, QoS 1 messages) while the
  // client is away; needs a fixed clientId.
  bool persistentSession = false;
};

// "host:port", with an IPv6 address in brackets.
std::string BrokerName(const BrokerSettings& settings);

class BrokerLink {
 public:
  struct Handlers {
    // The broker accepted the connection (subscriptions are sent already).
    std::function<void()> connected;
    // An attempt failed or the connection was lost; `why` says which.
    std::function<void(const std::string& why)> lost;
    // The broker acknowledged the publication with this id (QoS 1).
    std::function<void(int id)> delivered;
    // The broker granted a subscription of `subscriptions` (its SUBACK):
    // from then on it forwards what is published there. Not called for a
    // refused one.
    std::function<void()> subscribed;
    // A message of a subscription.
    std::function<void(const std::string& topic, const std::string& payload, bool retained)>
        message;
  };

  virtual ~BrokerLink() = default;
  // Begins connecting in the background; false with `error` when the
  // settings cannot be used at all (a CA file the library refuses).
  virtual bool Start(const BrokerSettings& settings, Handlers handlers, std::string& error) = 0;
  // QoS 1. False when not connected or refused; `id` is what `delivered`
  // will name.
  virtual bool Publish(const std::string& topic, const std::string& payload, bool retain,
                       int& id) = 0;
  // Disconnects cleanly (the broker does not send the will) and ends the
  // network thread. Handlers are not called afterwards.
  virtual void Stop() = 0;
};

}  // namespace poolside
