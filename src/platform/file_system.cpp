#include "platform/file_system.h"

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

}  // namespace poolside
