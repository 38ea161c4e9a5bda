#include "platform/os_calls.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace poolside {

namespace {
int RealOpen(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }

int RealFstat(int fd, struct stat* st) { return ::fstat(fd, st); }

const OsCalls kReal{&RealOpen, &::pread, &::pwrite, &::write,  &::fsync,
                    &::rename, &::close, &::read,   &RealFstat};
OsCalls g_calls = kReal;
}  // namespace

OsCalls& Os() { return g_calls; }
const OsCalls& RealOs() { return kReal; }

int CreateToAppend(const char* path) {
  int fd;
  do {
    fd = Os().open(path, O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0644);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

}  // namespace poolside
