#include "app/options.h"

#include "setup/mappings.h"

#include <cstdlib>

#include "mqtt/topics.h"

namespace poolside {

bool ParseHttpAddress(const std::string& v, std::string& address, int& port) {
  std::string host = "0.0.0.0", digits = v;
  const auto colon = v.rfind(':');
  if (colon != std::string::npos) {
    host = v.substr(0, colon);
    digits = v.substr(colon + 1);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
      host = host.substr(1, host.size() - 2);
    }
    if (host.empty()) return false;
  }
  if (digits.empty() || digits.size() > 5) return false;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
  }
  const int n = std::stoi(digits);
  if (n > 65535) return false;
  address = host;
  port = n;
  return true;
}

bool ParseBrokerAddress(const std::string& v, std::string& host, int& port) {
  std::string name = v, digits;
  if (!v.empty() && v.front() == '[') {
    const auto close = v.find(']');
    if (close == std::string::npos) return false;
    name = v.substr(1, close - 1);
    const std::string rest = v.substr(close + 1);
    if (!rest.empty()) {
      if (rest[0] != ':') return false;
      digits = rest.substr(1);
      if (digits.empty()) return false;
    }
  } else if (const auto colon = v.find(':'); colon != std::string::npos) {
    if (v.find(':', colon + 1) != std::string::npos) return false;  // IPv6 needs brackets
    name = v.substr(0, colon);
    digits = v.substr(colon + 1);
    if (digits.empty()) return false;
  }
  if (name.empty() || name.size() > 253) return false;
  for (char c : name) {
    if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == ':' ||
          c == '_')) {
      return false;
    }
  }
  int n = 1883;
  if (!digits.empty()) {
    if (digits.size() > 5) return false;
    for (char c : digits) {
      if (c < '0' || c > '9') return false;
    }
    n = std::stoi(digits);
    if (n < 1 || n > 65535) return false;
  }
  host = name;
  port = n;
  return true;
}

namespace {
// The broker options make sense only together: checked once all are read.
void CheckBrokerOptions(Options& o, const std::vector<std::string>& args) {
  auto given = [&](const char* name) {
    for (const auto& a : args) {
      if (a == name) return true;
    }
    return false;
  };
  const bool broker = o.mqttPort >= 0 || o.relayPort >= 0;
  for (const char* name : {"--mqtt-prefix", "--mqtt-auth", "--mqtt-cafile"}) {
    if (given(name) && !broker) {
      o.error = std::string(name) + " は --mqtt か --relay と一緒に使います (" + name +
                " needs --mqtt or --relay)";
      return;
    }
  }
  if (o.mqttPort >= 0 && o.relayPort >= 0) {
    o.error = "--mqtt と --relay は同時に使えません (--mqtt and --relay exclude each other)";
  } else if (o.relayPort >= 0 && o.httpPort < 0) {
    o.error = "--relay には --http [ADDR:]PORT が必要です (--relay needs --http)";
  }
}
}  // namespace

Options ParseOptions(const std::vector<std::string>& args) {
  Options o;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto next = [&](std::string& out) {
      if (i + 1 >= args.size()) {
        o.error = a + " には値が必要です (" + a + " needs a value)";
        return false;
      }
      out = args[++i];
      return true;
    };
    std::string v, value;
    if (a == "--drive") {
      if (!next(v)) return o;
      char letter = 0;
      if (!ParseDriveMapping(v, letter, value)) {
        o.error = "--drive の値が正しくありません: " + v + " (expected X=DIR)";
        return o;
      }
      o.drives[letter] = value;
    } else if (a == "--com") {
      if (!next(v)) return o;
      int port = 0;
      if (!ParseComMapping(v, port, value)) {
        o.error = "--com の値が正しくありません: " + v + " (expected N=DEVICE)";
        return o;
      }
      o.coms[port] = value;
    } else if (a == "--script") {
      if (!next(o.script)) return o;
    } else if (a == "--competition") {
      o.competition = true;
    } else if (a == "--print-to-pdf") {
      if (!next(o.printToPdf)) return o;
    } else if (a == "--http") {
      if (!next(v)) return o;
      if (!ParseHttpAddress(v, o.httpAddress, o.httpPort)) {
        o.error = "--http の値が正しくありません: " + v + " (expected [ADDR:]PORT)";
        return o;
      }
    } else if (a == "--mqtt" || a == "--relay") {
      if (!next(v)) return o;
      const bool relay = a == "--relay";
      if (!ParseBrokerAddress(v, relay ? o.relayHost : o.mqttHost,
                              relay ? o.relayPort : o.mqttPort)) {
        o.error = a + " の値が正しくありません: " + v + " (expected HOST[:PORT])";
        return o;
      }
    } else if (a == "--mqtt-prefix") {
      if (!next(o.mqttPrefix)) return o;
      if (!ValidTopicPrefix(o.mqttPrefix)) {
        o.error = "--mqtt-prefix の値が正しくありません: " + o.mqttPrefix +
                  " (no '+', '#' or empty level)";
        return o;
      }
    } else if (a == "--mqtt-auth") {
      if (!next(o.mqttAuth)) return o;
    } else if (a == "--mqtt-cafile") {
      if (!next(o.mqttCaFile)) return o;
    } else if (a == "--screenshot") {
      if (!next(o.screenshot)) return o;
    } else if (a == "--capture") {
      if (!next(o.capture)) return o;
    } else if (a == "--no-capture") {
      o.noCapture = true;
    } else if (a == "--recover") {
      if (!next(v)) return o;
      o.recover.push_back(v);
    } else if (a == "--take" || a == "--as") {
      if (!next(v)) return o;
      char* end = nullptr;
      const long n = std::strtol(v.c_str(), &end, 10);
      if (v.empty() || *end != '\0' || n < 1 || n > 32767) {
        o.error = a + " の値が正しくありません: " + v + " (expected a number from 1)";
        return o;
      }
      (a == "--take" ? o.take : o.as) = static_cast<int>(n);
    } else if (a == "--touches" || a == "--lane") {
      if (!next(v)) return o;
      char* end = nullptr;
      const long n = std::strtol(v.c_str(), &end, 10);
      const long high = a == "--lane" ? 10 : 1024;
      if (v.empty() || *end != '\0' || n < 1 || n > high) {
        o.error = a + " の値が正しくありません: " + v + " (expected a number from 1 to " +
                  std::to_string(high) + ")";
        return o;
      }
      (a == "--touches" ? o.touches : o.lane) = static_cast<int>(n);
    } else if (a == "--drop" || a == "--insert-after" || a == "--as-finish" || a == "--as-lap") {
      if (!next(v)) return o;
      if (!o.repair.empty()) {
        o.error = "修正は一度に一つです: " + a + " (one repair at a time)";
        return o;
      }
      o.repair = a.substr(2) + " " + v;
      // The time of an inserted touch is optional: the next word when it is
      // not an option.
      if (a == "--insert-after") {
        if (i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0) {
          o.repair += " " + args[++i];
        } else {
          o.repair += " ?";
        }
      }
    } else if (a == "--apply") {
      o.apply = true;
    } else if (a == "--export-encoding") {
      if (!next(o.exportEncoding)) return o;
      if (o.exportEncoding != "utf8" && o.exportEncoding != "cp932") {
        o.error = "--export-encoding の値が正しくありません: " + o.exportEncoding +
                  " (expected utf8 or cp932)";
        return o;
      }
    } else if (a == "--export-all") {
      o.exportAll = true;
    } else if (a == "--version") {
      o.version = true;
    } else if (a == "--help" || a == "-h") {
      o.help = true;
    } else {
      o.error = "不明なオプションです: " + a + " (unknown option)";
      return o;
    }
  }
  CheckBrokerOptions(o, args);
  return o;
}

}  // namespace poolside
