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
// 2c. Reception with the data folder mirrored (--mirror) to a folder that
//    works, to one that has vanished (an unmounted share, retried in the
//    background), and with no mirror, alternating: median and p99 of each,
//    and the ratios of the p99s to no mirror's.
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
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "capture/capture_journal.h"
#include "meetdata/folder_mirror.h"
#include "pty_rig.h"

namespace {

using namespace poolside::bench;

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
  return n;
}

}  // namespace

// Writes `lines` to the pty `gapNs` apart; for each, the time from its
// write to the window's handler having returned.
std::vector<long long> TimeReception(Pty& pty, Window& win, const std::vector<std::string>& lines,
                                     long long gapNs) {
  std::vector<long long> handled;
  win.Start([&] { handled.push_back(NowNs()); });
  Writer writer(pty.master, lines, gapNs);
  RunUntil([&] { return writer.Done() && handled.size() >= lines.size(); }, 120000);
  std::vector<long long> lat;
  for (size_t i = 0; i < handled.size() && i < lines.size(); ++i) {
    lat.push_back(handled[i] - writer.Stamp(i));
  }
  return lat;
}

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
    const std::vector<long long> lat = TimeReception(pty, win, lines, gapNs);
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
      const std::vector<long long> lat = TimeReception(pty, win, lines, gapNs);
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

  {  // 2c. the same with the data folder mirrored, to a working and a vanished folder
    struct Poker : poolside::RaceListener {
      poolside::FolderMirror* mirror = nullptr;
      void OnRaceEvent(const poolside::RaceEvent& e) override {
        if (!std::holds_alternative<poolside::ClockShown>(e)) mirror->Poke();
      }
    };
    auto run = [&](int mode) {  // 0 no mirror, 1 a working folder, 2 a vanished one
      Pty pty;
      Window win(pty.device);
      std::unique_ptr<poolside::FolderMirror> mirror;
      Poker poker;
      if (mode > 0) {
        const std::string target =
            win.rig.tmp.Path() + (mode == 1 ? std::string("/copy") : std::string("/gone/copy"));
        if (mode == 1) std::filesystem::create_directories(target);
        mirror = std::make_unique<poolside::FolderMirror>(win.rig.tmp.File("data"), target);
        mirror->Start([](const std::string&) {});
        poker.mirror = mirror.get();
        win.w->Feed().Attach(poker);
      }
      const std::vector<long long> lat = TimeReception(pty, win, lines, gapNs);
      if (mirror) {
        win.w->Feed().Detach(poker);
        mirror->Stop();
      }
      return lat;
    };
    static const char* const kNames[] = {"reception, no mirror", "reception, mirror working",
                                         "reception, mirror vanished"};
    std::vector<long long> all[3];
    for (int round = 0; round < 2; ++round) {
      for (int mode = 0; mode < 3; ++mode) {
        std::vector<long long> lat = run(mode);
        Report(kNames[mode], lat);
        all[mode].insert(all[mode].end(), lat.begin(), lat.end());
      }
    }
    auto p99 = [](std::vector<long long> v) {
      std::sort(v.begin(), v.end());
      return v.empty() ? 0.0 : v[std::min(v.size() - 1, size_t(0.99 * v.size()))] / 1000.0;
    };
    const double none = p99(all[0]);
    std::printf("mirror working / vanished / none: p99 %.1f us / %.1f us / %.1f us = %.2f / %.2f\n",
                p99(all[1]), p99(all[2]), none, none > 0 ? p99(all[1]) / none : 0.0,
                none > 0 ? p99(all[2]) / none : 0.0);
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
