#pragma once
// Fixed-length record files: record k (from 1) at byte (k - 1) x length.

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/bytes.h"
#include "platform/file_system.h"  // FileExists

namespace poolside {

class RecordFile {
 public:
  RecordFile() = default;
  ~RecordFile();
  RecordFile(RecordFile&& other) noexcept;
  RecordFile& operator=(RecordFile&& other) noexcept;
  RecordFile(const RecordFile&) = delete;
  RecordFile& operator=(const RecordFile&) = delete;

  // Opens `nativePath` for reading and writing, creating an empty file when
  // it is missing. Closes a file this object had open first. Throws IoError
  // naming the path and the cause.
  void Open(const std::string& nativePath, std::size_t recordLength);
  bool IsOpen() const { return fd_ >= 0; }
  void Close();  // a no-op when nothing is open

  std::uint64_t Length() const;  // bytes
  std::size_t RecordLength() const { return recordLength_; }
  const std::string& Path() const { return path_; }

  // Record k >= 1, zero-filled where the file ends. Throws IoError.
  Bytes Read(std::int64_t k) const;
  // Writes record k whole; `record` must hold exactly RecordLength() bytes.
  // Throws IoError (a short write is retried, then reported).
  void Write(std::int64_t k, const Bytes& record);

 private:
  int fd_ = -1;
  std::size_t recordLength_ = 0;
  std::string path_;
};

// Writes `content` to a new file beside `nativePath`, flushes it to the disk
// and renames it over `nativePath` in one step, so an interruption leaves
// either the old file or the new one, never a mixture. Throws IoError; on
// failure the old file is untouched and the temporary file removed.
void ReplaceFileAtomically(const std::string& nativePath, const std::string& content);
// Replaces several files (path, content) so that a failure to write any of
// them (a full disk, a read-only folder) comes before the first is
// replaced: each new file is written and flushed beside its old one first,
// then they are renamed in order. Throws IoError naming the file; only a
// failing rename (after every new file was written) leaves the files
// before it replaced.
void ReplaceFilesTogether(const std::vector<std::pair<std::string, std::string>>& files);
// Creates `nativePath` with `content`, flushed to the disk, only when no file
// has the name (an exclusive create, which holds on network shares too);
// false when one has. Throws IoError naming the file for anything else
// (nothing is left behind).
bool CreateFileExclusively(const std::string& nativePath, const std::string& content);
// Removes a file and makes that durable; true when it is gone (or was).
bool RemoveFileDurably(const std::string& nativePath);

// The largest file ReadWholeFile takes unless told otherwise: every file the
// program reads whole (control and settings files, lap, goal and book files,
// import texts) is far smaller.
inline constexpr std::size_t kMaxWholeFileBytes = 16 * 1024 * 1024;

// The whole content of a file. Throws IoError when it cannot be read or
// holds more than `maxBytes` (nothing beyond the bound is read).
std::string ReadWholeFile(const std::string& nativePath, std::size_t maxBytes = kMaxWholeFileBytes);

}  // namespace poolside
