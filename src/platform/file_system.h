#pragma once
// Questions to the file system and the process that the logic asks beside
// reading and writing files: does a path exist, make a folder (or a fresh
// one), may this user open a device, the process number; and the calls
// beside the OS-call table that replacing a file needs.

#include <cstdint>
#include <string>
#include <vector>

namespace poolside {

// Something (a file, a folder, ...) is at `nativePath`.
bool PathExists(const std::string& nativePath);
// A regular file (not a folder, not a device) is at `nativePath`.
bool FileExists(const std::string& nativePath);

struct FolderMade {
  bool ok = false;          // the folder is there afterwards
  bool notAFolder = false;  // something that is not a folder has the name
  int error = 0;            // the cause (an errno value) otherwise
};
// Creates the folder `nativePath` (its parent must exist); an existing
// folder is fine.
FolderMade MakeFolder(const std::string& nativePath);

// Creates a new folder from `pattern`, a path ending in "XXXXXX" that is
// replaced to make the name unique; false (errno set) when none could be made.
bool MakeUniqueFolder(std::string& pattern);

// Opening `device` for reading and writing is refused for lack of
// permission (not for any other reason).
bool AccessDenied(const std::string& device);

// A regular file under a folder: its name relative to the folder ("/"
// between folders), size and last change (in the file system's own units).
struct FileStamp {
  std::string relative;
  std::uint64_t size = 0;
  std::int64_t changed = 0;
  bool operator==(const FileStamp&) const = default;
};
// Every regular file under `folder`, in sub-folders too, sorted by name;
// false (errno set) when the folder itself cannot be listed. Files that go
// while they are listed are left out.
bool ListFilesUnder(const std::string& folder, std::vector<FileStamp>& files);

// The number of this process.
long ProcessId();
// A process with the number `pid` runs on this machine (whoever owns it).
bool ProcessAlive(long pid);
// This machine's name, and the name of the user running the program ("?"
// when the system does not tell).
std::string HostName();
std::string UserName();

// Creates a new, empty file with a unique name in the folder of
// `nativePath`, open for writing, with the permissions of the file at
// `nativePath` when there is one (else 0644); its name goes to `tmpPath`.
// The descriptor (for the calls of os_calls.h), or -1 with errno set.
int CreateFileBeside(const std::string& nativePath, std::string& tmpPath);
// Removes the file `nativePath`; false (errno set) when it cannot.
bool RemoveFile(const std::string& nativePath);
// Makes a rename in the folder of `nativePath` durable where the system
// needs a call for it (a flush of the folder); failures are not reported.
void SyncFolderOf(const std::string& nativePath);

}  // namespace poolside
