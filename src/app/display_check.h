#pragma once
// Whether the program can expect a display before Qt is asked for one: Qt
// ends a start without a display with an abort (and a core dump), so a start
// that names no platform and has no display is answered with one line.

#include <functional>
#include <string>
#include <vector>

namespace poolside {

using EnvLookup = std::function<const char*(const char*)>;

// True when the command line (argv, Qt's options included) or the
// environment names a platform (-platform NAME, QT_QPA_PLATFORM) or a
// display is set (DISPLAY, WAYLAND_DISPLAY).
[[nodiscard]] bool DisplayExpected(const std::vector<std::string>& argv, const EnvLookup& env);

// The one line for a start without a display; `why` says what was missing
// or what failed ("DISPLAY is not set").
std::string NoDisplayText(const std::string& why);

}  // namespace poolside
