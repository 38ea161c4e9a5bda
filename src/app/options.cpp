#include "app/options.h"

#include <cctype>

#include "app/option_table.h"

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
  for (const char* name : {"--mqtt-prefix", "--mqtt-auth", "--mqtt-cafile", "--follow-prefix"}) {
    if (given(name) && !broker) {
      o.error = std::string(name) + " は --mqtt か --relay と一緒に使います (" + name +
                " needs --mqtt or --relay)";
      return;
    }
  }
  if (!o.shadow.empty() && o.mqttPrefixGiven && o.mqttPrefix == o.followPrefix) {
    o.error = "控えは計時席と同じ接頭辞では配信しません: --mqtt-prefix " + o.mqttPrefix +
              " (a second desk publishes only under a prefix of its own)";
  } else if (o.mqttPort >= 0 && o.relayPort >= 0) {
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
    const OptionEntry* entry = FindOption(a);
    if (!entry) {
      o.error = "不明なオプションです: " + a + " (unknown option)";
      return o;
    }
    std::string value, more;
    bool hasMore = false;
    if (entry->value != OptionValue::None) {
      if (i + 1 >= args.size()) {
        o.error = a + " には値が必要です (" + a + " needs a value)";
        return o;
      }
      value = args[++i];
      if (entry->value == OptionValue::WordAndMore && i + 1 < args.size() &&
          args[i + 1].rfind("--", 0) != 0) {
        more = args[++i];
        hasMore = true;
      }
      for (int extra = 0; entry->value == OptionValue::Words && extra < 2 && i + 1 < args.size() &&
                          args[i + 1].rfind("--", 0) != 0;
           ++extra) {
        more += (hasMore ? " " : "") + args[++i];
        hasMore = true;
      }
    }
    o.error = entry->apply(o, GivenOption{a, value, hasMore ? &more : nullptr});
    if (!o.error.empty()) return o;
  }
  CheckBrokerOptions(o, args);
  return o;
}

}  // namespace poolside
