#include "platform/file_system.h"

#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace poolside {

bool PathExists(const std::string& nativePath) {
  struct stat st;
  return ::stat(nativePath.c_str(), &st) == 0;
}

FolderMade MakeFolder(const std::string& nativePath) {
  FolderMade out;
  if (::mkdir(nativePath.c_str(), 0777) == 0 || errno == EEXIST) {
    struct stat st;
    out.ok = ::stat(nativePath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    out.notAFolder = !out.ok;
    return out;
  }
  out.error = errno;
  return out;
}

bool MakeUniqueFolder(std::string& pattern) { return ::mkdtemp(pattern.data()) != nullptr; }

bool AccessDenied(const std::string& device) {
  return ::access(device.c_str(), R_OK | W_OK) != 0 && errno == EACCES;
}

long ProcessId() { return static_cast<long>(::getpid()); }

bool ProcessAlive(long pid) {
  if (pid <= 0) return false;
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

std::string HostName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "?";
  return name;
}

std::string UserName() {
  if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_name && pw->pw_name[0]) {
    return pw->pw_name;
  }
  const char* user = std::getenv("USER");
  return user && *user ? user : "?";
}

}  // namespace poolside
