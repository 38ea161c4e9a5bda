#include "app/start_config.h"

#include <filesystem>
#include <system_error>

#include "platform/paths.h"
#include "setup/first_start.h"
#include "timing/race_window.h"

namespace poolside {

void MergeUserConfig(Options& options, const UserConfig& config, std::vector<std::string>* notes) {
  auto note = [notes](const std::string& line) {
    if (notes) notes->push_back(std::string(kUserConfigName) + ": " + line);
  };
  for (const auto& [letter, dir] : config.drives) options.drives.emplace(letter, dir);
  for (const auto& [port, device] : config.coms) options.coms.emplace(port, device);
  if (options.mirror.empty()) options.mirror = config.mirror;
  if (options.httpPort < 0 && !config.http.empty() &&
      !ParseHttpAddress(config.http, options.httpAddress, options.httpPort)) {
    options.httpPort = -1;
    note("http " + config.http + " は使えません (expected [ADDR:]PORT)");
  }
  // The broker's other settings go with the broker the desk uses: a
  // command line's --mqtt keeps its own prefix, credentials and CA file.
  if (options.mqttPort < 0 && !config.mqtt.empty()) {
    if (ParseBrokerAddress(config.mqtt, options.mqttHost, options.mqttPort)) {
      if (!config.mqttPrefix.empty()) {
        options.mqttPrefix = config.mqttPrefix;
        options.mqttPrefixGiven = true;
      }
      if (!config.mqttAuth.empty()) options.mqttAuth = config.mqttAuth;
      if (!config.mqttCaFile.empty()) options.mqttCaFile = config.mqttCaFile;
    } else {
      options.mqttPort = -1;
      note("mqtt " + config.mqtt + " は使えません (expected HOST[:PORT])");
    }
  }
  if (config.minSplit25 > 0) options.minSplit25 = config.minSplit25;
  if (config.minSplit50 > 0) options.minSplit50 = config.minSplit50;
  if (options.publicNames.empty()) options.publicNames = config.publicNames;
  if (options.backupThreshold.empty()) options.backupThreshold = config.backupThreshold;
  options.qualifiers.insert(options.qualifiers.begin(), config.qualifiers.begin(),
                            config.qualifiers.end());
}

bool EnterWorkdir(const std::string& folder, std::vector<std::string>& notes) {
  std::error_code ec;
  std::filesystem::current_path(folder, ec);
  if (ec) notes.push_back("作業フォルダに移れません: " + folder + ": " + ec.message());
  return !ec;
}

namespace {

UserConfig UserConfigIn(const std::string& folder) {
  return folder.empty() ? UserConfig{} : ReadUserConfig(folder + "/" + kUserConfigName);
}

}  // namespace

UserConfig StartUserConfig(const char* xdgConfigHome, const char* home) {
  return UserConfigIn(UserConfigFolder(xdgConfigHome, home));
}

StartConfig PrepareStart(Options& options, bool interactive, const char* xdgConfigHome,
                         const char* home) {
  StartConfig start;
  start.folder = UserConfigFolder(xdgConfigHome, home);
  const UserConfig config = UserConfigIn(start.folder);
  start.notes = config.problems;
  const bool scriptRun = !options.script.empty();
  const bool drivesGiven = !options.drives.empty();
  const PathMapper paths;  // the control file's path is relative: no drive involved
  if (ControlFileReachable(paths, race_texts::kControlFile)) {
    if (!scriptRun) MergeUserConfig(options, config, &start.notes);
    return start;
  }
  if (drivesGiven) return start;
  if (!config.workdir.empty() && EnterWorkdir(config.workdir, start.notes)) {
    MergeUserConfig(options, config, &start.notes);
    if (ControlFileReachable(paths, race_texts::kControlFile)) return start;
  }
  start.askSetup = interactive;
  return start;
}

}  // namespace poolside
