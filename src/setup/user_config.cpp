#include "setup/user_config.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <system_error>

#include "platform/errors.h"
#include "platform/file_read.h"
#include "platform/record_file.h"
#include "platform/utf8.h"
#include "setup/mappings.h"

namespace poolside {

namespace {

std::string Trim(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  const auto last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

// At most kMaxShownLineBytes of `line` (bad bytes shown as U+FFFD), cut
// at a whole character.
std::string Shown(const std::string& line) {
  const std::string valid = ValidUtf8(line);
  if (valid.size() <= kMaxShownLineBytes) return valid;
  std::size_t end = 0;
  while (end < valid.size()) {
    const std::size_t n = std::max<std::size_t>(1, Utf8SequenceLength(valid, end));
    if (end + n > kMaxShownLineBytes) break;
    end += n;
  }
  return valid.substr(0, end) + "... (" + std::to_string(line.size()) + " バイト)";
}

// A port number, 0 to 65535.
bool PortText(const std::string& text) {
  if (text.empty() || text.size() > 5 ||
      text.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  return std::stoi(text) <= 65535;
}

// Seconds such as "9" or "19.5", from 1 to 120; 0 when not.
double SecondsValue(const std::string& text) {
  if (text.empty() || text.size() > 8 ||
      text.find_first_not_of("0123456789.") != std::string::npos ||
      text.find('.') != text.rfind('.') || text.front() == '.' || text.back() == '.') {
    return 0;
  }
  const double seconds = std::strtod(text.c_str(), nullptr);
  return seconds >= 1 && seconds <= 120 ? seconds : 0;
}

std::string SecondsText(double seconds) {
  std::ostringstream out;
  out << seconds;
  return out.str();
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
  std::size_t unnamed = 0;  // problems beyond kMaxNamedProblems
  while (std::getline(in, raw)) {
    ++lineNo;
    const std::string line = Trim(raw);
    if (line.empty() || line[0] == '#') continue;
    const auto blank = line.find_first_of(" \t");
    const std::string key = line.substr(0, blank);
    const std::string value = blank == std::string::npos ? "" : Trim(line.substr(blank));
    auto problem = [&](const std::string& what) {
      if (config.problems.size() >= kMaxNamedProblems) {
        ++unnamed;
        return;
      }
      config.problems.push_back(name + ":" + std::to_string(lineNo) + ": " + what + ": " +
                                Shown(line));
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
    } else if (key == "mirror") {
      if (!value.empty() && value[0] == '/') {
        config.mirror = value;
      } else {
        problem("mirror には絶対パスが必要です (expected mirror /FOLDER)");
      }
    } else if (key == "http") {
      if (PortText(
              value.substr(value.rfind(':') == std::string::npos ? 0 : value.rfind(':') + 1))) {
        config.http = value;
      } else {
        problem("http の値が正しくありません (expected http [ADDR:]PORT)");
      }
    } else if (key == "mqtt") {
      const auto colon = value.rfind(':');
      const bool port =
          colon == std::string::npos || value.back() == ']' || PortText(value.substr(colon + 1));
      if (!value.empty() && value.find_first_of(" \t") == std::string::npos && port) {
        config.mqtt = value;
      } else {
        problem("mqtt の値が正しくありません (expected mqtt HOST[:PORT])");
      }
    } else if (key == "mqtt-prefix") {
      if (!value.empty() && value.find_first_of(" \t#+") == std::string::npos) {
        config.mqttPrefix = value;
      } else {
        problem("mqtt-prefix の値が正しくありません (expected mqtt-prefix PREFIX)");
      }
    } else if (key == "mqtt-auth" || key == "mqtt-cafile") {
      if (!value.empty() && value[0] == '/') {
        (key == "mqtt-auth" ? config.mqttAuth : config.mqttCaFile) = value;
      } else {
        problem(key + " には絶対パスが必要です (expected " + key + " /FILE)");
      }
    } else if (key == "min-split-25" || key == "min-split-50") {
      const double seconds = SecondsValue(value);
      if (seconds > 0) {
        (key == "min-split-25" ? config.minSplit25 : config.minSplit50) = seconds;
      } else {
        problem(key + " の値が正しくありません (expected " + key + " SECONDS, 1 to 120)");
      }
    } else if (key == "public-names") {
      if (value == "full" || value == "initials" || value == "none") {
        config.publicNames = value;
      } else {
        problem("public-names の値が正しくありません (expected full, initials or none)");
      }
    } else if (key == "qualifiers") {
      const bool count = value.size() >= 3 && value.size() <= 4 && value[1] == '=' &&
                         value.find_first_not_of("0123456789", 2) == std::string::npos;
      if (count) {
        config.qualifiers.push_back(value);
      } else {
        problem("qualifiers の値が正しくありません (expected qualifiers ROUND=N)");
      }
    } else if (key == "backup-threshold") {
      const std::size_t point = value.find('.');
      const std::string whole = value.substr(0, point);
      const std::string part = point == std::string::npos ? "" : value.substr(point + 1);
      const bool seconds = whole.size() <= 2 && part.size() <= 2 &&
                           whole.find_first_not_of("0123456789") == std::string::npos &&
                           part.find_first_not_of("0123456789") == std::string::npos &&
                           !(whole.empty() && part.empty()) &&
                           (point == std::string::npos || !part.empty());
      if (seconds) {
        config.backupThreshold = value;
      } else {
        problem("backup-threshold の値が正しくありません (expected backup-threshold 0.30)");
      }
    } else {
      problem("不明な設定です (unknown setting)");
    }
  }
  if (unnamed > 0) {
    config.problems.push_back(name + ": ほかに " + std::to_string(unnamed) +
                              " 行を読み飛ばしました (more lines not understood)");
  }
  return config;
}

UserConfig ReadUserConfig(const std::string& path) {
  FileReadOptions options;
  options.maxBytes = kMaxUserConfigBytes;
  const FileRead read = ReadFileBounded(path, options);
  UserConfig config;
  switch (read.outcome) {
    case FileReadOutcome::Ok:
      return ParseUserConfig(read.bytes, path);
    case FileReadOutcome::Missing:
      return config;
    case FileReadOutcome::TooLarge:
      config.problems.push_back("設定ファイルが大きすぎます (上限 " +
                                std::to_string(kMaxUserConfigBytes) +
                                " バイト、読みません): " + path);
      return config;
    case FileReadOutcome::NotAFile:  // a folder in its place: as if missing
      return config;
    case FileReadOutcome::Failed:
      break;
  }
  config.problems.push_back("設定ファイルを読めません: " + path + " (" +
                            std::error_code(read.error, std::generic_category()).message() + ")");
  return config;
}

std::string UserConfigText(const UserConfig& config) {
  std::string text =
      "# Poolside の設定 (configuration), read at every start.\n"
      "# drive X=DIR     drive X: of the control file's paths is folder DIR (as --drive)\n"
      "# com N=DEVICE    serial port N is DEVICE (as --com)\n"
      "# workdir DIR     the folder to start in when the current folder reaches no\n"
      "#                 control file ..\\ctl\\dr_kyo.ctl (as from the desktop menu)\n"
      "# public-names M  swimmers' names on the public pages: full, initials, none\n"
      "# qualifiers R=N  N of round code R go on from it (as --qualifiers)\n"
      "# mirror DIR      a copy of the data folder kept in DIR (as --mirror)\n"
      "# http, mqtt, mqtt-prefix, mqtt-auth, mqtt-cafile   as the options of those names\n"
      "# min-split-25 S, min-split-50 S   the fastest length of 25 m and of 50 m, in\n"
      "#                 seconds; a faster touch is flagged (9.0 and 19.0 unless set)\n"
      "# backup-threshold S  flag watches that differ by more than S seconds\n"
      "#                 (as --backup-threshold)\n"
      "# A --drive or --com on the command line wins over the line here.\n";
  for (const auto& [letter, dir] : config.drives) {
    text += std::string("drive ") + letter + "=" + dir + "\n";
  }
  for (const auto& [port, device] : config.coms) {
    text += "com " + std::to_string(port) + "=" + device + "\n";
  }
  if (!config.workdir.empty()) text += "workdir " + config.workdir + "\n";
  if (!config.publicNames.empty()) text += "public-names " + config.publicNames + "\n";
  for (const std::string& q : config.qualifiers) text += "qualifiers " + q + "\n";
  if (!config.mirror.empty()) text += "mirror " + config.mirror + "\n";
  if (!config.http.empty()) text += "http " + config.http + "\n";
  if (!config.mqtt.empty()) text += "mqtt " + config.mqtt + "\n";
  if (!config.mqttPrefix.empty()) text += "mqtt-prefix " + config.mqttPrefix + "\n";
  if (!config.mqttAuth.empty()) text += "mqtt-auth " + config.mqttAuth + "\n";
  if (!config.mqttCaFile.empty()) text += "mqtt-cafile " + config.mqttCaFile + "\n";
  if (config.minSplit25 > 0) text += "min-split-25 " + SecondsText(config.minSplit25) + "\n";
  if (config.minSplit50 > 0) text += "min-split-50 " + SecondsText(config.minSplit50) + "\n";
  if (!config.backupThreshold.empty()) {
    text += "backup-threshold " + config.backupThreshold + "\n";
  }
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
