#include "platform/file_system.h"

#include <fcntl.h>
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

bool FileExists(const std::string& nativePath) {
  struct stat st;
  return ::stat(nativePath.c_str(), &st) == 0 && S_ISREG(st.st_mode);
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

int CreateFileBeside(const std::string& nativePath, std::string& tmpPath) {
  const auto slash = nativePath.rfind('/');
  const std::string dir =
      slash == std::string::npos ? "." : (slash == 0 ? "/" : nativePath.substr(0, slash));
  const std::string name = slash == std::string::npos ? nativePath : nativePath.substr(slash + 1);
  tmpPath = dir + "/." + name + ".XXXXXX";
  const int fd = ::mkostemp(tmpPath.data(), O_CLOEXEC);
  if (fd < 0) return -1;
  // The new file keeps the permissions of the one it replaces, so that the
  // other programs sharing the folder can still write it.
  struct stat old;
  ::fchmod(fd, ::stat(nativePath.c_str(), &old) == 0 ? (old.st_mode & 0777) : 0644);
  return fd;
}

bool RemoveFile(const std::string& nativePath) { return ::unlink(nativePath.c_str()) == 0; }

void SyncFolderOf(const std::string& nativePath) {
  const auto slash = nativePath.rfind('/');
  const std::string dir =
      slash == std::string::npos ? "." : (slash == 0 ? "/" : nativePath.substr(0, slash));
  const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
}

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
