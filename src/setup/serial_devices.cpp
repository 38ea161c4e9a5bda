#include "setup/serial_devices.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <system_error>

#include "platform/file_system.h"

namespace poolside {

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> Entries(const fs::path& folder) {
  std::vector<fs::path> out;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    out.push_back(it->path());
  }
  std::sort(out.begin(), out.end());
  return out;
}

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

// ttyS0 < ttyS2 < ttyS10 (by number, not by text).
bool ByNumber(const fs::path& a, const fs::path& b) {
  const std::string x = a.filename().string(), y = b.filename().string();
  const auto digits = [](const std::string& s) { return s.find_first_of("0123456789"); };
  const auto dx = digits(x), dy = digits(y);
  if (dx == std::string::npos || dy == std::string::npos || x.substr(0, dx) != y.substr(0, dy)) {
    return x < y;
  }
  const unsigned long nx = std::strtoul(x.c_str() + dx, nullptr, 10);
  const unsigned long ny = std::strtoul(y.c_str() + dy, nullptr, 10);
  return nx != ny ? nx < ny : x < y;
}

bool HasUart(const std::string& sys, const std::string& name) {
  std::ifstream in(sys + "/class/tty/" + name + "/type");
  int type = 0;
  return in >> type && type != 0;
}

}  // namespace

std::vector<SerialDevice> ListSerialDevices(const std::string& dev, const std::string& sys) {
  std::vector<SerialDevice> out;
  std::set<std::string> named;  // devices that have a by-id name
  for (const fs::path& link : Entries(fs::path(dev) / "serial" / "by-id")) {
    std::error_code ec;
    const fs::path target = fs::canonical(link, ec);
    std::string label = link.string();
    if (!ec) {
      // Shown as the system names it, /dev/ttyUSB0, whatever the root.
      label += " (/dev/" + target.filename().string() + ")";
      named.insert(target.filename().string());
    }
    out.push_back({link.string(), label});
  }
  std::vector<fs::path> usb, builtIn;
  for (const fs::path& p : Entries(dev)) {
    const std::string name = p.filename().string();
    if ((StartsWith(name, "ttyUSB") || StartsWith(name, "ttyACM")) && !named.count(name)) {
      usb.push_back(p);
    } else if (StartsWith(name, "ttyS") && HasUart(sys, name)) {
      builtIn.push_back(p);
    }
  }
  std::sort(usb.begin(), usb.end(), ByNumber);
  std::sort(builtIn.begin(), builtIn.end(), ByNumber);
  for (const auto* group : {&usb, &builtIn}) {
    for (const fs::path& p : *group) out.push_back({p.string(), p.string()});
  }
  return out;
}

std::string DevicePermissionNote(const std::string& device, const char* user) {
  if (device.empty() || !AccessDenied(device)) return "";
  const std::string who = user && *user ? user : "$USER";
  return "このユーザーは " + device +
         " を開けません。dialout グループに入ってください: sudo adduser " + who +
         " dialout (そのあとログインし直します) / this user may not open " + device +
         ": join the dialout group, then log in again";
}

}  // namespace poolside
