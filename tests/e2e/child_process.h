#pragma once
// What the end-to-end tests share: a program started as a child process with
// its output in files, whole-file reads, the race number text, and the
// simulator's pseudo-terminal and the program's HTTP port read from their
// output once they are there.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/wait_for.h"

namespace e2e {

inline std::string ReadAll(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// "0007" for race 7, as in the lap and goal file names.
inline std::string RaceText(int race) {
  std::string t = std::to_string(race + 10000);
  return t.substr(t.size() - 4);
}

// A child process with its standard output and error in files; killed when
// it is still running at the end of the test. A `descriptorLimit` above 0
// lowers its soft and hard limits of open files, as `ulimit -n` does.
class Child {
 public:
  Child(const std::vector<std::string>& args, const std::filesystem::path& dir,
        const std::filesystem::path& out, const std::filesystem::path& err,
        long descriptorLimit = 0) {
    pid_ = fork();
    if (pid_ == 0) {
      if (chdir(dir.c_str()) != 0) _exit(126);
      if (descriptorLimit > 0) {
        const rlimit limit{static_cast<rlim_t>(descriptorLimit),
                           static_cast<rlim_t>(descriptorLimit)};
        if (setrlimit(RLIMIT_NOFILE, &limit) != 0) _exit(125);
      }
      int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(o, 1);
      dup2(e, 2);
      std::vector<char*> argv;
      for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child() { Kill(); }

  void Kill() {
    if (pid_ > 0 && !done_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
      done_ = true;
    }
  }
  // Exit status (128 + signal when killed), or -1 when the child did not end
  // within `seconds`.
  int Wait(int seconds) {
    int status = 0;
    const bool ended = poolside::testing::WaitFor(
        [&] { return waitpid(pid_, &status, WNOHANG) == pid_; }, std::chrono::seconds(seconds));
    if (!ended) return -1;
    done_ = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  pid_t Pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  bool done_ = false;
};

// The pseudo-terminal the console simulator names on its first output line
// (its `out` file); empty when it has not within 10 s.
inline std::string SimulatorPty(const std::filesystem::path& out) {
  std::string pty;
  poolside::testing::WaitFor([&] {
    std::istringstream(ReadAll(out)) >> pty;
    return !pty.empty();
  });
  return pty;
}

// The port of the "http://127.0.0.1:PORT/" the program says on its standard
// error (`err`); 0 when it has not within 10 s.
inline int HttpPort(const std::filesystem::path& err) {
  const std::string address = "http://127.0.0.1:";
  int port = 0;
  poolside::testing::WaitFor([&] {
    const std::string text = ReadAll(err);
    const auto at = text.find(address);
    if (at != std::string::npos) port = std::atoi(text.c_str() + at + address.size());
    return port != 0;
  });
  return port;
}

}  // namespace e2e
