// Questions to the file system on Windows: GetFileAttributesW,
// CreateDirectoryW, _waccess, DeleteFileW; a random name for a fresh folder;
// the process table, the computer's and the user's names.
#include "platform/file_system.h"

#include <io.h>
#include <windows.h>

#include <cerrno>
#include <random>

#include "platform/os_calls.h"
#include "platform/win32/utf16.h"

namespace poolside {

namespace {

constexpr int kNameAttempts = 100;

// `pattern` with its last six characters ("XXXXXX") made random.
void Randomize(std::string& pattern) {
  static constexpr char kLetters[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  thread_local std::mt19937 random{std::random_device{}()};
  std::uniform_int_distribution<int> pick(0, static_cast<int>(sizeof kLetters) - 2);
  for (std::size_t i = pattern.size() - 6; i < pattern.size(); ++i)
    pattern[i] = kLetters[pick(random)];
}

bool EndsInSixX(const std::string& pattern) {
  return pattern.size() >= 6 && pattern.compare(pattern.size() - 6, 6, "XXXXXX") == 0;
}

std::size_t LastSeparator(const std::string& path) { return path.find_last_of("\\/"); }

}  // namespace

bool PathExists(const std::string& nativePath) {
  return GetFileAttributesW(win32::Wide(nativePath).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool FileExists(const std::string& nativePath) {
  const DWORD a = GetFileAttributesW(win32::Wide(nativePath).c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY) &&
         !(a & FILE_ATTRIBUTE_DEVICE);
}

FolderMade MakeFolder(const std::string& nativePath) {
  FolderMade out;
  const std::wstring name = win32::Wide(nativePath);
  if (CreateDirectoryW(name.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) {
    const DWORD a = GetFileAttributesW(name.c_str());
    out.ok = a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
    out.notAFolder = !out.ok;
    return out;
  }
  out.error = win32::ErrnoOf(GetLastError());
  return out;
}

bool MakeUniqueFolder(std::string& pattern) {
  if (!EndsInSixX(pattern)) {
    errno = EINVAL;
    return false;
  }
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    Randomize(pattern);
    if (CreateDirectoryW(win32::Wide(pattern).c_str(), nullptr)) return true;
    if (GetLastError() != ERROR_ALREADY_EXISTS) {
      win32::FailWithLastError();
      return false;
    }
  }
  errno = EEXIST;
  return false;
}

bool AccessDenied(const std::string& device) {
  return _waccess(win32::Wide(device).c_str(), 06) != 0 && errno == EACCES;
}

long ProcessId() { return static_cast<long>(GetCurrentProcessId()); }

bool ProcessAlive(long pid) {
  if (pid <= 0) return false;
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
  // Another user's process may not be opened: it runs.
  if (!process) return GetLastError() == ERROR_ACCESS_DENIED;
  DWORD code = 0;
  const bool running = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
  CloseHandle(process);
  return running;
}

std::string HostName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  if (!GetComputerNameW(name, &size) || size == 0) return "?";
  return win32::Utf8(std::wstring_view(name, size));
}

std::string UserName() {
  wchar_t name[257];
  DWORD size = 257;  // the characters and the terminating NUL
  if (!GetUserNameW(name, &size) || size <= 1) return "?";
  return win32::Utf8(std::wstring_view(name, size - 1));
}

int CreateFileBeside(const std::string& nativePath, std::string& tmpPath) {
  const std::size_t sep = LastSeparator(nativePath);
  const std::string dir = sep == std::string::npos ? "." : nativePath.substr(0, sep);
  const std::string name = sep == std::string::npos ? nativePath : nativePath.substr(sep + 1);
  // The new file takes the folder's access list, as every new file there
  // does (a file marked read-only is not replaced: the rename refuses it).
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    tmpPath = dir + "\\." + name + ".XXXXXX";
    Randomize(tmpPath);
    const int fd = RealOs().open(tmpPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

bool RemoveFile(const std::string& nativePath) {
  if (DeleteFileW(win32::Wide(nativePath).c_str())) return true;
  win32::FailWithLastError();
  return false;
}

// MOVEFILE_WRITE_THROUGH has made the rename durable already.
void SyncFolderOf(const std::string&) {}

}  // namespace poolside
