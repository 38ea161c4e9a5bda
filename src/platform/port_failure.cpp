#include "platform/port_failure.h"

#include <sys/stat.h>

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

std::string DeviceList(const std::vector<std::string>& present) {
  if (present.empty()) return "いまあるシリアル装置: ありません";
  std::string list = "いまあるシリアル装置:";
  for (const std::string& d : present) list += " " + d;
  return list;
}

}  // namespace

PortFault ClassifyPortFault(const std::string& device, bool permissionDenied) {
  if (permissionDenied) return PortFault::PermissionDenied;
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

std::string PortFaultAdvice(PortFault fault, const std::string& device, const std::string& osText,
                            const std::vector<std::string>& present) {
  switch (fault) {
    case PortFault::PermissionDenied:
      return "装置 " + device +
             " を使う権限がありません。\r"
             "シリアル装置は dialout グループの利用者だけが使えます。端末で次のコマンドを実行し、"
             "ログインし直してください:\r" +
             kAddToDialout;
    case PortFault::Missing:
      return "装置 " + device +
             " が見つかりません。\r"
             "ケーブルと USB 変換器がつながっているか確認してください。\r" +
             DeviceList(present) + "\r(ポート番号と装置の対応は --com N=装置 で指定します)";
    case PortFault::Other:
      break;
  }
  return "装置 " + device + " でエラーが起きました (" + osText +
         ")。\rケーブルと変換器を確認し、ほかのプログラムが使っていないか確かめてください。";
}

std::string PortOpenFailureText(const std::string& name, const std::string& device,
                                bool permissionDenied, const std::string& osText) {
  const PortFault fault = ClassifyPortFault(device, permissionDenied);
  return "ポート " + name + " を開けません: " +
         PortFaultAdvice(
             fault, device, osText,
             fault == PortFault::Missing ? SerialDevicesPresent() : std::vector<std::string>{});
}

std::string PortLostText(const std::string& name, const std::string& device,
                         const std::string& osText) {
  const PortFault fault = ClassifyPortFault(device, false);
  return "ポート " + name + " が使えなくなりました: " +
         PortFaultAdvice(
             fault, device, osText,
             fault == PortFault::Missing ? SerialDevicesPresent() : std::vector<std::string>{});
}

}  // namespace poolside
