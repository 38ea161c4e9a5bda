// The serial devices of Windows: the COM ports the system names
// (QueryDosDeviceW); a port that another program holds is refused.
#include "platform/port_failure.h"
#include "platform/port_router.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>

#include "platform/win32/utf16.h"

namespace poolside {

namespace {

// The number of "COMn" (also as "\\.\COMn"), or 0.
int ComNumber(std::wstring_view name) {
  if (name.rfind(L"\\\\.\\", 0) == 0) name.remove_prefix(4);
  if (name.size() < 4 || std::towupper(name[0]) != L'C' || std::towupper(name[1]) != L'O' ||
      std::towupper(name[2]) != L'M') {
    return 0;
  }
  int n = 0;
  for (std::size_t i = 3; i < name.size(); ++i) {
    if (name[i] < L'0' || name[i] > L'9' || n > 100000) return 0;
    n = n * 10 + (name[i] - L'0');
  }
  return n;
}

}  // namespace

std::string PortRouter::DefaultDevice(int portNumber) { return "COM" + std::to_string(portNumber); }

PortFault ClassifyPortFault(const std::string& device, bool permissionDenied) {
  if (permissionDenied) return PortFault::PermissionDenied;
  if (device.empty()) return PortFault::Other;
  std::wstring name = win32::Wide(device);
  if (name.rfind(L"\\\\.\\", 0) == 0) name.erase(0, 4);
  wchar_t target[1024];
  if (ComNumber(name) > 0) {
    return QueryDosDeviceW(name.c_str(), target, 1024) != 0 ? PortFault::Other : PortFault::Missing;
  }
  return GetFileAttributesW(name.c_str()) == INVALID_FILE_ATTRIBUTES ? PortFault::Missing
                                                                     : PortFault::Other;
}

std::vector<std::string> SerialDevicesPresent(const std::string&) {
  std::vector<wchar_t> names(65536);
  DWORD n = 0;
  for (int attempt = 0; attempt < 4; ++attempt) {
    n = QueryDosDeviceW(nullptr, names.data(), static_cast<DWORD>(names.size()));
    if (n != 0 || GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
    names.resize(names.size() * 4);
  }
  std::vector<std::pair<int, std::string>> ports;
  for (const wchar_t* p = names.data(); n != 0 && *p != L'\0'; p += std::wcslen(p) + 1) {
    if (const int number = ComNumber(p); number > 0) ports.emplace_back(number, win32::Utf8(p));
  }
  std::sort(ports.begin(), ports.end());
  std::vector<std::string> out;
  for (auto& port : ports) out.push_back(std::move(port.second));
  return out;
}

// Windows keeps no lock files: a port another program holds is refused with
// a sharing violation, which PortDeniedAdvice tells.
std::string PortHolder(const std::string&) { return ""; }

std::string PortDeniedAdvice(const std::string& device) {
  return "装置 " + device +
         " は使用中です。\r"
         "ほかのプログラム (通信ソフトや、もう一つの Poolside) がこのポートを開いていないか確かめ、"
         "閉じてからもう一度受信してください。";
}

}  // namespace poolside
