// The port router: which port a number reaches, and what reaches the port.
#include "platform/port_router.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/errors.h"

namespace poolside {
namespace {

// A port that records what reaches it.
class FakeSerialPort : public SerialPort {
 public:
  void SetPortNumber(int n) override { portNumber = n; }
  void SetSettings(const std::string& s) override { settings = s; }
  void SetInBufferSize(int n) override { inBufferSize = n; }
  void SetInputLen(int n) override { inputLen = n; }
  void SetHandshaking(FlowControl f) override { flow = f; }
  void SetRThreshold(int n) override { threshold = n; }
  void Open() override {
    if (failOpen) throw IoError("COM" + std::to_string(portNumber) + ": cannot open (test)");
    open = true;
    ++opens;
  }
  void Close() override {
    if (open) ++closes;
    open = false;
  }
  bool IsOpen() const override { return open; }
  std::string Read() override {
    std::string block = buffer.substr(0, inputLen > 0 ? inputLen : buffer.size());
    buffer.erase(0, block.size());
    return block;
  }
  void DiscardInput() override { buffer.clear(); }
  int BytesWaiting() const override { return static_cast<int>(buffer.size()); }
  void Feed(const std::string& bytes) { buffer += bytes; }

  int portNumber = 0;
  std::string settings;
  int inBufferSize = 0, inputLen = 0, threshold = 0;
  FlowControl flow = FlowControl::None;
  bool open = false, failOpen = false;
  int opens = 0, closes = 0;
  std::string buffer;
};

struct Made {
  int number;
  std::string device;
  FakeSerialPort* port;
};

class PortRouterTest : public ::testing::Test {
 protected:
  PortRouter::DeviceFactory Factory() {
    return [this](int n, const std::string& device) {
      auto port = std::make_unique<FakeSerialPort>();
      made.push_back({n, device, port.get()});
      if (failNext) port->failOpen = true;
      return port;
    };
  }
  void Configure(PortRouter& r, int n) {
    r.SetPortNumber(n);
    r.SetSettings("9600,e,7,2");
    r.SetInBufferSize(1024);
    r.SetInputLen(16);
    r.SetHandshaking(FlowControl::XonXoff);
    r.SetRThreshold(15);
  }
  std::vector<Made> made;
  bool failNext = false;
};

TEST_F(PortRouterTest, NumbersReachMappedOrDefaultDevices) {
  EXPECT_EQ(PortRouter::DefaultDevice(1), "/dev/ttyS0");
  EXPECT_EQ(PortRouter::DefaultDevice(4), "/dev/ttyS3");

  PortRouter r({{1, "/dev/pts/7"}}, Factory(), nullptr);
  Configure(r, 1);
  EXPECT_EQ(r.DeviceName(), "");  // nothing opened yet
  r.Open();
  ASSERT_EQ(made.size(), 1u);
  EXPECT_EQ(made[0].device, "/dev/pts/7");
  EXPECT_EQ(r.DeviceName(), "/dev/pts/7");
  EXPECT_TRUE(r.IsOpen());

  // Another number without a mapping goes to its default device; the old
  // port is closed first.
  Configure(r, 3);
  r.Open();
  ASSERT_EQ(made.size(), 2u);
  EXPECT_EQ(made[1].number, 3);
  EXPECT_EQ(made[1].device, "/dev/ttyS2");
  EXPECT_EQ(r.DeviceName(), "/dev/ttyS2");
  EXPECT_TRUE(r.IsOpen());

  // A number without a mapping in a script run reaches the scripted port,
  // which has no device.
  FakeSerialPort scripted;
  PortRouter s({{1, "/dev/pts/7"}}, Factory(), &scripted);
  Configure(s, 2);
  s.Open();
  EXPECT_TRUE(scripted.open);
  EXPECT_EQ(s.DeviceName(), "");
}

TEST_F(PortRouterTest, ReopeningTheSameNumberKeepsItsDevice) {
  PortRouter r({}, Factory(), nullptr);
  Configure(r, 2);
  r.Open();
  r.Close();
  r.DiscardInput();
  r.Open();
  ASSERT_EQ(made.size(), 1u);
  EXPECT_EQ(made[0].port->opens, 2);
  EXPECT_EQ(made[0].port->closes, 1);
}

TEST_F(PortRouterTest, SettingsAreAppliedToTheTargetAtOpen) {
  PortRouter r({}, Factory(), nullptr);
  Configure(r, 1);
  EXPECT_TRUE(made.empty());  // nothing is opened before Open
  r.Open();
  FakeSerialPort& p = *made[0].port;
  EXPECT_EQ(p.portNumber, 1);
  EXPECT_EQ(p.settings, "9600,e,7,2");
  EXPECT_EQ(p.inBufferSize, 1024);
  EXPECT_EQ(p.inputLen, 16);
  EXPECT_EQ(p.flow, FlowControl::XonXoff);
  EXPECT_EQ(p.threshold, 15);
  // The read length and threshold also change at once on an open port.
  r.SetInputLen(8);
  r.SetRThreshold(1);
  EXPECT_EQ(p.inputLen, 8);
  EXPECT_EQ(p.threshold, 1);
}

TEST_F(PortRouterTest, ReadsAndNotificationsPassThrough) {
  PortRouter r({}, Factory(), nullptr);
  int notified = 0;
  std::vector<std::string> errors;
  r.onNotify = [&]() { ++notified; };
  r.onError = [&](const std::string& m) { errors.push_back(m); };
  EXPECT_EQ(r.Read(), "");  // never opened: nothing to read, no crash
  EXPECT_EQ(r.BytesWaiting(), 0);
  EXPECT_FALSE(r.IsOpen());
  Configure(r, 1);
  r.Open();
  FakeSerialPort& p = *made[0].port;
  p.Feed(" A 31  1:02.34L\r rest");
  EXPECT_EQ(r.BytesWaiting(), 21);
  EXPECT_EQ(r.Read(), " A 31  1:02.34L\r");
  r.DiscardInput();
  EXPECT_EQ(r.BytesWaiting(), 0);
  ASSERT_TRUE(p.onNotify);
  p.onNotify();
  EXPECT_EQ(notified, 1);
  p.onError("COM1 gone");
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], "COM1 gone");
}

TEST_F(PortRouterTest, ScriptRunsUseTheScriptedPortForUnmappedNumbers) {
  FakeSerialPort scripted;
  PortRouter r({{2, "/dev/pts/3"}}, Factory(), &scripted);
  Configure(r, 1);
  r.Open();
  EXPECT_TRUE(made.empty());
  EXPECT_TRUE(scripted.open);
  EXPECT_EQ(scripted.settings, "9600,e,7,2");
  int notified = 0;
  r.onNotify = [&]() { ++notified; };
  scripted.onNotify();
  EXPECT_EQ(notified, 1);

  // A mapped number still reaches its device, and the scripted port is
  // closed when the router moves away from it.
  Configure(r, 2);
  r.Open();
  ASSERT_EQ(made.size(), 1u);
  EXPECT_EQ(made[0].device, "/dev/pts/3");
  EXPECT_FALSE(scripted.open);
}

TEST_F(PortRouterTest, InvalidNumbersAndFailedOpensLeaveThePortClosed) {
  PortRouter r({}, Factory(), nullptr);
  Configure(r, 0);
  try {
    r.Open();
    FAIL() << "port 0 opened";
  } catch (const IoError& e) {
    EXPECT_NE(std::string(e.what()).find("COM0"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(made.empty());
  Configure(r, -5);
  EXPECT_THROW(r.Open(), IoError);

  failNext = true;
  Configure(r, 4);
  EXPECT_THROW(r.Open(), IoError);
  EXPECT_FALSE(r.IsOpen());
  EXPECT_EQ(r.Read(), "");

  PortRouter noFactory({}, nullptr, nullptr);
  Configure(noFactory, 1);
  EXPECT_THROW(noFactory.Open(), IoError);
}

}  // namespace
}  // namespace poolside
