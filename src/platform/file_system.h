#pragma once
// Questions to the file system and the process that the logic asks beside
// reading and writing files: does a path exist, make a folder (or a fresh
// one), may this user open a device, the process number.

#include <string>

namespace poolside {

// Something (a file, a folder, ...) is at `nativePath`.
bool PathExists(const std::string& nativePath);

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

// The number of this process.
long ProcessId();
// A process with the number `pid` runs on this machine (whoever owns it).
bool ProcessAlive(long pid);
// This machine's name, and the name of the user running the program ("?"
// when the system does not tell).
std::string HostName();
std::string UserName();

}  // namespace poolside
