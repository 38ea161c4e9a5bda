#include "platform/port_failure.h"

namespace poolside {

namespace {

std::string DeviceList(const std::vector<std::string>& present) {
  if (present.empty()) return "いまあるシリアル装置: ありません";
  std::string list = "いまあるシリアル装置:";
  for (const std::string& d : present) list += " " + d;
  return list;
}

}  // namespace

std::string PortFaultAdvice(PortFault fault, const std::string& device, const std::string& osText,
                            const std::vector<std::string>& present) {
  switch (fault) {
    case PortFault::PermissionDenied:
      return PortDeniedAdvice(device);
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
