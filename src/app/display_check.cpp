#include "app/display_check.h"

namespace poolside {

bool DisplayExpected(const std::vector<std::string>& argv, const EnvLookup& env) {
  for (std::size_t i = 0; i + 1 < argv.size(); ++i) {
    if (argv[i] == "-platform" && !argv[i + 1].empty()) return true;
  }
  for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = env(name);
    if (value && *value) return true;
  }
  return false;
}

std::string NoDisplayText(const std::string& why) {
  return "poolside: 画面が見つかりません。画面なしで動かすには -platform offscreen "
         "を付けてください "
         "(no display found: " +
         why + "; to run without one: poolside -platform offscreen --script FILE ...)\n";
}

}  // namespace poolside
