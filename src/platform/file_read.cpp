#include "platform/file_read.h"

#include <algorithm>
#include <cerrno>

#include "platform/os_calls.h"

namespace poolside {

FileRead ReadFileBounded(const std::string& nativePath, const FileReadOptions& options) {
  FileRead out;
  int flags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
  if (options.noFollow) flags |= O_NOFOLLOW;
  int fd;
  do {
    fd = Os().open(nativePath.c_str(), flags, 0);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    out.error = errno;
    out.outcome = out.error == ENOENT ? FileReadOutcome::Missing : FileReadOutcome::Failed;
    return out;
  }
  out.opened = true;
  auto finish = [&](FileReadOutcome outcome, int error) {
    Os().close(fd);
    out.outcome = outcome;
    out.error = error;
    if (outcome != FileReadOutcome::Ok) out.bytes.clear();
    return out;
  };
  struct stat st {};
  if (Os().fstat(fd, &st) != 0) return finish(FileReadOutcome::Failed, errno);
  out.described = true;
  out.size = static_cast<std::uint64_t>(st.st_size);
  out.permissions = static_cast<unsigned>(st.st_mode & 07777);
  out.ownerOnly = (st.st_mode & (S_IRWXG | S_IRWXO)) == 0;
  out.modified = static_cast<std::int64_t>(st.st_mtime);
  if (options.regularOnly && !S_ISREG(st.st_mode)) return finish(FileReadOutcome::NotAFile, 0);
  if (!options.prefix && out.size > options.maxBytes) return finish(FileReadOutcome::TooLarge, 0);
  char buf[65536];
  for (;;) {
    std::size_t want = sizeof buf;
    if (options.prefix) {
      if (out.bytes.size() >= options.maxBytes) break;
      want = std::min(want, options.maxBytes - out.bytes.size());
    }
    const ssize_t n = Os().read(fd, buf, want);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return finish(FileReadOutcome::Failed, errno);
    if (n == 0) break;
    out.bytes.append(buf, static_cast<std::size_t>(n));
    // A file that grew while it was read.
    if (!options.prefix && out.bytes.size() > options.maxBytes) {
      return finish(FileReadOutcome::TooLarge, 0);
    }
  }
  return finish(FileReadOutcome::Ok, 0);
}

}  // namespace poolside
