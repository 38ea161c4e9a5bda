// The serial devices of this system: /dev nodes, the UARTs the kernel
// reports, the dialout group.
#include "platform/port_failure.h"
#include "platform/port_router.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace poolside {

namespace fs = std::filesystem;

namespace {

constexpr const char* kAddToDialout = "sudo usermod -aG dialout $USER";

// Names in `folder` that start with `prefix`, sorted, as `shownFolder/name`.
std::vector<std::string> Matching(const std::string& root, const std::string& shownFolder,
                                  const std::string& prefix) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(root + shownFolder, ec)) {
    const std::string name = e.path().filename().string();
    if (name.rfind(prefix, 0) == 0 && name.size() > prefix.size()) {
      names.push_back(shownFolder + "/" + name);
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The kernel makes ttyS0.. whether or not a UART is behind them; an empty
// slot reports the UART type 0.
bool HasUart(const std::string& root, const std::string& device) {
  const std::string name = device.substr(device.rfind('/') + 1);
  std::ifstream type(root + "/sys/class/tty/" + name + "/type");
  int value = -1;
  if (!(type >> value)) return true;  // nothing known: it exists, so list it
  return value != 0;
}

}  // namespace

std::string PortRouter::DefaultDevice(int portNumber) {
  return "/dev/ttyS" + std::to_string(portNumber - 1);
}

std::string PortHolder(const std::string& device) {
  // Where the serial port layer puts its lock files.
  return PortHolderIn({"/var/lock", "/run/lock", "/etc/locks", "/var/spool/locks",
                       "/var/spool/uucp", "/tmp", "/var/tmp", "/var/lock/lockdev"},
                      device);
}

PortFault ClassifyPortFault(const std::string& device, bool permissionDenied) {
  if (permissionDenied) {
    // Refused though the user may open it: another program has it (its
    // lock, or exclusive use), and the dialout group is not the remedy.
    const bool mayOpen = !device.empty() && access(device.c_str(), R_OK | W_OK) == 0;
    return mayOpen || !PortHolder(device).empty() ? PortFault::InUse : PortFault::PermissionDenied;
  }
  struct stat st {};
  if (!device.empty() && stat(device.c_str(), &st) != 0) return PortFault::Missing;
  return PortFault::Other;
}

std::vector<std::string> SerialDevicesPresent(const std::string& root) {
  std::vector<std::string> out;
  for (const char* prefix : {"ttyUSB", "ttyACM"}) {
    for (std::string& d : Matching(root, "/dev", prefix)) out.push_back(std::move(d));
  }
  for (std::string& d : Matching(root, "/dev", "ttyS")) {
    if (HasUart(root, d)) out.push_back(std::move(d));
  }
  for (std::string& d : Matching(root, "/dev/serial/by-id", "")) out.push_back(std::move(d));
  return out;
}

std::string PortDeniedAdvice(const std::string& device) {
  return "装置 " + device +
         " を使う権限がありません。\r"
         "シリアル装置は dialout グループの利用者だけが使えます。端末で次のコマンドを実行し、"
         "ログインし直してください:\r" +
         kAddToDialout;
}

}  // namespace poolside
