#include "mqtt/credentials.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace poolside {

namespace {

constexpr std::size_t kMaxAuthFile = 4096;

std::string Cause(int err) { return std::strerror(err); }

// Reads the whole of a small regular file through `fd`.
bool ReadSmall(int fd, std::string& text) {
  char buffer[1024];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    text.append(buffer, static_cast<std::size_t>(n));
    if (text.size() > kMaxAuthFile) {
      errno = EFBIG;
      return false;
    }
  }
}

std::string Line(const std::string& text, std::size_t& at) {
  std::size_t end = text.find('\n', at);
  if (end == std::string::npos) end = text.size();
  std::string line = text.substr(at, end - at);
  at = end < text.size() ? end + 1 : end;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace

bool ReadCredentials(const std::string& path, MqttCredentials& out, std::string& error) {
  const std::string what = "MQTT の認証ファイル " + path;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) {
    error = what + " を読めません: " + Cause(errno);
    return false;
  }
  struct stat st {};
  std::string text;
  bool ok = fstat(fd, &st) == 0;
  if (!ok) {
    error = what + " を読めません: " + Cause(errno);
  } else if (!S_ISREG(st.st_mode)) {
    error = what + " は通常のファイルではありません";
    ok = false;
  } else if ((st.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
    error = what + " は本人以外も読み書きできます (mode " + mode + "): chmod 600 " + path +
            " としてください";
    ok = false;
  } else if (!ReadSmall(fd, text)) {
    error = what + " を読めません: " + Cause(errno);
    ok = false;
  }
  close(fd);
  if (!ok) return false;
  std::size_t at = 0;
  MqttCredentials c;
  c.user = Line(text, at);
  c.password = Line(text, at);
  if (c.user.empty()) {
    error = what + " の 1 行目にユーザー名がありません";
    return false;
  }
  out = std::move(c);
  return true;
}

bool CheckCaFile(const std::string& path, std::string& error) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = "MQTT の CA ファイル " + path + " を読めません: " + Cause(errno);
    return false;
  }
  struct stat st {};
  const bool regular = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  close(fd);
  if (!regular) {
    error = "MQTT の CA ファイル " + path + " は通常のファイルではありません";
    return false;
  }
  return true;
}

}  // namespace poolside
