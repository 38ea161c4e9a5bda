// The Qt serial port on a pseudo-terminal: opening, settings, notification
// of every waiting block, discarding, and a device that vanishes.
#include "platform/qt/qt_serial_port.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/errors.h"
#include "ports/pty.h"

namespace poolside {
namespace {

const std::string kLap = " A 31  1:02.34L\r";
const std::string kClock = " A     1:03.10 \r";

class QtSerialPortTest : public ::testing::Test {
 protected:
  void SetUp() override { App(); }
  void Configure(QtSerialPort& p) {
    p.SetSettings("9600,e,7,2");
    p.SetInBufferSize(1024);
    p.SetInputLen(16);
    p.SetHandshaking(FlowControl::XonXoff);
    p.SetRThreshold(15);
  }
  Pty pty;
};

TEST_F(QtSerialPortTest, EveryWaitingBlockIsHandled) {
  QtSerialPort port(1, pty.Device());
  Configure(port);
  std::vector<std::string> blocks;
  port.onNotify = [&]() { blocks.push_back(port.Read()); };
  port.Open();  // parity and data bits are refused by a pty: noted, not fatal
  ASSERT_TRUE(port.IsOpen());

  // Fewer than the threshold: nothing yet.
  pty.Send(kLap.substr(0, 10));
  RunFor(100);
  EXPECT_TRUE(blocks.empty());
  pty.Send(kLap.substr(10));
  ASSERT_TRUE(RunUntil([&] { return blocks.size() == 1; }));
  EXPECT_EQ(blocks[0], kLap);

  // Three records in one write give three notifications, although the
  // device signals only once.
  blocks.clear();
  pty.Send(kClock + kLap + kClock);
  ASSERT_TRUE(RunUntil([&] { return blocks.size() == 3; }));
  RunFor(50);
  EXPECT_EQ(blocks, (std::vector<std::string>{kClock, kLap, kClock}));
  EXPECT_EQ(port.BytesWaiting(), 0);
}

TEST_F(QtSerialPortTest, ReadsAtMostTheReadLengthAndKeepsBytesIntact) {
  QtSerialPort port(2, pty.Device());
  Configure(port);
  port.SetInputLen(4);
  port.SetRThreshold(0);  // no notifications at all
  int notified = 0;
  port.onNotify = [&]() { ++notified; };
  port.Open();
  std::string bytes = "\x80\xff\x01\x7f" + kLap;
  pty.Send(bytes);
  ASSERT_TRUE(RunUntil([&] { return port.BytesWaiting() == static_cast<int>(bytes.size()); }));
  EXPECT_EQ(notified, 0);
  EXPECT_EQ(port.Read(), std::string("\x80\xff\x01\x7f"));
  port.DiscardInput();
  EXPECT_EQ(port.BytesWaiting(), 0);
  EXPECT_EQ(port.Read(), "");
}

TEST_F(QtSerialPortTest, HandlerIsNeverReenteredFromANestedEventLoop) {
  QtSerialPort port(1, pty.Device());
  Configure(port);
  int depth = 0, deepest = 0;
  std::vector<std::string> blocks;
  port.onNotify = [&]() {
    ++depth;
    deepest = std::max(deepest, depth);
    blocks.push_back(port.Read());
    if (blocks.size() == 1) {
      // As a modal message box would: more data arrives meanwhile.
      pty.Send(kClock + kClock);
      RunFor(100);
    }
    --depth;
  };
  port.Open();
  pty.Send(kLap);
  ASSERT_TRUE(RunUntil([&] { return blocks.size() == 3; }));
  EXPECT_EQ(deepest, 1);
  EXPECT_EQ(blocks, (std::vector<std::string>{kLap, kClock, kClock}));
}

TEST_F(QtSerialPortTest, HandlerMayCloseAndReopenThePort) {
  QtSerialPort port(1, pty.Device());
  Configure(port);
  std::vector<std::string> blocks;
  port.onNotify = [&]() {
    std::string b = port.Read();
    blocks.push_back(b);
    if (b[1] != 'A') {  // resynchronise as the reception does
      port.Close();
      port.SetInputLen(16);
      port.DiscardInput();
      port.Open();
    }
  };
  port.Open();
  pty.Send("xxxxxxxxxxxxxxxx");
  ASSERT_TRUE(RunUntil([&] { return blocks.size() == 1; }));
  ASSERT_TRUE(port.IsOpen());
  pty.Send(kLap);
  ASSERT_TRUE(RunUntil([&] { return blocks.size() == 2; }));
  EXPECT_EQ(blocks[1], kLap);
}

TEST_F(QtSerialPortTest, FailuresNameThePortAndDeviceAndLeaveItClosed) {
  QtSerialPort missing(3, "/nonexistent/ttyS9");
  Configure(missing);
  try {
    missing.Open();
    FAIL() << "a missing device opened";
  } catch (const IoError& e) {
    std::string m = e.what();
    EXPECT_NE(m.find("COM3"), std::string::npos) << m;
    EXPECT_NE(m.find("/nonexistent/ttyS9"), std::string::npos) << m;
  }
  EXPECT_FALSE(missing.IsOpen());

  // Not a terminal at all.
  QtSerialPort notTty(1, "/dev/null");
  Configure(notTty);
  EXPECT_THROW(notTty.Open(), IoError);
  EXPECT_FALSE(notTty.IsOpen());

  QtSerialPort badSettings(1, pty.Device());
  Configure(badSettings);
  for (const char* text :
       {"9600,e,7", "fast,e,7,2", "9600,x,7,2", "9600,e,9,2", "9600,e,7,3", ""}) {
    badSettings.SetSettings(text);
    try {
      badSettings.Open();
      ADD_FAILURE() << "settings \"" << text << "\" accepted";
    } catch (const IoError& e) {
      EXPECT_NE(std::string(e.what()).find("COM1"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(badSettings.IsOpen()) << text;
  }
}

TEST_F(QtSerialPortTest, VanishedDeviceClosesThePortAndReports) {
  QtSerialPort port(1, pty.Device());
  Configure(port);
  std::vector<std::string> errors;
  port.onNotify = [&]() { port.Read(); };
  port.onError = [&](const std::string& m) { errors.push_back(m); };
  port.Open();
  pty.CloseMaster();
  ASSERT_TRUE(RunUntil([&] { return !errors.empty(); }));
  RunFor(100);
  EXPECT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("COM1"), std::string::npos) << errors[0];
  EXPECT_NE(errors[0].find(pty.Device()), std::string::npos) << errors[0];
  EXPECT_FALSE(port.IsOpen());
}

TEST(LineSettingsTest, ParsesTheSettingsText) {
  LineSettings s = ParseLineSettings("9600,e,7,2", "COM1");
  EXPECT_EQ(s.baud, 9600);
  EXPECT_EQ(s.parity, 'e');
  EXPECT_EQ(s.dataBits, 7);
  EXPECT_EQ(s.stopBits, 2);
  s = ParseLineSettings(" 19200 , N , 8 , 1.5 ", "COM1");
  EXPECT_EQ(s.baud, 19200);
  EXPECT_EQ(s.parity, 'n');
  EXPECT_EQ(s.stopBits, 1.5);
  EXPECT_THROW(ParseLineSettings("0,e,7,2", "COM1"), IoError);
  EXPECT_THROW(ParseLineSettings("9600,e,7,2,1", "COM1"), IoError);
  EXPECT_THROW(ParseLineSettings("99999999999,e,7,2", "COM1"), IoError);
}

TEST(LineSettingsTest, RecognisesPseudoTerminals) {
  Pty pty;
  EXPECT_TRUE(IsPseudoTerminal(pty.Device()));
  EXPECT_FALSE(IsPseudoTerminal("/dev/null"));
  EXPECT_FALSE(IsPseudoTerminal("/nonexistent"));
}

}  // namespace
}  // namespace poolside
