#pragma once
// A real Mosquitto broker for a test: started on a free loopback port with
// a configuration the test writes, killed with SIGKILL or stopped at the
// end. Its port stays the same across a restart.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <string>

#include "support/wait_for.h"

namespace poolside::testing {

// A port that was free on 127.0.0.1 a moment ago.
inline int FreeLoopbackPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t n = sizeof a;
  getsockname(fd, reinterpret_cast<sockaddr*>(&a), &n);
  close(fd);
  return ntohs(a.sin_port);
}

inline bool Accepts(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  close(fd);
  return ok;
}

class TestBroker {
 public:
  // `extra` is added to the configuration (listener, log and persistence
  // lines are written here). `folder` holds the configuration and the log.
  TestBroker(std::string folder, std::string extra = "allow_anonymous true\n")
      : folder_(std::move(folder)), extra_(std::move(extra)), port_(FreeLoopbackPort()) {}
  ~TestBroker() { Kill(); }
  TestBroker(const TestBroker&) = delete;
  TestBroker& operator=(const TestBroker&) = delete;

  int Port() const { return port_; }
  std::string Log() const { return folder_ + "/mosquitto.log"; }

  // False when it does not accept connections within 5 s.
  bool Start() {
    const std::string config = folder_ + "/mosquitto.conf";
    std::ofstream(config) << "listener " << port_ << " 127.0.0.1\n"
                          << "log_dest file " << Log() << "\n"
                          << "log_type error\nlog_type warning\nlog_type notice\n"
                          // The subscriptions and the saves of the database, for
                          // Logged and SavedAfter.
                          << "log_type information\nlog_type subscribe\n"
                          << "user root\n"  // no effect unless started as root
                          << extra_;
    pid_ = fork();
    if (pid_ == 0) {
      const int null = open("/dev/null", O_WRONLY);
      dup2(null, 1);
      dup2(null, 2);
      execlp("mosquitto", "mosquitto", "-c", config.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    bool ended = false;
    const bool up = WaitFor(
        [&] {
          int status = 0;
          ended = waitpid(pid_, &status, WNOHANG) == pid_;
          return ended || Accepts(port_);
        },
        std::chrono::seconds(5));
    if (ended) pid_ = -1;
    return up && !ended;
  }
  // A line of the log holds `text` (a subscription is logged as
  // "CLIENT QOS TOPIC").
  bool Logged(const std::string& text) const { return ReadLog().find(text) != std::string::npos; }
  // With persistence on, the broker has written its database after the first
  // line holding `text`: what that line tells survives a kill.
  bool SavedAfter(const std::string& text) const {
    const std::string log = ReadLog();
    const auto at = log.find(text);
    return at != std::string::npos &&
           log.find("Saving in-memory database", at) != std::string::npos;
  }
  void Kill() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  std::string ReadLog() const {
    std::ifstream in(Log());
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  std::string folder_;
  std::string extra_;
  int port_;
  pid_t pid_ = -1;
};

}  // namespace poolside::testing
