// Reception over a pseudo-terminal, measured by hand (not part of the tests).
//
//   pty_bench [--records N] [--gap-us US]
//
// 1. Bare pty: from the write of a 16-byte record to the pty's master to
//    Qt's readyRead on the slave (QSerialPort alone).
// 2. Reception: from the write of a result record to the timing window's
//    handler having returned, with the lane's time box updated and the lap
//    record written to the operating system.
//    Both print median and 99th percentile over N records (default 2000).
// 2b. Reception with the capture journal on and off, alternating runs in
//    the same process (off, on, off, on): median and p99 of each, and the
//    ratio of the p99s over all samples.
// 3. Burst: all ten lanes finishing in one clock tick, then the clock back
//    to zero; the goal file must hold all ten.
// 4. Flood: 10,000 lap records at 100 times the line rate; every one must
//    be in the lap file.
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QSerialPort>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "capture/capture_journal.h"
#include "platform/qt/qt_serial_port.h"
#include "timing/race_rig.h"

namespace {

using poolside::QtSerialPort;
using poolside::RaceControls;
using poolside::RaceWindow;
using poolside::testing::RaceRig;

long long NowNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

void SleepUntil(long long ns) {
  timespec ts{static_cast<time_t>(ns / 1000000000LL), static_cast<long>(ns % 1000000000LL)};
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
  }
}

std::string TimeText(int hundredths) {
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

std::string LapLine(long i) {
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

void Report(const char* what, std::vector<long long> ns) {
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
bool RunUntil(const std::function<bool()>& done, int ms) {
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

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  long records = 2000;
  long long gapNs = 2000000;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--records") == 0) records = std::atol(argv[i + 1]);
    if (std::strcmp(argv[i], "--gap-us") == 0) gapNs = std::atoll(argv[i + 1]) * 1000;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QCoreApplication app(argc, argv);
  std::vector<std::string> lines;
  for (long i = 0; i < records; ++i) lines.push_back(LapLine(i));
  int status = 0;

  {  // 1. bare pty
    Pty pty;
    QSerialPort raw;
    raw.setPortName(QString::fromStdString(pty.device));
    if (!raw.open(QIODevice::ReadOnly)) return 1;
    std::vector<long long> seen;
    size_t bytes = 0;
    Writer writer(pty.master, lines, gapNs);
    QObject::connect(&raw, &QSerialPort::readyRead, [&] {
      long long now = NowNs();
      bytes += static_cast<size_t>(raw.readAll().size());
      while (seen.size() < bytes / 16) seen.push_back(now);
    });
    RunUntil([&] { return writer.Done() && seen.size() >= lines.size(); }, 120000);
    std::vector<long long> lat;
    for (size_t i = 0; i < seen.size(); ++i) lat.push_back(seen[i] - writer.Stamp(i));
    Report("bare pty (write -> readyRead)", lat);
  }

  {  // 2. reception through the timing window
    Pty pty;
    Window win(pty.device);
    std::vector<long long> handled;
    win.Start([&] { handled.push_back(NowNs()); });
    Writer writer(pty.master, lines, gapNs);
    RunUntil([&] { return writer.Done() && handled.size() >= lines.size(); }, 120000);
    std::vector<long long> lat;
    for (size_t i = 0; i < handled.size() && i < lines.size(); ++i) {
      lat.push_back(handled[i] - writer.Stamp(i));
    }
    Report("reception (write -> box + lap file)", lat);
    const std::string lap = win.rig.Lap(1);
    std::printf("  lap records written: %zu of %zu\n", Count(lap, ",L,"), lines.size());
    if (Count(lap, ",L,") != lines.size()) status = 1;
  }

  {  // 2b. the same with the capture journal on and off
    auto run = [&](bool journal) {
      Pty pty;
      Window win(pty.device);
      poolside::CaptureJournal capture({"bench", {}});
      if (journal) {
        if (!capture.Open(win.rig.tmp.Path() + "/capture")) std::exit(1);
        win.w->Feed().Attach(capture);
      }
      std::vector<long long> handled;
      win.Start([&] { handled.push_back(NowNs()); });
      Writer writer(pty.master, lines, gapNs);
      RunUntil([&] { return writer.Done() && handled.size() >= lines.size(); }, 120000);
      std::vector<long long> lat;
      for (size_t i = 0; i < handled.size() && i < lines.size(); ++i) {
        lat.push_back(handled[i] - writer.Stamp(i));
      }
      if (journal) win.w->Feed().Detach(capture);
      return lat;
    };
    std::vector<long long> off, on;
    for (int round = 0; round < 2; ++round) {
      std::vector<long long> a = run(false);
      Report("reception, journal off", a);
      std::vector<long long> b = run(true);
      Report("reception, journal on", b);
      off.insert(off.end(), a.begin(), a.end());
      on.insert(on.end(), b.begin(), b.end());
    }
    auto p99 = [](std::vector<long long> v) {
      std::sort(v.begin(), v.end());
      return v.empty() ? 0.0 : v[std::min(v.size() - 1, size_t(0.99 * v.size()))] / 1000.0;
    };
    std::printf("journal on / off: p99 %.1f us / %.1f us = %.2f\n", p99(on), p99(off),
                p99(off) > 0 ? p99(on) / p99(off) : 0.0);
  }

  {  // 3. ten lanes finishing in one tick
    Pty pty;
    Window win(pty.device);
    win.Start([] {});
    std::string burst;
    for (int lane = 0; lane < 10; ++lane) {
      burst += std::string(" A ") + "1234567890"[lane] + "1234567890"[lane] + " " +
               TimeText(5500 + lane) + "G\r";
    }
    burst += std::string(" A    ") + TimeText(5510) + " \r" + " A    " + TimeText(0) + " \r";
    if (write(pty.master, burst.data(), burst.size()) < 0) std::perror("write");
    RunUntil([&] { return win.rig.HasGoal(1); }, 10000);
    RunUntil([] { return false; }, 200);
    const std::string lap = win.rig.Lap(1);
    const std::string goal = win.rig.Goal(1);
    std::printf("burst: %zu of 10 finish records in the lap file; goal file %s\n",
                Count(lap, ",G,"), goal.empty() ? "missing" : goal.c_str());
    if (Count(lap, ",G,") != 10) status = 1;
  }

  {  // 4. 10,000 records at 100 times the line rate
    Pty pty;
    Window win(pty.device);
    win.Start([] {});
    std::vector<std::string> flood;
    for (long i = 0; i < 10000; ++i) flood.push_back(LapLine(i));
    const long long period = static_cast<long long>(16 * 11 * 1e9 / 9600 / 100);
    Writer writer(pty.master, flood, period);
    RunUntil([&] { return writer.Done() && Count(win.rig.Lap(1), ",L,") >= flood.size(); }, 60000);
    const size_t n = Count(win.rig.Lap(1), ",L,");
    std::printf("flood: %zu of %zu records at 100x the line rate in the lap file\n", n,
                flood.size());
    if (n != flood.size()) status = 1;
  }
  return status;
}
