#pragma once
// The timing window's port: routes every call to the device port of the
// configured number (--com N=DEVICE, default /dev/ttyS{N-1}) or, in a script
// run, to the scripted port when the number has no mapping.

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/serial_port.h"

namespace poolside {

class PortRouter : public SerialPort {
 public:
  using DeviceFactory =
      std::function<std::unique_ptr<SerialPort>(int portNumber, const std::string& device)>;
  // `scripted` may be null (a normal run): every number then maps to a device.
  PortRouter(std::map<int, std::string> mapping, DeviceFactory factory, SerialPort* scripted);

  // "/dev/ttyS{N-1}"; on Windows "COM{N}" (port_devices.cpp, win32/).
  static std::string DefaultDevice(int portNumber);

  void SetPortNumber(int n) override;
  void SetSettings(const std::string& s) override;
  void SetInBufferSize(int n) override;
  void SetInputLen(int n) override;
  void SetHandshaking(FlowControl f) override;
  void SetRThreshold(int n) override;
  void Open() override;
  void Close() override;
  bool IsOpen() const override;
  std::string Read() override;
  void DiscardInput() override;
  int BytesWaiting() const override;
  bool FramesRecords() const override;
  bool LastReadIsNoise() const override;
  // The device of the configured number; "" when it goes to the scripted port.
  std::string DeviceName() const override;

 private:
  SerialPort& Target();
  std::map<int, std::string> mapping_;
  DeviceFactory factory_;
  SerialPort* scripted_;
  std::unique_ptr<SerialPort> device_;
  int deviceNumber_ = 0;  // the number and device device_ was made for
  std::string deviceName_;
  SerialPort* current_ = nullptr;
  int portNumber_ = 0;
  std::string settings_;
  int bufferSize_ = 0, inputLen_ = 0, threshold_ = 0;
  FlowControl flow_ = FlowControl::None;
};

}  // namespace poolside
