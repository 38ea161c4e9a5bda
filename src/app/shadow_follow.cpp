#include "app/shadow_follow.h"

#include <atomic>

#include "app/mqtt_start.h"
#include "mqtt/mosquitto/mosquitto_link.h"
#include "mqtt/shown_race.h"
#include "mqtt/topics.h"

namespace poolside {

ShadowFollow::ShadowFollow() = default;

ShadowFollow::~ShadowFollow() { Stop(); }

bool ShadowFollow::Start(const Options& options, std::function<void(int race)> show,
                         std::function<void(const std::string&)> say, std::string& error) {
  auto broker = BrokerSettingsOf(options.mqttHost, options.mqttPort, options, error);
  if (!broker) return false;
  const MqttTopics topics(options.followPrefix);
  const std::string events = topics.Events();
  broker->subscriptions = {events};
  const std::string where = broker->host + ":" + std::to_string(broker->port) + " " + events;
  auto lostSaid = std::make_shared<std::atomic<bool>>(false);
  BrokerLink::Handlers handlers;
  handlers.connected = [say, where, lostSaid] {
    lostSaid->store(false);
    say("控え: 計時席のレースを " + where + " から追います");
  };
  handlers.lost = [say, where, lostSaid](const std::string& why) {
    if (!lostSaid->exchange(true)) {
      say("控え: " + where + " に接続できません: " + why +
          " (計時席のレースは追わず、自分で進めます。再接続を試み続けます)");
    }
  };
  handlers.message = [show, events](const std::string& topic, const std::string& payload, bool) {
    if (topic != events) return;
    if (const auto race = ShownRaceOf(payload)) show(*race);
  };
  link_ = std::make_unique<MosquittoLink>();
  if (!link_->Start(*broker, std::move(handlers), error)) {
    link_.reset();
    return false;
  }
  return true;
}

void ShadowFollow::Stop() {
  if (link_) link_->Stop();
  link_.reset();
}

}  // namespace poolside
