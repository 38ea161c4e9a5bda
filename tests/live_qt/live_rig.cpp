#include "live_qt/live_rig.h"

#include <arpa/inet.h>
#include <malloc.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QTcpSocket>

#include <cerrno>
#include <chrono>
#include <fstream>

#if defined(__SANITIZE_ADDRESS__)
// AddressSanitizer's own count of the bytes allocated and not freed.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

#include "meetdata/competition_record.h"

namespace poolside::live_rig {

QCoreApplication& App() {
  static int argc = 1;
  static char name[] = "test_live_qt";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
  return app;
}

bool SpinUntil(const std::function<bool()>& done, int ms) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

Reply Request(int port, const std::string& text) {
  QTcpSocket s;
  s.connectToHost("127.0.0.1", static_cast<quint16>(port));
  if (!s.waitForConnected(3000)) return {};
  s.write(QByteArray::fromStdString(text));
  QByteArray data;
  Reply r;
  SpinUntil(
      [&] {
        data += s.readAll();
        const auto end = data.indexOf("\r\n\r\n");
        if (end >= 0) {
          const QByteArray head = data.left(end).toLower();
          const auto at = head.indexOf("content-length:");
          if (at >= 0) {
            const int length =
                head.mid(at + 15, head.indexOf("\r\n", at) - at - 15).trimmed().toInt();
            if (data.size() >= end + 4 + length) return true;
          }
        }
        return s.state() == QAbstractSocket::UnconnectedState;
      },
      5000);
  data += s.readAll();
  const auto end = data.indexOf("\r\n\r\n");
  if (data.startsWith("HTTP/1.1 ")) r.status = data.mid(9, 3).toInt();
  r.head = data.left(end).toStdString();
  r.body = end < 0 ? std::string() : data.mid(end + 4).toStdString();
  return r;
}

Reply Get(int port, const std::string& path) {
  return Request(port, "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
}

int RawConnect(int port, const char* from) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
  if (fd < 0) return -1;
  sockaddr_in source{};
  source.sin_family = AF_INET;
  inet_pton(AF_INET, from, &source.sin_addr);
  bind(fd, reinterpret_cast<sockaddr*>(&source), sizeof source);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<std::uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 && errno != EINPROGRESS) {
    ::close(fd);
    return -1;
  }
  return fd;
}

bool ClosedByServer(int fd) {
  char buf[4096];
  for (;;) {
    const ssize_t n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
    if (n == 0) return true;
    if (n < 0) return errno != EAGAIN && errno != EWOULDBLOCK && errno != ENOTCONN;
  }
}

long ResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string word;
  long kib = 0;
  while (status >> word) {
    if (word == "VmRSS:") status >> kib;
  }
  return kib;
}

long long HeapBytes() {
#if defined(__SANITIZE_ADDRESS__)
  return static_cast<long long>(__sanitizer_get_current_allocated_bytes());
#else
  return static_cast<long long>(mallinfo2().uordblks);
#endif
}

Reply RequestFrom(int port, const char* from, const std::string& text) {
  Reply r;
  const int fd = RawConnect(port, from);
  if (fd < 0) return r;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  auto left = [&] {
    return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                deadline - std::chrono::steady_clock::now())
                                .count());
  };
  pollfd p{fd, POLLOUT, 0};
  std::string data;
  if (::poll(&p, 1, std::max(0, left())) > 0 &&
      ::send(fd, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size())) {
    char buf[65536];
    p.events = POLLIN;
    while (left() > 0 && ::poll(&p, 1, std::max(0, left())) > 0) {
      const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
      if (n <= 0) break;
      data.append(buf, static_cast<std::size_t>(n));
      const auto end = data.find("\r\n\r\n");
      const auto at = data.find("Content-Length: ");
      if (end != std::string::npos && at != std::string::npos && at < end &&
          data.size() >= end + 4 + std::stoul(data.substr(at + 16))) {
        break;
      }
    }
  }
  ::close(fd);
  if (data.starts_with("HTTP/1.1 ")) r.status = std::stoi(data.substr(9, 3));
  const auto end = data.find("\r\n\r\n");
  r.head = data.substr(0, end);
  r.body = end == std::string::npos ? std::string() : data.substr(end + 4);
  return r;
}

const std::string kUpgrade =
    "GET /ws HTTP/1.1\r\nHost: x\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
    "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n";

std::string MaskedPing(int payload) {
  std::string ping = "\x89";
  ping.push_back(static_cast<char>(0x80 | payload));
  ping += std::string("\x01\x02\x03\x04", 4);
  for (int i = 0; i < payload; ++i) ping.push_back(static_cast<char>('p' ^ (1 + i % 4)));
  return ping;
}

void LiveServerTest::SetUp() {
  App();
  dir.MakeDir("lap");
  dir.MakeDir("goal");
  CompetitionRecord heat;
  heat.ProgramNo = 4;
  heat.HeatNo = 1;
  heat.HeatCount = 1;
  heat.SexCode = "1";
  heat.EventCode = 3;
  heat.RoundCode = "1";
  heat.EntryNo = {0, 11, 12};
  std::string meet(10 * kMeetRecordLength, '\0');
  meet[0] = 2;
  for (int i = 0; i < 2; ++i) {
    const Bytes record = EncodeCompetitionRecord(heat, "093000");
    meet.append(record.begin(), record.end());
  }
  dir.Write("taikai.dat", meet);
  dir.Write("Race.dat", "61");
  dir.Write("goal/g0001",
            " 0 , 888888 , 1 , 5999 , 2 , 10234 , 0 , 888888 , 0 , 888888 , 0 , 888888 ,"
            " 0 , 888888 , 0 , 888888 , 0 , 888888 , 0 , 888888 ,");
  dir.Write("lap/r0001", " 2 ,   29.50,L, 2 ,<script>alert(\"x\")</script>&',G,");
}

void LiveServerTest::Start(int maxConnections, int maxPerAddress, PublicNames names) {
  LiveServerConfig config;
  config.address = "127.0.0.1";
  config.port = 0;
  config.maxConnections = maxConnections;
  config.maxPerAddress = maxPerAddress;
  // A race's result from the result's owner, as on the desk.
  results.SetFolder({PathMapper{}, dir.Path() + "/", MeetSettings{}, dir.File("export/desk.json")});
  config.publicNames = names;
  config.results = [this, names](int race) { return PublicView(results.ResultOf(race), names); };
  config.standings = [this, names](int program) {
    return PublicStandings(results.StandingsOf(program), names);
  };
  config.entries = [this] { return results.Entries(); };
  server = std::make_unique<LiveServer>(config);
  std::string error;
  ASSERT_TRUE(server->Start(dir.Path() + "/", MeetSettings{}, error)) << error;
  port = server->Port();
}

std::unique_ptr<QWebSocket> LiveServerTest::Connect(std::vector<QJsonObject>& messages) {
  auto ws = std::make_unique<QWebSocket>();
  QObject::connect(ws.get(), &QWebSocket::textMessageReceived, [&messages](const QString& m) {
    messages.push_back(QJsonDocument::fromJson(m.toUtf8()).object());
  });
  ws->open(QUrl("ws://127.0.0.1:" + QString::number(port) + "/ws"));
  return ws;
}

}  // namespace poolside::live_rig
