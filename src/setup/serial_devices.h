#pragma once
// The serial devices present, for choosing the console's port: USB adapters
// by their stable /dev/serial/by-id names first (the name stays when the
// adapter is plugged into another socket), then USB and ACM devices without
// such a name, then the built-in ports that have a UART behind them.

#include <string>
#include <vector>

namespace poolside {

struct SerialDevice {
  std::string path;   // what goes into "com N=": /dev/serial/by-id/... or /dev/ttyUSB0
  std::string label;  // what the list shows: the path and, for a link, its device
};

// `dev` and `sys` are the roots of /dev and /sys (tests pass a folder of
// their own). A ttyS port counts when its /sys/class/tty/ttySN/type is not
// 0 (0 is a port with no UART).
std::vector<SerialDevice> ListSerialDevices(const std::string& dev = "/dev",
                                            const std::string& sys = "/sys");

// A note for the set-up when the user may not open `device` (it exists and
// access() refuses reading or writing with EACCES): how to join the group
// that owns serial devices. Empty when the device may be opened or is
// absent (a pseudo-terminal of the simulator, a device not plugged in yet).
std::string DevicePermissionNote(const std::string& device, const char* user);

}  // namespace poolside
