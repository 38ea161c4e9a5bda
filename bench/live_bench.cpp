// The live pages under load, measured by hand (not part of the tests).
//
//   live_bench [--viewers 1,100,1000,2000] [--seconds S] [--driver PATH]
//              [--pingers N] [--ping-bytes B]
//
// A timing window reads the console's lines from a pseudo-terminal (as
// pty_bench) and publishes them on its race feed; the live server, on its
// own threads, sends them to the viewers of live_driver, a separate lean
// process (one epoll thread, no Qt) whose viewers connect from many
// loopback addresses. The console's pace, for S seconds (default 10) per
// phase: a lap record every 20 ms, a clock line every 100 ms between them
// and, once a second, ten lanes touching in one write (as a finish in one
// clock tick). In one run:
//   1. no viewer: the reception latency (write to the pty -> the window's
//      handler done);
//   2. for each viewer count: the same, and the time from the write to the
//      lane's message at every viewer (p50, p95, p99, max over all
//      deliveries), deliveries and drops;
//   3. with --pingers: N clients that never read and send pings of B bytes
//      (default 0) as fast as the server takes them, for S seconds with no
//      race event: the process's resident memory before, at its peak and
//      after, per client, and how many the server closed.
#include <signal.h>
#include <sys/wait.h>

#include <cstring>
#include <map>
#include <sstream>

#include "live/qt/live_server.h"
#include "platform/descriptors.h"
#include "pty_rig.h"

namespace {

using namespace poolside::bench;

std::string ClockLine(int hundredths) { return " A    " + TimeText(hundredths) + " \r"; }

// One phase's writes: the bytes of each and the lap records it holds.
struct Phase {
  std::vector<std::string> writes;
  std::vector<std::vector<long>> records;  // per write
  std::vector<int> slotOf;                 // per write, 10 ms each
  long laps = 0;
};

// A 10 ms grid: lap records on even slotOf (ten at once every second),
// clock lines on every tenth slot between them. Record indexes from `first`.
Phase MakeSchedule(long first, int seconds) {
  Phase s;
  long index = first;
  int clock = 0;
  for (int slot = 0; slot < seconds * 100; ++slot) {
    std::string bytes;
    std::vector<long> records;
    if (slot % 10 == 5) {
      bytes = ClockLine(clock += 10);
    } else if (slot % 100 == 50) {
      for (int k = 0; k < 10; ++k) {
        bytes += LapLine(index);
        records.push_back(index++);
      }
    } else if (slot % 2 == 0) {
      bytes = LapLine(index);
      records.push_back(index++);
    } else {
      continue;
    }
    s.slotOf.push_back(slot);
    s.laps += static_cast<long>(records.size());
    s.writes.push_back(bytes);
    s.records.push_back(records);
  }
  return s;
}

double Ms(const std::vector<long long>& sorted, double q) {
  return sorted[std::min(sorted.size() - 1, size_t(q * sorted.size()))] / 1e6;
}

void Percentiles(const char* what, std::vector<long long> ns) {
  if (ns.empty()) {
    std::printf("%-38s no samples\n", what);
    return;
  }
  std::sort(ns.begin(), ns.end());
  std::printf("%-38s n=%zu  p50 %.2f  p95 %.2f  p99 %.2f  max %.2f ms\n", what, ns.size(),
              Ms(ns, 0.5), Ms(ns, 0.95), Ms(ns, 0.99), ns.back() / 1e6);
}

// Writes the schedule at its pace from a thread; the write stamps, and
// for each write the first handler done after it.
std::vector<long long> Run(Pty& pty, const Phase& s, std::vector<long long>& handled,
                           std::vector<long long>& stamps) {
  handled.clear();
  stamps.assign(s.writes.size(), 0);
  std::atomic<bool> done{false};
  std::thread writer([&] {
    const long long start = NowNs() + 200000000LL;
    for (size_t i = 0; i < s.writes.size(); ++i) {
      SleepUntil(start + s.slotOf[i] * 10000000LL);
      // Stamped before the write: the window, woken by it, may run before
      // this thread does again, and a stamp taken after would then pair the
      // write with the next one's handler.
      stamps[i] = NowNs();
      if (write(pty.master, s.writes[i].data(), s.writes[i].size()) < 0) std::perror("write");
    }
    done = true;
  });
  RunUntil([&] { return done.load(); }, 600000);
  writer.join();
  RunUntil([] { return false; }, 200);  // the last handlers
  std::vector<long long> lat;
  size_t h = 0;
  for (size_t i = 0; i < stamps.size(); ++i) {
    while (h < handled.size() && handled[h] < stamps[i]) ++h;
    if (h < handled.size()) lat.push_back(handled[h] - stamps[i]);
  }
  return lat;
}

struct Driver {
  pid_t pid = -1;
  FILE* out = nullptr;
  int in = -1;
  std::string file;
  Driver(const std::string& path, int port, int viewers, const std::string& results,
         int ping = -1) {
    file = results;
    int down[2], up[2];
    if (pipe(down) != 0 || pipe(up) != 0) std::exit(1);
    pid = fork();
    if (pid == 0) {
      dup2(down[0], 0);
      dup2(up[1], 1);
      close(down[1]);
      close(up[0]);
      const std::string p = std::to_string(port), v = std::to_string(viewers);
      const std::string b = std::to_string(ping);
      execl(path.c_str(), path.c_str(), "--port", p.c_str(), "--viewers", v.c_str(), "--out",
            results.c_str(), "--ping", b.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    close(down[0]);
    close(up[1]);
    in = down[1];
    out = fdopen(up[0], "r");
  }
  int ReadNumber(const char* word) {
    char line[128];
    while (std::fgets(line, sizeof line, out)) {
      int n = 0;
      char w[32];
      if (std::sscanf(line, "%31s %d", w, &n) == 2 && std::strcmp(w, word) == 0) return n;
    }
    return -1;
  }
  // Ends the driver; its samples (record index, ns).
  std::vector<std::pair<long, long long>> Finish(int& lost) {
    close(in);
    lost = ReadNumber("lost");
    waitpid(pid, nullptr, 0);
    std::fclose(out);
    std::vector<std::pair<long, long long>> samples;
    FILE* f = std::fopen(file.c_str(), "rb");
    std::int32_t index = 0;
    std::int64_t ns = 0;
    while (f && std::fread(&index, sizeof index, 1, f) == 1 &&
           std::fread(&ns, sizeof ns, 1, f) == 1) {
      samples.emplace_back(index, ns);
    }
    if (f) std::fclose(f);
    std::remove(file.c_str());
    return samples;
  }
};

// Resident memory of this process in KiB.
long ResidentKiB() {
  FILE* f = std::fopen("/proc/self/status", "r");
  char line[256];
  long kib = 0;
  while (f && std::fgets(line, sizeof line, f)) {
    if (std::sscanf(line, "VmRSS: %ld", &kib) == 1) break;
  }
  if (f) std::fclose(f);
  return kib;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> counts = {1, 100, 1000, 2000};
  int seconds = 10;
  int senders = 0;  // 0: the server's default
  int pingers = 0, pingBytes = 0;
  std::string driver = LIVE_DRIVER_BIN;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--viewers") == 0) {
      counts.clear();
      std::stringstream list(argv[i + 1]);
      for (std::string n; std::getline(list, n, ',');) counts.push_back(std::stoi(n));
    }
    if (std::strcmp(argv[i], "--seconds") == 0) seconds = std::atoi(argv[i + 1]);
    if (std::strcmp(argv[i], "--driver") == 0) driver = argv[i + 1];
    if (std::strcmp(argv[i], "--senders") == 0) senders = std::atoi(argv[i + 1]);
    if (std::strcmp(argv[i], "--pingers") == 0) pingers = std::atoi(argv[i + 1]);
    if (std::strcmp(argv[i], "--ping-bytes") == 0) pingBytes = std::atoi(argv[i + 1]);
  }
  // Room for thousands of viewers' connections.
  poolside::RaiseDescriptorLimit();
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QCoreApplication app(argc, argv);

  Pty pty;
  Window win(pty.device);
  poolside::LiveServerConfig config;
  config.address = "127.0.0.1";
  config.port = 0;
#ifdef LIVE_BENCH_SENDERS
  if (senders > 0) config.senderThreads = senders;
#endif
  poolside::LiveServer server(config);
  win.w->Feed().Attach(server);
  std::string error;
  if (!server.Start(win.rig.meet.DataFolder, win.rig.meet.Settings, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  win.w->ShowRaceHeader();  // published now that the server listens
  std::vector<long long> handled;
  win.Start([&] { handled.push_back(NowNs()); });

  long first = 0;
  std::vector<long long> stamps;
  Run(pty, MakeSchedule(400000, 1), handled, stamps);  // warms the path up
  const Phase alone = MakeSchedule(first, seconds);
  first += alone.laps;
  std::printf("%d s a phase: %ld lap records (ten at once every second), %d clock lines\n", seconds,
              alone.laps, seconds * 10);
  Percentiles("reception, no viewer", Run(pty, alone, handled, stamps));

  for (int viewers : counts) {
    Driver group(driver, server.Port(), viewers, "/tmp/live_bench." + std::to_string(getpid()));
    const int ready = group.ReadNumber("ready");
    const int droppedBefore = server.SlowClientsDropped();
    const Phase s = MakeSchedule(first, seconds);
    first += s.laps;
    const auto reception = Run(pty, s, handled, stamps);
    RunUntil([] { return false; }, 500);  // the last deliveries
    const int connected = server.Clients();
    int lost = 0;
    const auto samples = group.Finish(lost);
    std::map<long, long long> stampOf;
    for (size_t w = 0; w < s.records.size(); ++w) {
      for (long r : s.records[w]) stampOf[r] = stamps[w];
    }
    std::vector<long long> delivery;
    for (const auto& [index, ns] : samples) {
      if (auto it = stampOf.find(index); it != stampOf.end()) delivery.push_back(ns - it->second);
    }
    std::printf("\n%d viewers (%d connected, server counts %d)\n", viewers, ready, connected);
    Percentiles("  reception", reception);
    Percentiles("  touch -> message at the viewer", delivery);
    std::printf("  deliveries %zu of %ld; dropped by the server %d, closed %d; events lost %zu\n",
                delivery.size(), s.laps * ready, server.SlowClientsDropped() - droppedBefore, lost,
                server.DroppedInputs());
    RunUntil([&] { return server.Clients() == 0; }, 10000);
  }
  if (pingers > 0) {
    RunUntil([] { return false; }, 1000);
    const long before = ResidentKiB();
    const int droppedBefore = server.SlowClientsDropped();
    Driver group(driver, server.Port(), pingers, "/tmp/live_bench." + std::to_string(getpid()),
                 pingBytes);
    const int ready = group.ReadNumber("ready");
    long peak = ResidentKiB();
    const long long end = NowNs() + seconds * 1000000000LL;
    RunUntil(
        [&] {
          peak = std::max(peak, ResidentKiB());
          return NowNs() > end;
        },
        seconds * 1000 + 1000);
    int lost = 0;
    group.Finish(lost);
    RunUntil([&] { return server.Clients() == 0; }, 10000);
    const long after = ResidentKiB();
    std::printf("\n%d clients never reading, pings of %d bytes, %d s (%d upgraded)\n", pingers,
                pingBytes, seconds, ready);
    std::printf("  resident: before %ld KiB, peak %ld KiB (+%ld), after %ld KiB (+%ld)\n", before,
                peak, peak - before, after, after - before);
    std::printf("  peak growth per client %.1f KiB (limit 512 KiB); closed by the server %d\n",
                static_cast<double>(peak - before) / std::max(1, pingers),
                server.SlowClientsDropped() - droppedBefore);
  }
  std::printf("\nserver thread: %.2f ms a message to all viewers (mean over the run)\n",
              server.MeanBroadcastMs());
  win.w->Feed().Detach(server);
  server.Stop();
  return 0;
}
