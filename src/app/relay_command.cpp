#include "app/relay_command.h"

#include <csignal>

#include <QCoreApplication>
#include <QTimer>

#include <atomic>
#include <memory>

#include "app/mqtt_start.h"
#include "live/qt/live_server.h"
#include "mqtt/mosquitto/mosquitto_link.h"
#include "mqtt/relay_follower.h"

namespace poolside {

namespace {

std::atomic<bool> stopRequested{false};

extern "C" void RequestStop(int) { stopRequested.store(true); }

}  // namespace

int RunRelay(const Options& options, int& argc, char** argv, std::ostream& err) {
  std::string error;
  auto broker = BrokerSettingsOf(options.relayHost, options.relayPort, options, error);
  if (!broker) {
    err << error << "\n";
    return 1;
  }
  QCoreApplication app(argc, argv);
  const MqttTopics topics(options.mqttPrefix);
  auto races = std::make_shared<RelayRaces>();
  LiveServerConfig config;
  config.address = options.httpAddress;
  config.port = options.httpPort;
  config.races = races;
  LiveServer server(config);
  if (!server.Start("", MeetSettings{}, error)) {
    err << error << "\n";
    return 1;
  }
  const bool v6 = options.httpAddress.find(':') != std::string::npos;
  const std::string host = v6 ? "[" + options.httpAddress + "]" : options.httpAddress;
  err << "ライブページ (live pages): http://" << host << ":" << server.Port() << "/\n";

  const std::string name = BrokerName(*broker);
  RelayFollower follower(
      topics, races, [&server](RelayUpdate update) { server.Update(std::move(update)); },
      [&err](const std::string& line) { err << line << std::endl; });
  bool lostSaid = false;
  BrokerLink::Handlers handlers;
  handlers.connected = [&] {
    follower.Connected();
    err << "中継 (relay): MQTT ブローカー " << name << " の " << topics.Prefix()
        << "/... を配信します" << std::endl;
    lostSaid = false;
  };
  handlers.lost = [&](const std::string& why) {
    follower.Lost();
    if (!lostSaid) {
      err << "中継 (relay): MQTT ブローカー " << name << " に接続できません: " << why
          << " (再接続を試み続けます)" << std::endl;
      lostSaid = true;
    }
  };
  handlers.message = [&](const std::string& topic, const std::string& payload, bool) {
    follower.Message(topic, payload);
  };
  broker->subscriptions = {topics.Status(), topics.RaceList(), topics.AnyRace(), topics.State(),
                           topics.Events()};
  MosquittoLink link;
  if (!link.Start(*broker, std::move(handlers), error)) {
    err << error << "\n";
    return 1;
  }
  std::signal(SIGINT, RequestStop);
  std::signal(SIGTERM, RequestStop);
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &app, [&] {
    if (stopRequested.load()) app.quit();
  });
  poll.start(100);
  app.exec();
  link.Stop();
  server.Stop();
  return 0;
}

}  // namespace poolside
