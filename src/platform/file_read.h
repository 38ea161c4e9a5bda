#pragma once
// Reading a whole file read-only with a bound on its size, through the
// OS-call table (platform/os_calls.h) so that tests can make it fail. The
// open never waits (a FIFO or a device in the file's place is not read into
// a hang) and the handle is closed before the call returns.

#include <cstddef>
#include <cstdint>
#include <string>

namespace poolside {

struct FileReadOptions {
  std::size_t maxBytes = 0;
  // Beyond maxBytes: false refuses the file (TooLarge), true gives its first
  // maxBytes bytes.
  bool prefix = false;
  bool regularOnly = true;  // anything but a regular file is NotAFile
  bool noFollow = false;    // a symbolic link as the last component fails to open
};

enum class FileReadOutcome { Ok, Missing, NotAFile, TooLarge, Failed };

struct FileRead {
  FileReadOutcome outcome = FileReadOutcome::Failed;
  std::string bytes;  // the content, when Ok
  int error = 0;      // the cause (an errno value) of Missing and Failed
  bool opened = false;
  bool described = false;  // the open file's size and mode were read (the fields below)
  std::uint64_t size = 0;
  unsigned permissions = 0;   // mode bits 07777
  bool ownerOnly = false;     // no permission bit for the group or others
  std::int64_t modified = 0;  // seconds since 1970-01-01 UTC
};

FileRead ReadFileBounded(const std::string& nativePath, const FileReadOptions& options);

}  // namespace poolside
