// The live pages under load, measured by hand (not part of the tests).
//
//   live_bench [--clients N] [--records R] [--gap-us US]
//
// A timing window reads lap records from a pseudo-terminal (as pty_bench)
// and publishes them on its race feed; the live server, on its own thread,
// sends them to N WebSocket clients (default 1000) running on a third
// thread. In one run:
//   1. R records (default 500, one every US microseconds, default 20000:
//      the console's pace) with no client connected;
//   2. the same with the N clients connected.
// Printed: the reception latency (write to the pty -> the window's handler
// done) of both phases, and for phase 2 the time from the write to the
// lane's message at every client (p50, p95, p99 over all deliveries).
#include <sys/resource.h>

#include <QThread>
#include <QWebSocket>

#include <cstring>
#include <mutex>

#include "live/qt/live_server.h"
#include "pty_rig.h"

namespace {

using namespace poolside::bench;

// Hundredths of the time text in a lane message: the record's index + 100.
long IndexOf(const QString& message) {
  const int at = message.indexOf("\"time\":\"");
  if (at < 0 || !message.contains("\"type\":\"lane\"")) return -1;
  const QString text = message.mid(at + 8, 8).trimmed();
  const int colon = text.indexOf(':');
  const int dot = text.indexOf('.');
  if (dot < 0) return -1;
  const long minutes = colon < 0 ? 0 : text.left(colon).toLong();
  const long seconds = text.mid(colon + 1, dot - colon - 1).toLong();
  const long hundredths = text.mid(dot + 1, 2).toLong();
  return (minutes * 60 + seconds) * 100 + hundredths - 100;
}

// N clients on a thread of their own; every lane message is stamped.
class Clients : public QObject {
 public:
  Clients(int n, int port) : n_(n), port_(port) {}
  void Open() {
    // The clients stand for other machines: they yield to the program.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 10);
    for (int i = 0; i < n_; ++i) {
      auto* ws = new QWebSocket(QString(), QWebSocketProtocol::VersionLatest, this);
      connect(ws, &QWebSocket::textMessageReceived, this, [this](const QString& m) {
        const long long now = NowNs();
        const long index = IndexOf(m);
        if (m.startsWith("{\"type\":\"state\"")) ++snapshots_;
        if (index < 0) return;
        std::lock_guard lock(mutex_);
        seen_.emplace_back(index, now);
      });
      connect(ws, &QWebSocket::disconnected, this, [this] { ++lost_; });
      ws->open(QUrl("ws://127.0.0.1:" + QString::number(port_) + "/ws"));
    }
  }
  int Snapshots() const { return snapshots_; }
  int Lost() const { return lost_; }
  std::vector<std::pair<long, long long>> Seen() {
    std::lock_guard lock(mutex_);
    return seen_;
  }

 private:
  int n_, port_;
  std::atomic<int> snapshots_{0}, lost_{0};
  std::mutex mutex_;
  std::vector<std::pair<long, long long>> seen_;
};

void Percentiles(const char* what, std::vector<long long> ns) {
  if (ns.empty()) {
    std::printf("%-44s no samples\n", what);
    return;
  }
  std::sort(ns.begin(), ns.end());
  auto at = [&](double q) { return ns[std::min(ns.size() - 1, size_t(q * ns.size()))] / 1e6; };
  std::printf("%-44s n=%zu  p50 %.2f ms  p95 %.2f ms  p99 %.2f ms  max %.2f ms\n", what, ns.size(),
              at(0.5), at(0.95), at(0.99), ns.back() / 1e6);
}

std::vector<long long> Reception(Pty& pty, const std::vector<std::string>& lines, long long gapNs,
                                 std::vector<long long>& handled, std::vector<long long>& stamps) {
  handled.clear();
  Writer writer(pty.master, lines, gapNs);
  RunUntil([&] { return writer.Done() && handled.size() >= lines.size(); }, 600000);
  std::vector<long long> lat;
  for (size_t i = 0; i < handled.size() && i < lines.size(); ++i) {
    lat.push_back(handled[i] - writer.Stamp(i));
  }
  stamps.assign(lines.size(), 0);
  for (size_t i = 0; i < lines.size(); ++i) stamps[i] = writer.Stamp(i);
  return lat;
}

}  // namespace

int main(int argc, char** argv) {
  int clients = 1000;
  long records = 500;
  long long gapNs = 20000000;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--clients") == 0) clients = std::atoi(argv[i + 1]);
    if (std::strcmp(argv[i], "--records") == 0) records = std::atol(argv[i + 1]);
    if (std::strcmp(argv[i], "--gap-us") == 0) gapNs = std::atoll(argv[i + 1]) * 1000;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QCoreApplication app(argc, argv);

  Pty pty;
  Window win(pty.device);
  poolside::LiveServerConfig config;
  config.address = "127.0.0.1";
  config.port = 0;
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

  // Phase 1: no client. The records of phase 2 carry other times. A few
  // records first warm the path up.
  std::vector<std::string> warm, first, second;
  for (long i = 0; i < 20; ++i) warm.push_back(LapLine(2 * records + i));
  for (long i = 0; i < records; ++i) first.push_back(LapLine(i));
  for (long i = records; i < 2 * records; ++i) second.push_back(LapLine(i));
  std::vector<long long> stamps1;
  Reception(pty, warm, gapNs, handled, stamps1);
  const auto alone = Reception(pty, first, gapNs, handled, stamps1);

  // Phase 2: N clients connected, each with its snapshot.
  QThread thread;
  thread.start();
  Clients group(clients, server.Port());
  group.moveToThread(&thread);
  QMetaObject::invokeMethod(
      &group, [&] { group.Open(); }, Qt::BlockingQueuedConnection);
  RunUntil([&] { return group.Snapshots() >= clients; }, 120000);
  std::printf("clients connected: %d of %d (server counts %d)\n", group.Snapshots(), clients,
              server.Clients());
  std::vector<long long> stamps2;
  const auto loaded = Reception(pty, second, gapNs, handled, stamps2);
  RunUntil([&] { return group.Seen().size() >= size_t(clients) * second.size(); }, 30000);

  std::vector<long long> delivery;
  for (const auto& [index, ns] : group.Seen()) {
    const long k = index - records;
    if (k >= 0 && k < static_cast<long>(stamps2.size())) delivery.push_back(ns - stamps2[k]);
  }
  std::printf("records %ld per phase, one every %.1f ms\n", records, gapNs / 1e6);
  Percentiles("reception, no client (write -> handler done)", alone);
  Percentiles("reception, clients connected", loaded);
  Percentiles("pty write -> message at every client", delivery);
  std::printf("server thread: %.2f ms a message to all clients (mean)\n", server.MeanBroadcastMs());
  std::printf(
      "deliveries %zu of %zu; clients dropped by the server %d, closed %d; events lost %zu\n",
      delivery.size(), size_t(clients) * second.size(), server.SlowClientsDropped(), group.Lost(),
      server.DroppedInputs());
  QMetaObject::invokeMethod(
      &group, [&] { group.moveToThread(app.thread()); }, Qt::BlockingQueuedConnection);
  thread.quit();
  thread.wait();
  win.w->Feed().Detach(server);
  server.Stop();
  return 0;
}
