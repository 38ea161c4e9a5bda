#include "setup/first_start.h"

#include <filesystem>
#include <system_error>

#include "meetdata/meet_data.h"
#include "platform/errors.h"
#include "platform/record_file.h"

namespace poolside {

namespace fs = std::filesystem;

namespace {

void MakeFolder(const fs::path& folder) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec || !fs::is_directory(folder)) {
    throw IoError("フォルダを作れません: " + folder.string() + ": " +
                  (ec ? ec.message() : "not a folder"));
  }
}

}  // namespace

bool ControlFileReachable(const PathMapper& paths, const std::string& controlPath) {
  return FileExists(paths.Resolve(controlPath));
}

std::string ExpandHome(const std::string& path, const char* home) {
  if (!home || !*home) return path;
  if (path == "~") return home;
  if (path.rfind("~/", 0) == 0) return std::string(home) + path.substr(1);
  return path;
}

std::string CheckSetupChoice(const SetupChoice& choice) {
  if (choice.dataFolder.empty() || choice.dataFolder[0] != '/') {
    return "大会データフォルダは / で始まる絶対パスで指定してください: " + choice.dataFolder;
  }
  if (choice.dataFolder.find('\\') != std::string::npos ||
      choice.dataFolder.find('"') != std::string::npos) {
    return "大会データフォルダの名前に \\ と \" は使えません: " + choice.dataFolder;
  }
  if (choice.device.empty()) return "計時盤のシリアルポートを選んでください";
  return "";
}

std::string SuggestedDataFolder(const char* home) {
  return std::string(home && *home == '/' ? home : "") + "/poolside-meet";
}

std::string SetupWorkdir(const std::string& configFolder) { return configFolder + "/prog"; }

UserConfig ApplySetup(const SetupChoice& choice, const std::string& configFolder) {
  if (const std::string wrong = CheckSetupChoice(choice); !wrong.empty()) {
    throw RuntimeError(wrong);
  }
  if (configFolder.empty() || configFolder[0] != '/') {  // checked before anything is made
    throw RuntimeError("設定フォルダが決まりません (HOME も XDG_CONFIG_HOME もありません)");
  }
  const std::string control = MeetData::ControlFileBytes("Poolside", choice.dataFolder);
  const fs::path data(choice.dataFolder);
  MakeFolder(data / "lap");
  MakeFolder(data / "goal");
  MakeFolder(fs::path(configFolder) / "ctl");
  MakeFolder(SetupWorkdir(configFolder));
  ReplaceFileAtomically(configFolder + "/ctl/dr_kyo.ctl", control);

  const std::string file = configFolder + "/" + kUserConfigName;
  UserConfig config = ReadUserConfig(file);
  config.problems.clear();  // the lines not understood are dropped
  config.drives['c'] = configFolder;
  config.coms[1] = choice.device;
  config.workdir = SetupWorkdir(configFolder);
  WriteUserConfig(file, config);
  return config;
}

}  // namespace poolside
