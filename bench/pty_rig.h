#pragma once
// What the pty benchmarks share: a pseudo-terminal pair, a writer thread
// that stamps every record it writes, a timing window over the test rig
// reading a real port, and the report of a latency distribution.
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/qt/qt_serial_port.h"
#include "timing/race_rig.h"

namespace poolside::bench {

using poolside::QtSerialPort;
using poolside::RaceControls;
using poolside::RaceWindow;
using poolside::testing::RaceRig;

inline long long NowNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

inline void SleepUntil(long long ns) {
  timespec ts{static_cast<time_t>(ns / 1000000000LL), static_cast<long>(ns % 1000000000LL)};
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
  }
}

inline std::string TimeText(int hundredths) {
  int mm = hundredths / 6000, ss = hundredths / 100 % 60, hh = hundredths % 100;
  char buf[32];
  if (mm > 0) {
    std::snprintf(buf, sizeof buf, "%d:%02d.%02d", mm % 100, ss, hh);
  } else {
    std::snprintf(buf, sizeof buf, "%d.%02d", ss, hh);
  }
  std::string t = buf;
  return std::string(8 - t.size(), ' ') + t;
}

inline std::string LapLine(long i) {
  int lane = static_cast<int>(i % 10);
  return std::string(" A ") + "1234567890"[lane] + "1234567890"[lane] + " " +
         TimeText(100 + static_cast<int>(i % 500000)) + "L\r";
}

struct Pty {
  int master = -1, slave = -1;
  std::string device;
  Pty() {
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
      std::perror("openpty");
      std::exit(1);
    }
    termios t{};
    tcgetattr(slave, &t);
    cfmakeraw(&t);
    tcsetattr(slave, TCSANOW, &t);
    device = name;
  }
  ~Pty() {
    close(master);
    close(slave);
  }
};

// Writes `records` from a thread, each after `gapNs`, stamping each write.
class Writer {
 public:
  Writer(int fd, std::vector<std::string> records, long long gapNs)
      : records_(std::move(records)), stamps_(records_.size()) {
    thread_ = std::thread([this, fd, gapNs] {
      long long next = NowNs() + 200000000LL;
      for (size_t i = 0; i < records_.size(); ++i) {
        SleepUntil(next);
        if (write(fd, records_[i].data(), records_[i].size()) < 0) std::perror("write");
        stamps_[i] = NowNs();
        next += gapNs;
      }
      done_ = true;
    });
  }
  ~Writer() { thread_.join(); }
  bool Done() const { return done_; }
  long long Stamp(size_t i) const { return stamps_[i]; }

 private:
  std::vector<std::string> records_;
  std::vector<long long> stamps_;
  std::atomic<bool> done_{false};
  std::thread thread_;
};

inline void Report(const char* what, std::vector<long long> ns) {
  if (ns.empty()) {
    std::printf("%-34s no samples\n", what);
    return;
  }
  std::sort(ns.begin(), ns.end());
  auto at = [&](double q) { return ns[std::min(ns.size() - 1, size_t(q * ns.size()))] / 1000.0; };
  std::printf("%-34s n=%zu  median %.1f us  p99 %.1f us  max %.1f us\n", what, ns.size(), at(0.5),
              at(0.99), ns.back() / 1000.0);
}

// Runs a real event loop (blocking in poll, as the program does) until
// `done` holds or `ms` have passed.
inline bool RunUntil(const std::function<bool()>& done, int ms) {
  QEventLoop loop;
  QTimer check;
  QObject::connect(&check, &QTimer::timeout, [&] {
    if (done()) loop.quit();
  });
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  check.start(20);
  if (!done()) loop.exec();
  return done();
}

// A timing window over the rig's controls and meet, reading a real port.
struct Window {
  RaceRig rig;
  QtSerialPort port;
  std::unique_ptr<RaceWindow> w;
  explicit Window(const std::string& device) : port(1, device) {
    RaceControls c;
    c.lblRace = &rig.lblRace;
    c.lblPNo = &rig.lblPNo;
    c.lblKumi = &rig.lblKumi;
    c.lblSei = &rig.lblSei;
    c.lblKubun = &rig.lblKubun;
    c.lblShu = &rig.lblShu;
    c.lblYoKetu = &rig.lblYoKetu;
    c.lblNin = &rig.lblNin;
    c.lblTimer = &rig.lblTimer;
    c.lblVersion = &rig.lblVersion;
    c.txtKetugo = &rig.txtKetugo;
    c.txtBiko = &rig.txtBiko;
    c.txtPort = &rig.txtPort;
    c.cmdShoki = &rig.cmdShoki;
    c.cmdKakutei = &rig.cmdKakutei;
    c.cmdZushin = &rig.cmdZushin;
    for (int i = 0; i < 10; ++i) {
      c.txtJun[i] = &rig.txtJun[i];
      c.txtKiro[i] = &rig.txtKiro[i];
      c.txtShukai[i] = &rig.txtShukai[i];
      c.txtSingo[i] = &rig.txtSingo[i];
      c.txtTSingo[i] = &rig.txtTSingo[i];
    }
    w = std::make_unique<RaceWindow>(c, rig.meet, rig.messages, port, rig.host);
    // The boxes' change handling goes to this window, not the rig's own.
    rig.txtKetugo.onChange = [this] { w->OnStatusBoxChange(); };
    for (int i = 0; i < 10; ++i) {
      rig.txtSingo[i].onChange = [this, i] { w->OnLaneBoxChange(0, i); };
      rig.txtTSingo[i].onChange = [this, i] { w->OnLaneBoxChange(1, i); };
    }
    rig.meet.LoadMeetHeader();
    rig.meet.CloseMeetFile();
    w->Book().RaceNo = 1;
    w->ShowRaceHeader();
  }
  void Start(const std::function<void()>& afterEach) {
    port.onNotify = [this, afterEach] {
      w->OnPortNotification();
      afterEach();
    };
    w->OnStartStopClick();
    if (!port.IsOpen()) {
      std::fprintf(stderr, "the port did not open\n");
      std::exit(1);
    }
  }
};

}  // namespace poolside::bench
