#include "app/mqtt_start.h"

#include <iostream>

#include "live/meet_reader.h"
#include "mqtt/meet_sources.h"
#include "mqtt/mosquitto/mosquitto_link.h"
#include "results/race_results.h"
#include "results/standings.h"

namespace poolside {

std::optional<BrokerSettings> BrokerSettingsOf(const std::string& host, int port,
                                               const Options& options, std::string& error) {
  BrokerSettings settings;
  settings.host = host;
  settings.port = port;
  if (!options.mqttAuth.empty()) {
    MqttCredentials credentials;
    if (!ReadCredentials(options.mqttAuth, credentials, error)) return std::nullopt;
    settings.credentials = std::move(credentials);
  }
  if (!options.mqttCaFile.empty()) {
    if (!CheckCaFile(options.mqttCaFile, error)) return std::nullopt;
    settings.caFile = options.mqttCaFile;
  }
  return settings;
}

std::unique_ptr<DeskPublisher> MakeDeskPublisher(const Options& options, std::string& error) {
  if (options.mqttPort < 0) return nullptr;
  auto broker = BrokerSettingsOf(options.mqttHost, options.mqttPort, options, error);
  if (!broker) {
    error += " (MQTT への送信は行いません)";
    return nullptr;
  }
  DeskPublisherConfig config;
  config.broker = std::move(*broker);
  config.prefix = options.mqttPrefix;
  return std::make_unique<DeskPublisher>(std::move(config), std::make_unique<MosquittoLink>(),
                                         [](const std::string& text) {
                                           std::cerr << text << "\n";
                                           std::cerr.flush();
                                         });
}

bool StartDeskPublisher(DeskPublisher& publisher, const MeetData& meet, const PathMapper& paths,
                        RaceResults& results, PublicNames names, MessageSink& messages) {
  const MeetReader reader(
      [&](std::string_view name) { return paths.Resolve(meet.DataFolder + std::string(name)); },
      meet.Settings.ClassLabelMode);
  std::string error;
  MqttOutbox::Sources sources = MeetSources(
      paths, meet.DataFolder, meet.Settings,
      [&results](int race) { return results.ResultOf(race); }, names);
  sources.eventJson = [&results, names](int program) {
    return StandingsJson(PublicStandings(results.StandingsOf(program), names));
  };
  sources.programOf = [&results](int race) { return results.ProgramOf(race); };
  sources.entries = [&results] { return results.Entries(); };
  if (!publisher.Start(std::move(sources), reader.StatusBook(), error)) {
    messages.Warn(error);
    return false;
  }
  return true;
}

}  // namespace poolside
