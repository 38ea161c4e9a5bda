#pragma once
// The operating-system calls the file layer makes, in one table so that tests
// can inject faults the file system will not produce on demand (short
// writes, EINTR, ENOSPC, a failing rename, a failing read). The calls
// keep their POSIX meaning on every system: on Windows (win32/os_calls.cpp)
// a descriptor is the runtime's number of a handle, paths are UTF-8 and
// reach the system as UTF-16, failures set errno.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#ifdef _WIN32
// The open flags the Windows runtime lacks, as win32/os_calls.cpp reads
// them: no handle is inherited by a child, no open waits or takes a
// terminal, O_NOFOLLOW refuses a link (a reparse point), O_DIRECTORY opens
// a folder.
#define O_CLOEXEC _O_NOINHERIT
#define O_NONBLOCK 0
#define O_NOCTTY 0
#define O_NOFOLLOW 0x100000
#define O_DIRECTORY 0x200000
#endif

namespace poolside {

struct OsCalls {
  int (*open)(const char* path, int flags, mode_t mode);
  ssize_t (*pread)(int fd, void* buf, size_t n, off_t offset);
  ssize_t (*pwrite)(int fd, const void* buf, size_t n, off_t offset);
  ssize_t (*write)(int fd, const void* buf, size_t n);
  int (*fsync)(int fd);
  int (*rename)(const char* from, const char* to);
  int (*close)(int fd);
  ssize_t (*read)(int fd, void* buf, size_t n);
  int (*fstat)(int fd, struct stat* st);
};

// The table in use; starts with the real calls.
OsCalls& Os();
// The real calls, for tests that restore or wrap them.
const OsCalls& RealOs();

// Creates `path`, which must not exist yet, to append to (mode 0644), through
// Os().open, retrying an interrupted call. The descriptor, or -1 with errno
// set (EEXIST when the name is taken).
int CreateToAppend(const char* path);

}  // namespace poolside
