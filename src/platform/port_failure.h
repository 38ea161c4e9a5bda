#pragma once
// What the operator reads when a serial device cannot be opened or fails
// while open: the cause in Japanese and what to do about it, with the port
// and the device named. Lines are separated by a carriage return, as in
// every message of the windows.

#include <string>
#include <vector>

namespace poolside {

enum class PortFault {
  PermissionDenied,  // the user may not open the device (not in dialout)
  Missing,           // the device does not exist (cable, adapter, wrong name)
  InUse,             // another program holds the device (its lock, or exclusive use)
  Other,
};

// The cause of a failure on `device`: in use when the port layer saw a
// permission error but another program holds the device's lock or the user
// may open it; denied when it saw one otherwise; missing when the device
// does not exist (now); else other.
// Defined with the system's devices (port_devices.cpp, win32/).
PortFault ClassifyPortFault(const std::string& device, bool permissionDenied);

// The serial devices present under `root` ("" = this machine), in this
// order: /dev/ttyUSB*, /dev/ttyACM*, /dev/ttyS* (those with a UART behind
// them), /dev/serial/by-id/*; each group sorted. Names without the root.
// On Windows the COM ports the system knows, by number (`root` unused).
std::vector<std::string> SerialDevicesPresent(const std::string& root = "");

// Why the system refuses `device` to this user and what to do, in this
// system's terms (the dialout group; on Windows, another program holding
// the port).
std::string PortDeniedAdvice(const std::string& device);

// The program that holds `device`, as its lock file says ("poolside,
// プロセス 4242"); "" when no lock file names one. PortHolderIn looks in
// `lockDirs`, PortHolder where the serial port layer puts its locks.
std::string PortHolder(const std::string& device);
std::string PortHolderIn(const std::vector<std::string>& lockDirs, const std::string& device);

// The cause and the remedy, one or more lines. `osText` is the operating
// system's own words, kept for a cause this does not know.
std::string PortFaultAdvice(PortFault fault, const std::string& device, const std::string& osText,
                            const std::vector<std::string>& present);

// "ポート NAME を開けません: " and the advice for the device as it is now.
// NAME names the port and the device ("COM1 (/dev/ttyUSB0)").
std::string PortOpenFailureText(const std::string& name, const std::string& device,
                                bool permissionDenied, const std::string& osText);
// "ポート NAME が使えなくなりました: " and the advice.
std::string PortLostText(const std::string& name, const std::string& device,
                         const std::string& osText);

}  // namespace poolside
