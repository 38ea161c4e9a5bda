// One test body for every port implementation: the test fake, the scripted
// port of a script run, and a real pseudo-terminal through the Qt port; the
// clauses that hold for a port whose line is a capture file (the replay
// port) run against it too.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "capture/capture_journal.h"
#include "capture/replay_port.h"
#include "platform/qt/qt_serial_port.h"
#include "platform/scripted_port.h"
#include "ports/pty.h"
#include "reception/console_line.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace poolside {
namespace {

// A port and the line in front of it.
class PortUnderTest {
 public:
  virtual ~PortUnderTest() = default;
  virtual SerialPort& Port() = 0;
  // Bytes arriving on the line; returns once every notification they cause
  // has run.
  virtual void Arrive(const std::string& bytes) = 0;
  // The records the line brings once the port is open, each as one piece
  // (a replay port finds them in its capture when it opens): Expect before
  // Open, Bring after it; Bring returns once every notification they cause
  // has run.
  virtual void Expect(const std::vector<std::string>& records) { expected_ = records; }
  virtual void Bring() {
    for (const std::string& record : expected_) Arrive(record);
  }

 private:
  std::vector<std::string> expected_;
};

class FakeUnderTest : public PortUnderTest {
 public:
  SerialPort& Port() override { return port_; }
  void Arrive(const std::string& bytes) override { port_.Arrive(bytes); }

 private:
  testing::FakeSerialPort port_;
};

class ScriptedUnderTest : public PortUnderTest {
 public:
  SerialPort& Port() override { return port_; }
  void Arrive(const std::string& bytes) override { port_.Stream(bytes); }

 private:
  ScriptedPort port_;
};

class PtyUnderTest : public PortUnderTest {
 public:
  PtyUnderTest() : port_(1, (App(), pty_.Device())) {}
  SerialPort& Port() override { return port_; }
  void Arrive(const std::string& bytes) override {
    const int before = port_.BytesWaiting();
    pty_.Send(bytes);
    // Until the bytes are in (or were read by a handler) and the event loop
    // is quiet.
    RunUntil([&] { return port_.BytesWaiting() != before; }, 500);
    RunFor(100);
  }

 private:
  Pty pty_;
  QtSerialPort port_;
};

// The replay port at speed 0: its line is a capture file of blocks, each
// played as one read once the one before it was read.
class ReplayUnderTest : public PortUnderTest {
 public:
  ReplayUnderTest() : port_(1, dir_.File("line.cap"), 0, host_, IsNoiseRecord) {}
  SerialPort& Port() override { return port_; }
  void Arrive(const std::string&) override {
    ADD_FAILURE() << "a capture brings only the blocks it holds";
  }
  void Expect(const std::vector<std::string>& records) override {
    CaptureJournal journal({"test", {}});
    ASSERT_TRUE(journal.Open(dir_.Path()));
    for (const std::string& record : records) {
      journal.OnRaceEvent(
          BlockRead{record, std::chrono::system_clock::now(), std::chrono::steady_clock::now()});
    }
    std::filesystem::rename(journal.Path(), dir_.File("line.cap"));
  }
  void Bring() override {
    for (int i = 0; i < 100 && !host_.posted.empty(); ++i) host_.RunPosted();
  }

 private:
  testing::TempDir dir_;
  testing::FakeHost host_;
  ReplayPort port_;
};

using Maker = std::function<std::unique_ptr<PortUnderTest>()>;

class PortContract : public ::testing::TestWithParam<Maker> {
 protected:
  void SetUp() override {
    rig_ = GetParam()();
    SerialPort& p = Port();
    p.SetPortNumber(1);
    p.SetSettings("9600,e,7,2");
    p.SetInBufferSize(1024);
    p.SetInputLen(16);
    p.SetHandshaking(FlowControl::XonXoff);
    p.SetRThreshold(15);
    p.onNotify = [this] {
      ++notifications;
      if (readOnNotify) reads.push_back(Port().Read());
    };
  }
  SerialPort& Port() { return rig_->Port(); }
  void Arrive(const std::string& bytes) { rig_->Arrive(bytes); }

  std::unique_ptr<PortUnderTest> rig_;
  std::vector<std::string> reads;
  int notifications = 0;
  bool readOnNotify = true;
};

TEST_P(PortContract, NotifiesWhileTheThresholdIsReachedAndReadsAtMostTheReadLength) {
  Port().Open();
  ASSERT_TRUE(Port().IsOpen());
  Arrive("0123456789abcd");  // 14: below the threshold
  EXPECT_EQ(notifications, 0);
  EXPECT_EQ(Port().BytesWaiting(), 14);
  Arrive("efghijklmnopqrstuvwxyz");  // 36 waiting
  EXPECT_EQ(reads, (std::vector<std::string>{"0123456789abcdef", "ghijklmnopqrstuv"}));
  EXPECT_EQ(Port().BytesWaiting(), 4);
  EXPECT_EQ(Port().Read(), "wxyz");
  // Bytes of any value come through unchanged (XON and XOFF excepted).
  reads.clear();
  const std::string odd("\x80\xff\x01\x7f\x00\"\x1b,\xfe\x02\x03\x04\x05\x06\x07\x08", 16);
  Arrive(odd);
  EXPECT_EQ(reads, std::vector<std::string>{odd});
}

TEST_P(PortContract, AHandlerThatReadsNothingIsNotCalledWithoutEnd) {
  readOnNotify = false;
  Port().Open();
  Arrive(std::string(100, 'z'));
  EXPECT_GE(notifications, 1);
  EXPECT_LE(notifications, 3);
  EXPECT_EQ(Port().BytesWaiting(), 100);
  // A later read takes what waits, in read lengths.
  EXPECT_EQ(Port().Read(), std::string(16, 'z'));
  Port().DiscardInput();
  EXPECT_EQ(Port().BytesWaiting(), 0);
}

TEST_P(PortContract, ClosingThrowsTheWaitingBytesAwayAndAClosedPortReadsNothing) {
  Port().Open();
  readOnNotify = false;
  Arrive("abc");
  Port().Close();
  Port().Close();  // a no-op
  EXPECT_FALSE(Port().IsOpen());
  EXPECT_EQ(Port().Read(), "");
  EXPECT_EQ(Port().BytesWaiting(), 0);
  Port().Open();
  EXPECT_TRUE(Port().IsOpen());
  EXPECT_EQ(Port().BytesWaiting(), 0);
  readOnNotify = true;
  Arrive("0123456789abcdef");
  EXPECT_EQ(reads, std::vector<std::string>{"0123456789abcdef"});
}

// Every port that frames records: the device port on a real pseudo-terminal.
class FramingContract : public PortContract {
 protected:
  void SetUp() override {
    PortContract::SetUp();
    Port().onNotify = [this] {
      ++notifications;
      reads.push_back(Port().Read());
      noise.push_back(Port().LastReadIsNoise());
    };
    Port().onReceived = [this](std::string_view bytes, auto, auto) { received += bytes; };
  }
  std::vector<bool> noise;
  std::string received;
};

const std::string kLap = " A 31  1:02.34L\r";
const std::string kClock = " A       12.30 \r";

TEST_P(FramingContract, RecordsComeWholeWhenTheLineHandsOverOneByteAtATime) {
  ASSERT_TRUE(Port().FramesRecords());
  Port().Open();
  // Once the line has shown that it ends its records, no pause inside one
  // (here 100 ms after every byte) cuts it.
  Arrive(kClock);
  for (char c : kLap + kClock) Arrive(std::string(1, c));
  EXPECT_EQ(reads, (std::vector<std::string>{kClock, kLap, kClock}));
  EXPECT_EQ(noise, (std::vector<bool>{false, false, false}));
  EXPECT_EQ(received, kClock + kLap + kClock);  // every piece, in order
  // A burst of records in one piece is as many blocks.
  reads.clear();
  Arrive(kLap + kClock + kLap + kClock);
  EXPECT_EQ(reads, (std::vector<std::string>{kLap, kClock, kLap, kClock}));
}

TEST_P(FramingContract, GarbageAndACutRecordAreNoiseAndTheRecordsBehindThemCome) {
  Port().Open();
  const std::string cut = kLap.substr(0, 9);
  Arrive("\x05\xfe" + kLap + cut);
  Arrive(kClock + "\r");
  EXPECT_EQ(reads, (std::vector<std::string>{"\x05\xfe", kLap, cut, kClock, "\r"}));
  EXPECT_EQ(noise, (std::vector<bool>{true, false, true, false, true}));
  EXPECT_EQ(received, "\x05\xfe" + kLap + cut + kClock + "\r");
  EXPECT_EQ(Port().BytesWaiting(), 0);
}

TEST_P(FramingContract, ARecordWithoutItsCarriageReturnIsReadOnceTheLineIsQuiet) {
  Port().Open();
  const std::string bare = kLap.substr(0, 15);
  Arrive(bare);  // waits while the line is quiet, then one block
  RunUntil([&] { return !reads.empty(); }, 1000);
  EXPECT_EQ(reads, std::vector<std::string>{bare});
  EXPECT_EQ(noise, std::vector<bool>{false});
}

// What every port holds, the replay port too: the records the line brings
// are read whole, unchanged and in order; a handler that reads nothing is
// not called without end; DiscardInput throws away what waits; a closed
// port reads nothing.
using EveryPortContract = PortContract;

TEST_P(EveryPortContract, TheRecordsTheLineBringsAreReadWholeAndInOrder) {
  rig_->Expect({kClock, kLap, kClock});
  Port().Open();
  ASSERT_TRUE(Port().IsOpen());
  rig_->Bring();
  EXPECT_EQ(reads, (std::vector<std::string>{kClock, kLap, kClock}));
  EXPECT_EQ(Port().BytesWaiting(), 0);
}

TEST_P(EveryPortContract, DiscardingThrowsAwayWhatWaitsForAHandlerThatReadsNothing) {
  readOnNotify = false;
  rig_->Expect({kLap});
  Port().Open();
  rig_->Bring();
  EXPECT_GE(notifications, 1);
  EXPECT_LE(notifications, 3);
  EXPECT_EQ(Port().BytesWaiting(), static_cast<int>(kLap.size()));
  Port().DiscardInput();
  EXPECT_EQ(Port().BytesWaiting(), 0);
  EXPECT_EQ(Port().Read(), "");
}

TEST_P(EveryPortContract, AClosedPortReadsNothingAndASecondCloseChangesNothing) {
  rig_->Expect({});
  Port().Open();
  Port().Close();
  Port().Close();
  EXPECT_FALSE(Port().IsOpen());
  EXPECT_EQ(Port().Read(), "");
  Port().Open();
  EXPECT_TRUE(Port().IsOpen());
}

std::unique_ptr<PortUnderTest> MakeFake() { return std::make_unique<FakeUnderTest>(); }
std::unique_ptr<PortUnderTest> MakeScripted() { return std::make_unique<ScriptedUnderTest>(); }
std::unique_ptr<PortUnderTest> MakePty() { return std::make_unique<PtyUnderTest>(); }
std::unique_ptr<PortUnderTest> MakeReplay() { return std::make_unique<ReplayUnderTest>(); }

std::string PortName(const ::testing::TestParamInfo<Maker>& info) {
  static const char* const kNames[] = {"Fake", "Scripted", "QtPty"};
  return kNames[info.index];
}

INSTANTIATE_TEST_SUITE_P(EveryPort, PortContract,
                         ::testing::Values(Maker(MakeFake), Maker(MakeScripted), Maker(MakePty)),
                         PortName);

std::string EveryPortName(const ::testing::TestParamInfo<Maker>& info) {
  static const char* const kNames[] = {"Fake", "Scripted", "QtPty", "Replay"};
  return kNames[info.index];
}

INSTANTIATE_TEST_SUITE_P(EveryPort, EveryPortContract,
                         ::testing::Values(Maker(MakeFake), Maker(MakeScripted), Maker(MakePty),
                                           Maker(MakeReplay)),
                         EveryPortName);

std::string FramingPortName(const ::testing::TestParamInfo<Maker>&) { return "QtPty"; }

INSTANTIATE_TEST_SUITE_P(EveryFramingPort, FramingContract, ::testing::Values(Maker(MakePty)),
                         FramingPortName);

}  // namespace
}  // namespace poolside
