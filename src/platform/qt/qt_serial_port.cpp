#include "platform/qt/qt_serial_port.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <QMetaObject>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <utility>
#include <vector>

#include "platform/errors.h"
#include "platform/port_failure.h"
#include "platform/record_framing.h"

namespace poolside {

namespace {

std::vector<std::string> SplitCommas(const std::string& text) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, ',')) {
    while (!part.empty() && part.front() == ' ') part.erase(part.begin());
    while (!part.empty() && part.back() == ' ') part.pop_back();
    parts.push_back(part);
  }
  return parts;
}

bool ParseWhole(const std::string& text, int& value) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  value = std::atoi(text.c_str());
  return true;
}

}  // namespace

LineSettings ParseLineSettings(const std::string& text, const std::string& where) {
  auto bad = [&]() {
    return IoError(where + ": 通信設定 \"" + text + "\" が正しくありません (例: 9600,e,7,2)");
  };
  std::vector<std::string> parts = SplitCommas(text);
  if (parts.size() != 4) throw bad();
  LineSettings s;
  if (!ParseWhole(parts[0], s.baud) || s.baud <= 0) throw bad();
  if (parts[1].size() != 1) throw bad();
  s.parity = static_cast<char>(std::tolower(static_cast<unsigned char>(parts[1][0])));
  if (std::string("neoms").find(s.parity) == std::string::npos) throw bad();
  if (!ParseWhole(parts[2], s.dataBits) || s.dataBits < 5 || s.dataBits > 8) throw bad();
  if (parts[3] == "1") {
    s.stopBits = 1;
  } else if (parts[3] == "1.5") {
    s.stopBits = 1.5;
  } else if (parts[3] == "2") {
    s.stopBits = 2;
  } else {
    throw bad();
  }
  return s;
}

bool IsPseudoTerminal(const std::string& device) {
  struct stat st {};
  if (stat(device.c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) return false;
  // Unix98 pseudo-terminal slaves have the major numbers 136 to 143.
  unsigned int m = major(st.st_rdev);
  return m >= 136 && m <= 143;
}

QtSerialPort::QtSerialPort(int portNumber, std::string device)
    : portNumber_(portNumber), device_(std::move(device)) {
  QObject::connect(&port_, &QSerialPort::readyRead, &port_, [this]() {
    NoteArrival();
    SchedulePump();
  });
  quietTimer_.setSingleShot(true);
  QObject::connect(&quietTimer_, &QTimer::timeout, &port_, [this]() { SchedulePump(); });
  QObject::connect(&port_, &QSerialPort::errorOccurred, &port_,
                   [this](QSerialPort::SerialPortError e) { OnError(e); });
}

QtSerialPort::~QtSerialPort() {
  // No callbacks from a port that is going away.
  onNotify = nullptr;
  onError = nullptr;
  onReceived = nullptr;
  quietTimer_.stop();
  port_.disconnect();
  if (port_.isOpen()) port_.close();
}

std::string QtSerialPort::Name() const {
  return "COM" + std::to_string(portNumber_) + " (" + device_ + ")";
}

void QtSerialPort::SetInBufferSize(int chars) {
  bufferSize_ = chars;
  port_.setReadBufferSize(chars > 0 ? chars : 0);
}

void QtSerialPort::SetRThreshold(int chars) {
  threshold_ = chars;
  if (port_.isOpen()) SchedulePump();
}

void QtSerialPort::Open() {
  if (port_.isOpen()) port_.close();
  ++generation_;
  ++taken_;
  seen_ = 0;
  pieces_.clear();
  lastNoise_ = false;
  lineEndsRecords_ = false;
  // Bad settings fail before the device is touched.
  (void)ParseLineSettings(settings_, Name());
  port_.setPortName(QString::fromStdString(device_));
  port_.setReadBufferSize(bufferSize_ > 0 ? bufferSize_ : 0);
  if (!port_.open(QIODevice::ReadOnly)) {
    std::string cause = port_.errorString().toStdString();
    const QSerialPort::SerialPortError error = port_.error();
    port_.clearError();
    throw IoError(
        PortOpenFailureText(Name(), device_, error == QSerialPort::PermissionError, cause));
  }
  try {
    ApplySettings();
  } catch (...) {
    port_.close();
    throw;
  }
  port_.clearError();
  SchedulePump();
}

void QtSerialPort::ApplySettings() {
  LineSettings s = ParseLineSettings(settings_, Name());
  const bool pty = IsPseudoTerminal(device_);
  auto check = [&](bool ok, const std::string& what, bool ptyMayRefuse) {
    if (ok) return;
    std::string cause = port_.errorString().toStdString();
    port_.clearError();
    if (pty && ptyMayRefuse) {
      std::cerr << "poolside: " << Name() << ": " << what
                << " は擬似端末では設定できません (そのまま続けます)\n";
      return;
    }
    throw IoError("ポート " + Name() + " に " + what + " を設定できません: " + cause);
  };

  check(port_.setBaudRate(s.baud), "通信速度 " + std::to_string(s.baud), false);
  QSerialPort::Parity parity = QSerialPort::NoParity;
  switch (s.parity) {
    case 'e':
      parity = QSerialPort::EvenParity;
      break;
    case 'o':
      parity = QSerialPort::OddParity;
      break;
    case 'm':
      parity = QSerialPort::MarkParity;
      break;
    case 's':
      parity = QSerialPort::SpaceParity;
      break;
    default:
      break;
  }
  check(port_.setParity(parity), std::string("パリティ ") + s.parity, true);
  check(port_.setDataBits(static_cast<QSerialPort::DataBits>(s.dataBits)),
        "データビット " + std::to_string(s.dataBits), true);
  QSerialPort::StopBits stop = s.stopBits == 2     ? QSerialPort::TwoStop
                               : s.stopBits == 1.5 ? QSerialPort::OneAndHalfStop
                                                   : QSerialPort::OneStop;
  check(port_.setStopBits(stop), "ストップビット", false);
  check(port_.setFlowControl(flow_ == FlowControl::XonXoff ? QSerialPort::SoftwareControl
                                                           : QSerialPort::NoFlowControl),
        "フロー制御", false);
}

void QtSerialPort::Close() {
  ReportPieces();  // what arrived is reported even if it is never read
  quietTimer_.stop();
  seen_ = 0;
  framed_.reset();
  if (port_.isOpen()) port_.close();
}

std::string QtSerialPort::Waiting() const {
  const QByteArray bytes = const_cast<QSerialPort&>(port_).peek(port_.bytesAvailable());
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

FrameCut QtSerialPort::FrameWaiting() {
  const QByteArray bytes = port_.peek(port_.bytesAvailable());
  return NextFrame(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                   Quiet());
}

bool QtSerialPort::Quiet() const {
  if (lineEndsRecords_) return false;
  return std::chrono::steady_clock::now() - lastArrival_ >= std::chrono::milliseconds(kQuietMs);
}

void QtSerialPort::NoteArrival() {
  const qint64 available = port_.bytesAvailable();
  if (available <= seen_) {
    seen_ = available;
    return;
  }
  const QByteArray bytes = port_.peek(available);
  Piece piece;
  piece.bytes.assign(bytes.constData() + seen_, static_cast<size_t>(bytes.size() - seen_));
  piece.wall = std::chrono::system_clock::now();
  piece.mono = std::chrono::steady_clock::now();
  lastArrival_ = piece.mono;
  seen_ = available;
  pieces_.push_back(std::move(piece));
}

void QtSerialPort::ReportPieces() {
  while (!pieces_.empty()) {
    Piece piece = std::move(pieces_.front());
    pieces_.pop_front();
    if (onReceived) onReceived(piece.bytes, piece.wall, piece.mono);
  }
}

std::string QtSerialPort::Read() {
  lastNoise_ = false;
  if (!port_.isOpen()) return {};
  ReportPieces();
  FrameCut cut;
  if (framed_) {
    cut = *framed_;
    framed_.reset();
  } else {
    cut = FrameWaiting();
  }
  // Without a whole block (a read on another port event), the waiting
  // characters as the reading rule takes them.
  qint64 most = inputLen_ > 0 ? inputLen_ : port_.bytesAvailable();
  if (cut.length > 0) most = static_cast<qint64>(cut.length);
  QByteArray bytes = port_.read(most);
  seen_ = std::max<qint64>(0, seen_ - bytes.size());
  lastNoise_ = cut.length > 0 && cut.noise;
  if (!lastNoise_ && bytes.size() == static_cast<qint64>(kRecordBytes) && bytes.endsWith('\r')) {
    lineEndsRecords_ = true;
  }
  ++taken_;
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

void QtSerialPort::DiscardInput() {
  if (!port_.isOpen()) return;
  ReportPieces();
  framed_.reset();
  // Drops both Qt's buffer and what the operating system holds.
  port_.clear(QSerialPort::Input);
  port_.readAll();
  seen_ = 0;
  ++taken_;
}

int QtSerialPort::BytesWaiting() const {
  if (!port_.isOpen()) return 0;
  return static_cast<int>(port_.bytesAvailable());
}

// Notifications run from the event loop, not from inside QSerialPort's own
// signal, so a handler may close and reopen the port safely.
void QtSerialPort::SchedulePump() {
  if (pumpQueued_) return;
  pumpQueued_ = true;
  QMetaObject::invokeMethod(
      &port_,
      [this]() {
        pumpQueued_ = false;
        Pump();
      },
      Qt::QueuedConnection);
}

void QtSerialPort::Pump() {
  // A handler that runs a nested event loop must not be entered again; the
  // loop below picks up whatever arrived meanwhile once it returns.
  if (inNotify_) return;
  inNotify_ = true;
  // Reset even when a handler throws, or the port would never notify again.
  struct Reset {
    bool& flag;
    std::optional<FrameCut>& framed;
    ~Reset() {
      flag = false;
      framed.reset();
    }
  } reset{inNotify_, framed_};
  while (onNotify && threshold_ > 0 && port_.isOpen()) {
    ReportPieces();
    const FrameCut cut = FrameWaiting();
    if (cut.length == 0) {
      if (!lineEndsRecords_ && WaitsForQuiet(Waiting())) {
        const auto since = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - lastArrival_);
        quietTimer_.start(static_cast<int>(std::max<long long>(1, kQuietMs - since.count())));
      }
      break;
    }
    const long takenBefore = taken_;
    framed_ = cut;
    onNotify();
    framed_.reset();
    // A handler that takes nothing would make this loop spin for ever; the
    // next readyRead tries again.
    if (taken_ == takenBefore) break;
  }
}

void QtSerialPort::OnError(QSerialPort::SerialPortError error) {
  // A vanished device shows as a resource error, or as a read error when the
  // read returns nothing (a pseudo-terminal whose other side has gone).
  if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError) return;
  if (errorQueued_ || !port_.isOpen()) return;
  errorQueued_ = true;
  std::string cause = port_.errorString().toStdString();
  // Closed from the event loop, not from inside QSerialPort's own signal.
  QMetaObject::invokeMethod(
      &port_,
      [this, cause, generation = generation_]() {
        errorQueued_ = false;
        if (generation != generation_) return;  // reopened meanwhile
        port_.clearError();
        if (port_.isOpen()) port_.close();
        if (onError) onError(PortLostText(Name(), device_, cause));
      },
      Qt::QueuedConnection);
}

}  // namespace poolside
