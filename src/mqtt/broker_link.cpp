#include "mqtt/broker_link.h"

namespace poolside {

std::string BrokerName(const BrokerSettings& settings) {
  const bool v6 = settings.host.find(':') != std::string::npos;
  return (v6 ? "[" + settings.host + "]" : settings.host) + ":" + std::to_string(settings.port);
}

}  // namespace poolside
