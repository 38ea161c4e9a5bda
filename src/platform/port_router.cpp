#include "platform/port_router.h"

#include <utility>

#include "platform/errors.h"

namespace poolside {

PortRouter::PortRouter(std::map<int, std::string> mapping, DeviceFactory factory,
                       SerialPort* scripted)
    : mapping_(std::move(mapping)), factory_(std::move(factory)), scripted_(scripted) {}

void PortRouter::SetPortNumber(int n) { portNumber_ = n; }
void PortRouter::SetSettings(const std::string& s) { settings_ = s; }
void PortRouter::SetInBufferSize(int n) { bufferSize_ = n; }
void PortRouter::SetHandshaking(FlowControl f) { flow_ = f; }

// The read length and the threshold take effect at once on an open port.
void PortRouter::SetInputLen(int n) {
  inputLen_ = n;
  if (current_) current_->SetInputLen(n);
}

void PortRouter::SetRThreshold(int n) {
  threshold_ = n;
  if (current_) current_->SetRThreshold(n);
}

SerialPort& PortRouter::Target() {
  const int n = portNumber_;
  if (n < 1) {
    throw IoError("ポート COM" + std::to_string(n) + " は使えません: ポート番号は 1 以上です");
  }
  auto mapped = mapping_.find(n);
  if (mapped == mapping_.end() && scripted_) return *scripted_;
  const std::string device = mapped != mapping_.end() ? mapped->second : DefaultDevice(n);
  if (!device_ || deviceNumber_ != n || deviceName_ != device) {
    if (current_ == device_.get()) current_ = nullptr;
    device_.reset();
    if (!factory_)
      throw IoError("ポート COM" + std::to_string(n) + " (" + device + ") は使えません");
    device_ = factory_(n, device);
    deviceNumber_ = n;
    deviceName_ = device;
  }
  return *device_;
}

void PortRouter::Open() {
  SerialPort& target = Target();
  if (current_ && current_ != &target) {
    current_->Close();
    current_->onNotify = nullptr;
    current_->onError = nullptr;
    current_->onReceived = nullptr;
  }
  current_ = &target;
  target.onNotify = [this]() {
    if (onNotify) onNotify();
  };
  target.onError = [this](const std::string& message) {
    if (onError) onError(message);
  };
  target.onReceived = [this](std::string_view bytes, std::chrono::system_clock::time_point wall,
                             std::chrono::steady_clock::time_point mono) {
    if (onReceived) onReceived(bytes, wall, mono);
  };
  target.SetPortNumber(portNumber_);
  target.SetSettings(settings_);
  target.SetInBufferSize(bufferSize_);
  target.SetInputLen(inputLen_);
  target.SetHandshaking(flow_);
  target.SetRThreshold(threshold_);
  target.Open();
}

void PortRouter::Close() {
  if (current_) current_->Close();
}

bool PortRouter::IsOpen() const { return current_ && current_->IsOpen(); }

std::string PortRouter::Read() { return current_ ? current_->Read() : std::string(); }

void PortRouter::DiscardInput() {
  if (current_) current_->DiscardInput();
}

std::string PortRouter::DeviceName() const {
  return current_ && current_ == device_.get() ? deviceName_ : std::string();
}

int PortRouter::BytesWaiting() const { return current_ ? current_->BytesWaiting() : 0; }

bool PortRouter::FramesRecords() const { return current_ && current_->FramesRecords(); }

bool PortRouter::LastReadIsNoise() const { return current_ && current_->LastReadIsNoise(); }

}  // namespace poolside
