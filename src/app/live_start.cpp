#include "app/live_start.h"

#include <iostream>

#include "app/public_setup.h"

namespace poolside {

std::unique_ptr<LiveServer> MakeLiveServer(const Options& options, const PathMapper& paths,
                                           RaceResults& results) {
  if (options.httpPort < 0) return nullptr;
  LiveServerConfig config;
  config.address = options.httpAddress;
  config.port = options.httpPort;
  config.paths = paths;
  config.publicNames = PublicNamesOf(options);
  config.results = [&results, names = config.publicNames](int race) {
    return PublicView(results.ResultOf(race), names);
  };
  config.standings = [&results, names = config.publicNames](int program) {
    return PublicStandings(results.StandingsOf(program), names);
  };
  config.entries = [&results] { return results.Entries(); };
  return std::make_unique<LiveServer>(std::move(config));
}

bool StartLiveServer(LiveServer& server, const Options& options, const MeetData& meet,
                     MessageSink& messages) {
  std::string error;
  if (!server.Start(meet.DataFolder, meet.Settings, error)) {
    messages.Warn(error);
    return false;
  }
  const bool v6 = options.httpAddress.find(':') != std::string::npos;
  const std::string host = v6 ? "[" + options.httpAddress + "]" : options.httpAddress;
  std::cerr << "ライブページ (live pages): http://" << host << ":" << server.Port() << "/\n";
  return true;
}

}  // namespace poolside
