#include "platform/record_file.h"

#include <cerrno>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/os_calls.h"

namespace poolside {

namespace {

std::string Cause(int err) { return std::strerror(err); }

[[noreturn]] void Fail(const char* what, const std::string& path, int err) {
  throw IoError(std::string(what) + ": " + path + " (" + Cause(err) + ")");
}

// Writes all of [data, data + n) at `offset` (or at the file position when
// offset < 0), retrying interrupted and short writes.
void WriteAll(int fd, const std::uint8_t* data, std::size_t n, off_t offset,
              const std::string& path) {
  std::size_t done = 0;
  while (done < n) {
    ssize_t w = offset >= 0
                    ? Os().pwrite(fd, data + done, n - done, offset + static_cast<off_t>(done))
                    : Os().write(fd, data + done, n - done);
    if (w < 0) {
      if (errno == EINTR) continue;
      Fail("ファイルに書き込めません", path, errno);
    }
    if (w == 0) Fail("ファイルに書き込めません", path, ENOSPC);
    done += static_cast<std::size_t>(w);
  }
}

// Byte offset of record k, checked so that a wild record number is reported
// instead of wrapping around to some other record.
off_t RecordOffset(std::int64_t k, std::size_t length, const std::string& path) {
  constexpr std::int64_t kMax = std::numeric_limits<off_t>::max();
  if (k < 1 || (length > 0 && k - 1 > (kMax - static_cast<std::int64_t>(length)) /
                                          static_cast<std::int64_t>(length)))
    throw IoError("レコード番号が正しくありません: " + path + " (" + std::to_string(k) + ")");
  return static_cast<off_t>((k - 1) * static_cast<std::int64_t>(length));
}

}  // namespace

RecordFile::~RecordFile() { Close(); }

RecordFile::RecordFile(RecordFile&& o) noexcept
    : fd_(std::exchange(o.fd_, -1)), recordLength_(o.recordLength_), path_(std::move(o.path_)) {}

RecordFile& RecordFile::operator=(RecordFile&& o) noexcept {
  if (this != &o) {
    Close();
    fd_ = std::exchange(o.fd_, -1);
    recordLength_ = o.recordLength_;
    path_ = std::move(o.path_);
  }
  return *this;
}

void RecordFile::Open(const std::string& nativePath, std::size_t recordLength) {
  Close();
  int fd;
  do {
    fd = Os().open(nativePath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) Fail("ファイルを開けません", nativePath, errno);
  fd_ = fd;
  recordLength_ = recordLength;
  path_ = nativePath;
}

void RecordFile::Close() {
  if (fd_ >= 0) Os().close(fd_);
  fd_ = -1;
}

std::uint64_t RecordFile::Length() const {
  struct stat st;
  if (fd_ < 0 || RealOs().fstat(fd_, &st) != 0)
    Fail("ファイルを読めません", path_, fd_ < 0 ? EBADF : errno);
  return static_cast<std::uint64_t>(st.st_size);
}

Bytes RecordFile::Read(std::int64_t k) const {
  if (fd_ < 0) Fail("ファイルを読めません", path_, EBADF);
  off_t offset = RecordOffset(k, recordLength_, path_);
  Bytes out(recordLength_, 0);
  std::size_t done = 0;
  while (done < recordLength_) {
    ssize_t r =
        Os().pread(fd_, out.data() + done, recordLength_ - done, offset + static_cast<off_t>(done));
    if (r < 0) {
      if (errno == EINTR) continue;
      Fail("ファイルを読めません", path_, errno);
    }
    if (r == 0) break;  // past the end: the rest stays zero
    done += static_cast<std::size_t>(r);
  }
  return out;
}

void RecordFile::Write(std::int64_t k, const Bytes& record) {
  if (fd_ < 0) Fail("ファイルに書き込めません", path_, EBADF);
  off_t offset = RecordOffset(k, recordLength_, path_);
  if (record.size() != recordLength_) throw IoError("レコード長が正しくありません: " + path_);
  WriteAll(fd_, record.data(), record.size(), offset, path_);
}

namespace {

// Writes `content` to a new file beside `nativePath` and flushes it to the
// disk; returns its name. Throws IoError (nothing left behind).
std::string Stage(const std::string& nativePath, const std::string& content) {
  std::string tmp;
  int fd = CreateFileBeside(nativePath, tmp);
  if (fd < 0) Fail("ファイルに書き込めません", nativePath, errno);
  try {
    WriteAll(fd, reinterpret_cast<const std::uint8_t*>(content.data()), content.size(), 0,
             nativePath);
    if (Os().fsync(fd) != 0) Fail("ファイルに書き込めません", nativePath, errno);
    if (Os().close(fd) != 0) {
      fd = -1;
      Fail("ファイルに書き込めません", nativePath, errno);
    }
  } catch (...) {
    if (fd >= 0) Os().close(fd);
    RemoveFile(tmp);
    throw;
  }
  return tmp;
}

// Renames the staged file over `nativePath` and makes the rename durable.
void Commit(const std::string& tmp, const std::string& nativePath) {
  if (Os().rename(tmp.c_str(), nativePath.c_str()) != 0) {
    const int err = errno;
    RemoveFile(tmp);
    Fail("ファイルを置き換えられません", nativePath, err);
  }
  SyncFolderOf(nativePath);
}

}  // namespace

void ReplaceFileAtomically(const std::string& nativePath, const std::string& content) {
  Commit(Stage(nativePath, content), nativePath);
}

void ReplaceFilesTogether(const std::vector<std::pair<std::string, std::string>>& files) {
  std::vector<std::string> staged;
  try {
    for (const auto& [path, content] : files) staged.push_back(Stage(path, content));
  } catch (...) {
    for (const std::string& tmp : staged) RemoveFile(tmp);
    throw;
  }
  for (std::size_t i = 0; i < files.size(); ++i) {
    try {
      Commit(staged[i], files[i].first);
    } catch (...) {
      for (std::size_t j = i + 1; j < staged.size(); ++j) RemoveFile(staged[j]);
      throw;
    }
  }
}

bool CreateFileExclusively(const std::string& nativePath, const std::string& content) {
  int fd;
  do {
    fd = Os().open(nativePath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0 && errno == EEXIST) return false;
  if (fd < 0) Fail("ファイルを作れません", nativePath, errno);
  try {
    WriteAll(fd, reinterpret_cast<const std::uint8_t*>(content.data()), content.size(), 0,
             nativePath);
    if (Os().fsync(fd) != 0) Fail("ファイルに書き込めません", nativePath, errno);
  } catch (...) {
    Os().close(fd);
    RemoveFile(nativePath);
    throw;
  }
  if (Os().close(fd) != 0) {
    const int err = errno;
    RemoveFile(nativePath);
    Fail("ファイルに書き込めません", nativePath, err);
  }
  return true;
}

bool RemoveFileDurably(const std::string& nativePath) {
  if (!RemoveFile(nativePath)) return errno == ENOENT;
  SyncFolderOf(nativePath);
  return true;
}

std::string ReadWholeFile(const std::string& nativePath, std::size_t maxBytes) {
  const OsCalls& os = RealOs();
  int fd;
  do {
    fd = os.open(nativePath.c_str(), O_RDONLY | O_CLOEXEC, 0);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) Fail("ファイルを開けません", nativePath, errno);
  auto tooLarge = [&] {
    os.close(fd);
    throw IoError("ファイルが大きすぎます: " + nativePath + " (上限 " + std::to_string(maxBytes) +
                  " バイト)");
  };
  struct stat st {};
  if (os.fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
      static_cast<std::uint64_t>(st.st_size) > maxBytes) {
    tooLarge();
  }
  std::string s;
  char buf[65536];
  for (;;) {
    ssize_t r = os.read(fd, buf, sizeof buf);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) {
      int err = errno;  // a folder fails here with EISDIR
      os.close(fd);
      Fail("ファイルを読めません", nativePath, err);
    }
    if (r == 0) break;
    if (s.size() + static_cast<std::size_t>(r) > maxBytes) tooLarge();  // grew while read
    s.append(buf, static_cast<std::size_t>(r));
  }
  os.close(fd);
  return s;
}

}  // namespace poolside
