#include "setup/user_config.h"

#include <filesystem>
#include <sstream>
#include <system_error>

#include "platform/errors.h"
#include "platform/record_file.h"
#include "setup/mappings.h"

namespace poolside {

namespace {

std::string Trim(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  const auto last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

}  // namespace

std::string UserConfigFolder(const char* xdgConfigHome, const char* home) {
  if (xdgConfigHome && xdgConfigHome[0] == '/') return std::string(xdgConfigHome) + "/poolside";
  if (home && home[0] == '/') return std::string(home) + "/.config/poolside";
  return "";
}

UserConfig ParseUserConfig(const std::string& text, const std::string& name) {
  UserConfig config;
  std::istringstream in(text);
  std::string raw;
  int lineNo = 0;
  while (std::getline(in, raw)) {
    ++lineNo;
    const std::string line = Trim(raw);
    if (line.empty() || line[0] == '#') continue;
    const auto blank = line.find_first_of(" \t");
    const std::string key = line.substr(0, blank);
    const std::string value = blank == std::string::npos ? "" : Trim(line.substr(blank));
    auto problem = [&](const std::string& what) {
      config.problems.push_back(name + ":" + std::to_string(lineNo) + ": " + what + ": " + line);
    };
    if (key == "drive") {
      char letter = 0;
      std::string dir;
      if (ParseDriveMapping(value, letter, dir)) {
        config.drives[letter] = dir;
      } else {
        problem("drive の値が正しくありません (expected drive X=DIR)");
      }
    } else if (key == "com") {
      int port = 0;
      std::string device;
      if (ParseComMapping(value, port, device)) {
        config.coms[port] = device;
      } else {
        problem("com の値が正しくありません (expected com N=DEVICE)");
      }
    } else if (key == "workdir") {
      if (!value.empty() && value[0] == '/') {
        config.workdir = value;
      } else {
        problem("workdir には絶対パスが必要です (expected workdir /FOLDER)");
      }
    } else {
      problem("不明な設定です (unknown setting)");
    }
  }
  return config;
}

UserConfig ReadUserConfig(const std::string& path) {
  if (!FileExists(path)) return {};
  try {
    return ParseUserConfig(ReadWholeFile(path), path);
  } catch (const IoError& e) {
    UserConfig config;
    config.problems.push_back(std::string("設定ファイルを読めません: ") + e.what());
    return config;
  }
}

std::string UserConfigText(const UserConfig& config) {
  std::string text =
      "# Poolside の設定 (configuration), read at every start.\n"
      "# drive X=DIR     drive X: of the control file's paths is folder DIR (as --drive)\n"
      "# com N=DEVICE    serial port N is DEVICE (as --com)\n"
      "# workdir DIR     the folder to start in when the current folder reaches no\n"
      "#                 control file ..\\ctl\\dr_kyo.ctl (as from the desktop menu)\n"
      "# A --drive or --com on the command line wins over the line here.\n";
  for (const auto& [letter, dir] : config.drives) {
    text += std::string("drive ") + letter + "=" + dir + "\n";
  }
  for (const auto& [port, device] : config.coms) {
    text += "com " + std::to_string(port) + "=" + device + "\n";
  }
  if (!config.workdir.empty()) text += "workdir " + config.workdir + "\n";
  return text;
}

void WriteUserConfig(const std::string& path, const UserConfig& config) {
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) {
    throw IoError("設定フォルダを作れません: " + folder.string() + ": " + ec.message());
  }
  ReplaceFileAtomically(path, UserConfigText(config));
}

}  // namespace poolside
