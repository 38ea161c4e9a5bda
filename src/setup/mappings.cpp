#include "setup/mappings.h"

#include <cctype>
#include <cstdlib>

namespace poolside {

namespace {
bool Split(const std::string& v, std::string& key, std::string& value) {
  const auto eq = v.find('=');
  if (eq == std::string::npos || eq == 0 || eq + 1 >= v.size()) return false;
  key = v.substr(0, eq);
  value = v.substr(eq + 1);
  return true;
}
}  // namespace

bool ParseDriveMapping(const std::string& text, char& letter, std::string& dir) {
  std::string key, value;
  if (!Split(text, key, value) || key.size() != 1 ||
      !std::isalpha(static_cast<unsigned char>(key[0]))) {
    return false;
  }
  letter = static_cast<char>(std::tolower(static_cast<unsigned char>(key[0])));
  dir = value;
  return true;
}

bool ParseComMapping(const std::string& text, int& port, std::string& device) {
  std::string key, value;
  if (!Split(text, key, value)) return false;
  char* end = nullptr;
  const long n = std::strtol(key.c_str(), &end, 10);
  if (!end || *end != '\0' || n < 1 || n > 32767) return false;
  port = static_cast<int>(n);
  device = value;
  return true;
}

}  // namespace poolside
