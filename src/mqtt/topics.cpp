#include "mqtt/topics.h"

#include "vocabulary/data_folder.h"

namespace poolside {

std::optional<int> MqttTopics::RaceOf(std::string_view topic) const {
  const std::string head = prefix_ + "/races/";
  if (!topic.starts_with(head)) return std::nullopt;
  const std::string_view digits = topic.substr(head.size());
  if (digits.empty() || digits.size() > 4 || digits[0] == '0') return std::nullopt;
  int n = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  if (n > kBookRaces) return std::nullopt;
  return n;
}

bool ValidTopicPrefix(std::string_view prefix) {
  if (prefix.empty() || prefix.size() > 200) return false;
  if (prefix.front() == '/' || prefix.back() == '/') return false;
  if (prefix.find("//") != std::string_view::npos) return false;
  for (char c : prefix) {
    if (c == '+' || c == '#' || c == '\0') return false;
  }
  return true;
}

}  // namespace poolside
