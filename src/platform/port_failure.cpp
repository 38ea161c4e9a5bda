#include "platform/port_failure.h"

#include <fstream>

namespace poolside {

namespace {

std::string DeviceList(const std::vector<std::string>& present) {
  if (present.empty()) return "いまあるシリアル装置: ありません";
  std::string list = "いまあるシリアル装置:";
  for (const std::string& d : present) list += " " + d;
  return list;
}

}  // namespace

std::string PortHolderIn(const std::vector<std::string>& lockDirs, const std::string& device) {
  // The lock file of "/dev/ttyUSB0" is "LCK..ttyUSB0", of "/dev/pts/3"
  // "LCK..pts_3": its lines are the holder's process id, program and host.
  std::string name = device.rfind("/dev/", 0) == 0 ? device.substr(5) : device;
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  for (const std::string& dir : lockDirs) {
    std::ifstream lock(dir + "/LCK.." + name, std::ios::binary);
    std::string pid, program;
    if (!lock || !std::getline(lock, pid)) continue;
    std::getline(lock, program);
    const auto digits = pid.find_first_not_of(" \t");
    pid = digits == std::string::npos ? "" : pid.substr(digits);
    if (pid.empty() || pid.size() > 12 ||
        pid.find_first_not_of("0123456789") != std::string::npos) {
      continue;  // not a lock this knows
    }
    if (program.size() > 64) program.resize(64);
    return (program.empty() ? std::string("プログラム") : program) + ", プロセス " + pid;
  }
  return "";
}

std::string PortFaultAdvice(PortFault fault, const std::string& device, const std::string& osText,
                            const std::vector<std::string>& present) {
  switch (fault) {
    case PortFault::PermissionDenied:
      return PortDeniedAdvice(device);
    case PortFault::InUse: {
      const std::string holder = PortHolder(device);
      return "装置 " + device + " はほかのプログラム" +
             (holder.empty() ? "" : " (" + holder + ")") +
             " が使っています。\r"
             "そのプログラムを終えるか、ポートを閉じてから、もう一度受信してください。";
    }
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
