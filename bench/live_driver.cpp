// Lean viewers of the live pages for the benchmark: one process, one epoll
// thread, thousands of WebSocket clients and no parsing beyond finding a
// lane message's time, so that the figures measure the server rather than
// its clients.
//
//   live_driver --port P --viewers N [--host 127.0.0.1] [--addresses K] --out FILE
//               [--ping BYTES]
//
// Viewer i connects from the loopback source address 127.0.0.(2 + i % K)
// (K default 200), as viewers come from many machines. Once every viewer
// has its snapshot (or 60 s have passed) it prints "ready R" on standard
// output; it then stamps every lane message (CLOCK_MONOTONIC) until its
// standard input ends, writes the pairs (record index as int32, time in
// ns as int64) to FILE and prints "lost L" (viewers closed by the server).
// The record index is the lane time in hundredths minus 100, as the pty
// benchmarks write their lap records.
//
// With --ping the viewers are hostile instead: once upgraded they never
// read (a 4 KiB receive buffer) and send masked pings of BYTES payload (0
// to 125) as fast as the server takes them until standard input ends; "lost
// L" then counts those the server closed.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

long long NowNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

struct Viewer {
  int fd = -1;
  enum { Connecting, Upgrading, Open, Closed } state = Connecting;
  bool snapshot = false;
  std::string in;
};

// The record index from a lane message's time text ("  1:02.34"), or -1.
long IndexOf(std::string_view m) {
  if (m.find("\"type\":\"lane\"") == std::string_view::npos) return -1;
  const auto at = m.find("\"time\":\"");
  if (at == std::string_view::npos) return -1;
  const std::string_view t = m.substr(at + 8, 8);
  long minutes = 0, seconds = 0, hundredths = 0, *field = &seconds;
  bool digits = false;
  for (char c : t) {
    if (c >= '0' && c <= '9') {
      *field = *field * 10 + (c - '0');
      digits = true;
    } else if (c == ':') {
      minutes = seconds;
      seconds = 0;
    } else if (c == '.') {
      field = &hundredths;
    }
  }
  if (!digits) return -1;
  return (minutes * 60 + seconds) * 100 + hundredths - 100;
}

struct Sample {
  std::int32_t index;
  std::int64_t ns;
};

}  // namespace

int main(int argc, char** argv) {
  std::string host = "127.0.0.1", out;
  int port = 0, viewers = 1, addresses = 200, ping = -1;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string a = argv[i];
    if (a == "--port") port = std::atoi(argv[i + 1]);
    if (a == "--viewers") viewers = std::atoi(argv[i + 1]);
    if (a == "--host") host = argv[i + 1];
    if (a == "--addresses") addresses = std::max(1, std::atoi(argv[i + 1]));
    if (a == "--out") out = argv[i + 1];
    if (a == "--ping") ping = std::min(std::atoi(argv[i + 1]), 125);  // below 0: no pings
  }
  if (port <= 0 || out.empty()) {
    std::fprintf(stderr, "usage: live_driver --port P --viewers N --out FILE\n");
    return 2;
  }
  rlimit limit{};
  getrlimit(RLIMIT_NOFILE, &limit);
  limit.rlim_cur = limit.rlim_max;
  setrlimit(RLIMIT_NOFILE, &limit);

  const int ep = epoll_create1(0);
  std::vector<Viewer> group(static_cast<std::size_t>(viewers));
  sockaddr_in server{};
  server.sin_family = AF_INET;
  server.sin_port = htons(static_cast<std::uint16_t>(port));
  inet_pton(AF_INET, host.c_str(), &server.sin_addr);
  const std::string request =
      "GET /ws HTTP/1.1\r\nHost: " + host + ":" + std::to_string(port) +
      "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
      "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n";

  // Connects at most this many at once, so the listen backlog never
  // overflows and no connection waits for a SYN retry.
  constexpr int kInFlight = 64;
  int next = 0, inFlight = 0, ready = 0, lost = 0;
  auto connectNext = [&] {
    while (next < viewers && inFlight < kInFlight) {
      Viewer& v = group[static_cast<std::size_t>(next)];
      v.fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
      int one = 1;
      setsockopt(v.fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      if (ping >= 0) {
        int small = 4096;
        setsockopt(v.fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
      }
      sockaddr_in from{};
      from.sin_family = AF_INET;
      from.sin_addr.s_addr = htonl((127u << 24) | static_cast<std::uint32_t>(2 + next % addresses));
      if (bind(v.fd, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0) std::perror("bind");
      ::connect(v.fd, reinterpret_cast<sockaddr*>(&server), sizeof server);
      epoll_event e{};
      e.events = EPOLLIN | EPOLLOUT;
      e.data.u32 = static_cast<std::uint32_t>(next);
      epoll_ctl(ep, EPOLL_CTL_ADD, v.fd, &e);
      ++next;
      ++inFlight;
    }
  };
  auto close = [&](Viewer& v) {
    if (v.state == Viewer::Closed) return;
    if (v.state != Viewer::Open) --inFlight;
    if (v.state == Viewer::Open) ++lost;
    v.state = Viewer::Closed;
    epoll_ctl(ep, EPOLL_CTL_DEL, v.fd, nullptr);
    ::close(v.fd);
  };

  // A batch of masked pings, written again and again by pinging viewers.
  std::string pings;
  for (int k = 0; ping >= 0 && k < 256; ++k) {
    pings += "\x89";
    pings.push_back(static_cast<char>(0x80 | ping));
    pings += "\x01\x02\x03\x04";
    for (int b = 0; b < ping; ++b) pings.push_back(static_cast<char>('p' ^ (1 + b % 4)));
  }
  std::vector<Sample> samples;
  samples.reserve(4u << 20);
  bool stamping = false, done = false;
  epoll_event in{};
  in.events = EPOLLIN;
  in.data.u32 = UINT32_MAX;
  epoll_ctl(ep, EPOLL_CTL_ADD, 0, &in);
  const long long deadline = NowNs() + 60'000'000'000LL;
  connectNext();
  std::vector<epoll_event> events(1024);
  char buf[65536];
  while (!done) {
    if (!stamping && (ready + lost >= viewers || NowNs() > deadline)) {
      std::printf("ready %d\n", ready);
      std::fflush(stdout);
      stamping = true;
    }
    const int n = epoll_wait(ep, events.data(), static_cast<int>(events.size()), 100);
    const long long now = NowNs();
    for (int k = 0; k < n; ++k) {
      const std::uint32_t id = events[k].data.u32;
      if (id == UINT32_MAX) {
        if (read(0, buf, sizeof buf) <= 0) done = true;
        continue;
      }
      Viewer& v = group[id];
      if (v.state == Viewer::Connecting && (events[k].events & EPOLLOUT)) {
        int error = 0;
        socklen_t size = sizeof error;
        getsockopt(v.fd, SOL_SOCKET, SO_ERROR, &error, &size);
        if (error != 0 ||
            write(v.fd, request.data(), request.size()) != static_cast<ssize_t>(request.size())) {
          close(v);
          continue;
        }
        v.state = Viewer::Upgrading;
        epoll_event e{};
        e.events = EPOLLIN;
        e.data.u32 = id;
        epoll_ctl(ep, EPOLL_CTL_MOD, v.fd, &e);
        continue;
      }
      if (ping >= 0 && v.state == Viewer::Open) {
        // Pings while the server takes them; closed once it closes.
        if (stamping && send(v.fd, pings.data(), pings.size(), MSG_NOSIGNAL) < 0 &&
            errno != EAGAIN && errno != EINTR) {
          close(v);
        }
        continue;
      }
      if (!(events[k].events & (EPOLLIN | EPOLLHUP | EPOLLERR))) continue;
      for (;;) {
        const ssize_t got = read(v.fd, buf, sizeof buf);
        if (got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR)) {
          close(v);
          break;
        }
        if (got < 0) break;
        v.in.append(buf, static_cast<std::size_t>(got));
      }
      if (v.state == Viewer::Upgrading) {
        const auto end = v.in.find("\r\n\r\n");
        if (end == std::string::npos) continue;
        if (v.in.compare(0, 12, "HTTP/1.1 101") != 0) {
          close(v);
          continue;
        }
        v.in.erase(0, end + 4);
        v.state = Viewer::Open;
        --inFlight;
        if (ping >= 0) {
          // From now on only written to: the server's answers stay unread.
          ++ready;
          epoll_event e{};
          e.events = EPOLLOUT;
          e.data.u32 = id;
          epoll_ctl(ep, EPOLL_CTL_MOD, v.fd, &e);
          continue;
        }
      }
      if (v.state != Viewer::Open) continue;
      // Whole frames: an unmasked header, 7, 16 or 64 bits of length.
      std::size_t at = 0;
      while (v.in.size() - at >= 2) {
        const auto* h = reinterpret_cast<const unsigned char*>(v.in.data() + at);
        std::uint64_t length = h[1] & 0x7f;
        std::size_t head = 2;
        if (length == 126) {
          if (v.in.size() - at < 4) break;
          length = (std::uint64_t{h[2]} << 8) | h[3];
          head = 4;
        } else if (length == 127) {
          if (v.in.size() - at < 10) break;
          length = 0;
          for (int b = 0; b < 8; ++b) length = (length << 8) | h[2 + b];
          head = 10;
        }
        if (v.in.size() - at < head + length) break;
        const std::string_view payload(v.in.data() + at + head, length);
        if ((h[0] & 0x0f) == 1) {
          if (!v.snapshot) {
            v.snapshot = true;
            ++ready;
          } else if (stamping) {
            const long index = IndexOf(payload);
            if (index >= 0) samples.push_back({static_cast<std::int32_t>(index), now});
          }
        }
        at += head + length;
      }
      v.in.erase(0, at);
    }
    connectNext();
  }
  FILE* f = std::fopen(out.c_str(), "wb");
  if (!f) {
    std::perror(out.c_str());
    return 1;
  }
  for (const Sample& s : samples) {
    std::fwrite(&s.index, sizeof s.index, 1, f);
    std::fwrite(&s.ns, sizeof s.ns, 1, f);
  }
  std::fclose(f);
  std::printf("lost %d\n", lost);
  return 0;
}
