// The race on a broker under load, measured by hand (not part of the tests).
//
//   mqtt_bench [--records R] [--gap-us US] [--subscribers LIST] [--viewers V]
//
// A timing window reads lap records from a pseudo-terminal (as pty_bench)
// and the desk's publisher sends them to a Mosquitto the bench starts on a
// free loopback port. Lean subscribers of the bench's own (plain MQTT 3.1.1
// over sockets, QoS 0, one epoll loop) run in a child process. In one run:
//   1. R records (default 300, one every US microseconds, default 20000:
//      the console's pace) with no broker attached;
//   2. for each count in LIST (default 1,1000,10000): R records with the
//      broker attached and that many subscribers on PREFIX/events;
//   3. a relay (poolside --relay, its own process) with V WebSocket viewers
//      (default 1000) on a thread of the bench.
// Printed: reception latency (write -> the window's handler done) of every
// phase, and the time from the write to the lane's message at every
// subscriber or viewer (p50, p95, p99 over all deliveries).
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <sys/wait.h>

#include <QThread>
#include <QWebSocket>

#include <cstring>
#include <fstream>
#include <mutex>
#include <regex>
#include <sstream>

#include "mqtt/desk_publisher.h"
#include "mqtt/mosquitto/mosquitto_link.h"
#include "platform/descriptors.h"
#include "platform/threads.h"
#include "pty_rig.h"
#include "support/test_broker.h"

namespace {

using namespace poolside::bench;

// Hundredths of the time text in a lane message, minus 100: the record's
// index (LapLine).
long IndexOf(std::string_view m) {
  if (m.find("\"type\":\"lane\"") == std::string_view::npos) return -1;
  const auto at = m.find("\"time\":\"");
  if (at == std::string_view::npos || at + 16 > m.size()) return -1;
  std::string text(m.substr(at + 8, 8));
  text.erase(0, text.find_first_not_of(' '));
  const auto colon = text.find(':');
  const auto dot = text.find('.');
  if (dot == std::string::npos) return -1;
  const long minutes = colon == std::string::npos ? 0 : std::atol(text.substr(0, colon).c_str());
  const std::size_t from = colon == std::string::npos ? 0 : colon + 1;
  const long seconds = std::atol(text.substr(from, dot - from).c_str());
  const long hundredths = std::atol(text.substr(dot + 1, 2).c_str());
  return (minutes * 60 + seconds) * 100 + hundredths - 100;
}

void Percentiles(const char* what, std::vector<long long> ns) {
  if (ns.empty()) {
    std::printf("%-48s no samples\n", what);
    return;
  }
  std::sort(ns.begin(), ns.end());
  auto at = [&](double q) { return ns[std::min(ns.size() - 1, size_t(q * ns.size()))] / 1e6; };
  std::printf("%-48s n=%zu  p50 %.2f ms  p95 %.2f ms  p99 %.2f ms  max %.2f ms\n", what, ns.size(),
              at(0.5), at(0.95), at(0.99), ns.back() / 1e6);
  std::fflush(stdout);
}

// --- lean subscribers (child process)

std::string Utf8Field(const std::string& s) {
  return std::string{static_cast<char>(s.size() >> 8), static_cast<char>(s.size() & 0xFF)} + s;
}

std::string Packet(unsigned char type, const std::string& body) {
  std::string p(1, static_cast<char>(type));
  std::size_t n = body.size();
  do {
    unsigned char b = n % 128;
    n /= 128;
    if (n > 0) b |= 0x80;
    p += static_cast<char>(b);
  } while (n > 0);
  return p + body;
}

// Connects `n` subscribers to `topic`, says "ready" on `ready`, records
// (index, arrival) of every lane message until `stop` closes, then writes
// the pairs to `out`.
[[noreturn]] void Subscribers(int port, int n, const std::string& topic, int ready, int stop,
                              const std::string& out) {
  const int ep = epoll_create1(0);
  std::vector<int> fds;
  std::vector<std::string> buffers(n);
  std::vector<std::pair<long, long long>> seen;
  seen.reserve(static_cast<std::size_t>(n) * 400);
  int acked = 0;
  auto pump = [&](int timeoutMs) {
    epoll_event events[256];
    const int k = epoll_wait(ep, events, 256, timeoutMs);
    for (int e = 0; e < k; ++e) {
      const int i = static_cast<int>(events[e].data.u32);
      if (i < 0) continue;
      char chunk[65536];
      for (;;) {
        const ssize_t r = read(fds[i], chunk, sizeof chunk);
        if (r <= 0) break;
        const long long now = NowNs();
        std::string& b = buffers[i];
        b.append(chunk, static_cast<std::size_t>(r));
        std::size_t at = 0;
        for (;;) {
          std::size_t length = 0, shift = 0, pos = at + 1;
          bool whole = false;
          while (pos < b.size()) {
            const unsigned char c = static_cast<unsigned char>(b[pos++]);
            length |= static_cast<std::size_t>(c & 0x7F) << shift;
            shift += 7;
            if (!(c & 0x80)) {
              whole = true;
              break;
            }
          }
          if (!whole || pos + length > b.size()) break;
          const unsigned char type = static_cast<unsigned char>(b[at]) >> 4;
          if (type == 9) ++acked;  // SUBACK
          if (type == 3) {
            const std::size_t topicLength =
                (static_cast<unsigned char>(b[pos]) << 8) | static_cast<unsigned char>(b[pos + 1]);
            const std::string_view payload(b.data() + pos + 2 + topicLength,
                                           length - 2 - topicLength);
            const long index = IndexOf(payload);
            if (index >= 0) seen.emplace_back(index, now);
          }
          at = pos + length;
        }
        b.erase(0, at);
      }
    }
  };
  for (int i = 0; i < n; ++i) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
      std::perror("subscriber connect");
      _exit(1);
    }
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    const std::string connectBody = Utf8Field("MQTT") + std::string("\x04\x02\x00\x00", 4) +
                                    Utf8Field("bench-" + std::to_string(i));
    const std::string subscribe =
        Packet(0x82, std::string("\x00\x01", 2) + Utf8Field(topic) + std::string(1, '\0'));
    const std::string hello = Packet(0x10, connectBody) + subscribe;
    if (write(fd, hello.data(), hello.size()) != static_cast<ssize_t>(hello.size())) _exit(1);
    fcntl(fd, F_SETFL, O_NONBLOCK);
    fds.push_back(fd);
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.u32 = static_cast<uint32_t>(i);
    epoll_ctl(ep, EPOLL_CTL_ADD, fd, &ev);
    // Paced by the broker: at most 200 waiting for their acknowledgement.
    while (static_cast<int>(fds.size()) - acked > 200) pump(100);
  }
  for (int tries = 0; acked < n && tries < 600; ++tries) pump(100);
  const std::string said = std::to_string(acked) + "\n";
  if (write(ready, said.data(), said.size()) < 0) _exit(1);
  epoll_event ev{};
  ev.events = EPOLLIN;
  ev.data.u32 = static_cast<uint32_t>(-1);
  epoll_ctl(ep, EPOLL_CTL_ADD, stop, &ev);
  for (;;) {
    pollfd p{stop, POLLIN, 0};
    if (poll(&p, 1, 0) > 0) break;
    pump(50);
  }
  std::ofstream file(out, std::ios::binary);
  file.write(reinterpret_cast<const char*>(seen.data()),
             static_cast<std::streamsize>(seen.size() * sizeof seen[0]));
  _exit(0);
}

class SubscriberProcess {
 public:
  SubscriberProcess(int port, int n, const std::string& topic, std::string file)
      : file_(std::move(file)) {
    int ready[2], stop[2];
    if (pipe(ready) != 0 || pipe(stop) != 0) std::exit(1);
    pid_ = fork();
    if (pid_ == 0) {
      close(ready[0]);
      close(stop[1]);
      Subscribers(port, n, topic, ready[1], stop[0], file_);
    }
    close(ready[1]);
    close(stop[0]);
    ready_ = ready[0];
    stop_ = stop[1];
  }
  int WaitReady() {
    char buffer[32] = {};
    const ssize_t r = read(ready_, buffer, sizeof buffer - 1);
    return r > 0 ? std::atoi(buffer) : 0;
  }
  std::vector<std::pair<long, long long>> Finish() {
    if (write(stop_, "x", 1) < 0) std::perror("stop");
    waitpid(pid_, nullptr, 0);
    std::ifstream in(file_, std::ios::binary);
    std::vector<std::pair<long, long long>> seen;
    std::pair<long, long long> p;
    while (in.read(reinterpret_cast<char*>(&p), sizeof p)) seen.push_back(p);
    close(ready_);
    close(stop_);
    std::remove(file_.c_str());
    return seen;
  }

 private:
  std::string file_;
  pid_t pid_ = -1;
  int ready_ = -1, stop_ = -1;
};

// --- relay viewers (a thread of the bench)

class Viewers : public QObject {
 public:
  Viewers(int n, int port) : n_(n), port_(port) {}
  void Open() {
    poolside::SetThreadNice(10);
    for (int i = 0; i < n_; ++i) {
      auto* ws = new QWebSocket(QString(), QWebSocketProtocol::VersionLatest, this);
      connect(ws, &QWebSocket::textMessageReceived, this, [this](const QString& m) {
        const long long now = NowNs();
        const std::string text = m.toStdString();
        if (text.rfind("{\"type\":\"state\"", 0) == 0) ++snapshots_;
        const long index = IndexOf(text);
        if (index < 0) return;
        std::lock_guard lock(mutex_);
        seen_.emplace_back(index, now);
      });
      ws->open(QUrl("ws://127.0.0.1:" + QString::number(port_) + "/ws"));
    }
  }
  int Snapshots() const { return snapshots_; }
  std::vector<std::pair<long, long long>> Seen() {
    std::lock_guard lock(mutex_);
    return seen_;
  }

 private:
  int n_, port_;
  std::atomic<int> snapshots_{0};
  std::mutex mutex_;
  std::vector<std::pair<long, long long>> seen_;
};

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

// Write -> arrival of the records [first, first + stamps.size()).
std::vector<long long> Delivery(const std::vector<std::pair<long, long long>>& seen, long first,
                                const std::vector<long long>& stamps) {
  std::vector<long long> out;
  for (const auto& [index, ns] : seen) {
    const long k = index - first;
    if (k >= 0 && k < static_cast<long>(stamps.size())) out.push_back(ns - stamps[k]);
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  long records = 300;
  long long gapNs = 20000000;
  std::vector<int> counts = {1, 1000, 10000};
  int viewers = 1000;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--records") == 0) records = std::atol(argv[i + 1]);
    if (std::strcmp(argv[i], "--gap-us") == 0) gapNs = std::atoll(argv[i + 1]) * 1000;
    if (std::strcmp(argv[i], "--viewers") == 0) viewers = std::atoi(argv[i + 1]);
    if (std::strcmp(argv[i], "--subscribers") == 0) {
      counts.clear();
      std::istringstream list(argv[i + 1]);
      for (std::string n; std::getline(list, n, ',');) counts.push_back(std::atoi(n.c_str()));
    }
  }
  poolside::RaiseDescriptorLimit();
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QCoreApplication app(argc, argv);
  const std::string folder = "/tmp/poolside-mqtt-bench-" + std::to_string(getpid());
  std::system(("mkdir -p " + folder).c_str());
  poolside::testing::TestBroker broker(folder,
                                       "allow_anonymous true\nmax_queued_messages 100000\n");
  if (!broker.Start()) {
    std::fprintf(stderr, "mosquitto did not start\n");
    return 1;
  }

  Pty pty;
  Window win(pty.device);
  std::vector<long long> handled;
  win.Start([&] { handled.push_back(NowNs()); });
  long next = 0;
  auto batch = [&](long n) {
    std::vector<std::string> lines;
    for (long i = 0; i < n; ++i) lines.push_back(LapLine(next + i));
    return lines;
  };
  std::vector<long long> stamps;
  Reception(pty, batch(20), gapNs, handled, stamps);  // warm-up
  next += 20;
  const auto alone = Reception(pty, batch(records), gapNs, handled, stamps);
  next += records;
  std::printf("records %ld per phase, one every %.1f ms; load average at start: ", records,
              gapNs / 1e6);
  std::system("cut -d' ' -f1-3 /proc/loadavg");
  Percentiles("reception, no broker (write -> handler done)", alone);

  poolside::DeskPublisherConfig config;
  config.broker.host = "127.0.0.1";
  config.broker.port = broker.Port();
  poolside::DeskPublisher desk(
      config, std::make_unique<poolside::MosquittoLink>(),
      [](const std::string& s) { std::fprintf(stderr, "%s\n", s.c_str()); });
  win.w->Feed().Attach(desk);
  std::string error;
  if (!desk.Start({}, "", error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  win.w->ShowRaceHeader();  // published now that the publisher is attached
  RunUntil([&] { return desk.Connected(); }, 5000);
  for (int n : counts) {
    SubscriberProcess subs(broker.Port(), n, "poolside/events", folder + "/seen");
    const int ready = subs.WaitReady();
    const auto loaded = Reception(pty, batch(records), gapNs, handled, stamps);
    const long first = next;
    next += records;
    RunUntil([] { return false; }, 1500);  // the last deliveries
    const auto seen = subs.Finish();
    const auto delivery = Delivery(seen, first, stamps);
    char what[96];
    std::snprintf(what, sizeof what, "reception, broker attached, %d subscribers", n);
    Percentiles(what, loaded);
    std::snprintf(what, sizeof what, "pty write -> message at %d subscribers", ready);
    Percentiles(what, delivery);
    std::printf("deliveries %zu of %zu\n", delivery.size(), size_t(n) * records);
  }

  if (viewers > 0) {
    const std::string err = folder + "/relay.err";
    const pid_t relay = fork();
    if (relay == 0) {
      const int fd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(fd, 2);
      const std::string where = "127.0.0.1:" + std::to_string(broker.Port());
      execl(POOLSIDE_BIN, POOLSIDE_BIN, "--relay", where.c_str(), "--http", "127.0.0.1:0",
            static_cast<char*>(nullptr));
      _exit(127);
    }
    int port = 0;
    const std::regex address("http://127\\.0\\.0\\.1:([0-9]+)/");
    for (int i = 0; i < 400 && port == 0; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
      std::ifstream in(err);
      std::stringstream text;
      text << in.rdbuf();
      std::smatch m;
      const std::string s = text.str();
      if (std::regex_search(s, m, address)) port = std::stoi(m[1]);
    }
    QThread thread;
    thread.start();
    Viewers group(viewers, port);
    group.moveToThread(&thread);
    QMetaObject::invokeMethod(
        &group, [&] { group.Open(); }, Qt::BlockingQueuedConnection);
    RunUntil([&] { return group.Snapshots() >= viewers; }, 120000);
    const auto loaded = Reception(pty, batch(records), gapNs, handled, stamps);
    const long first = next;
    next += records;
    RunUntil([] { return false; }, 1500);
    const auto delivery = Delivery(group.Seen(), first, stamps);
    Percentiles("reception, broker attached, relay viewers", loaded);
    char what[96];
    std::snprintf(what, sizeof what, "pty write -> message at %d relay viewers", group.Snapshots());
    Percentiles(what, delivery);
    std::printf("deliveries %zu of %zu\n", delivery.size(), size_t(viewers) * records);
    QMetaObject::invokeMethod(
        &group, [&] { group.moveToThread(app.thread()); }, Qt::BlockingQueuedConnection);
    thread.quit();
    thread.wait();
    kill(relay, SIGTERM);
    waitpid(relay, nullptr, 0);
  }
  std::printf("events dropped by the publisher: %zu queue, %zu outbox\n", desk.DroppedInputs(),
              desk.DroppedMessages());
  win.w->Feed().Detach(desk);
  desk.Stop();
  std::system(("rm -rf " + folder).c_str());
  return 0;
}
