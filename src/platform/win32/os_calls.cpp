// The OS-call table on Windows: CreateFileW, ReadFile and WriteFile (at an
// offset through OVERLAPPED), FlushFileBuffers, MoveFileExW. A descriptor
// is the runtime's number of the handle (_open_osfhandle), so the table
// keeps its POSIX shape for the code above it and the fault tests.
#include "platform/os_calls.h"

#include <windows.h>

#include <aclapi.h>
#include <io.h>

#include <cerrno>
#include <climits>

#include "platform/win32/utf16.h"

namespace poolside {

namespace {

using win32::FailWithLastError;

HANDLE HandleOf(int fd) {
  const intptr_t h = _get_osfhandle(fd);
  return h == -1 ? INVALID_HANDLE_VALUE : reinterpret_cast<HANDLE>(h);
}

// Whether the nearest existing folder of `name` is in fact a file: POSIX
// says ENOTDIR where Windows says only that the path was not found.
bool UnderAFile(std::wstring name) {
  for (std::size_t sep = name.find_last_of(L"\\/"); sep != std::wstring::npos && sep > 0;
       sep = name.find_last_of(L"\\/")) {
    name.resize(sep);
    const DWORD a = GetFileAttributesW(name.c_str());
    if (a != INVALID_FILE_ATTRIBUTES) return !(a & FILE_ATTRIBUTE_DIRECTORY);
  }
  return false;
}

DWORD Chunk(size_t n) { return n > 0x40000000u ? 0x40000000u : static_cast<DWORD>(n); }

int RealOpen(const char* path, int flags, mode_t mode) {
  const std::wstring name = win32::Wide(path);
  DWORD access = 0;
  const int how = flags & (O_RDONLY | O_WRONLY | O_RDWR);
  const bool reads = how == O_RDONLY || how == O_RDWR;
  const bool writes = how == O_WRONLY || how == O_RDWR;
  if (reads) access |= GENERIC_READ;
  // An appending handle may only append: every write goes to the end, as
  // with O_APPEND.
  if (writes) access |= (flags & O_APPEND) ? FILE_APPEND_DATA | SYNCHRONIZE : GENERIC_WRITE;
  DWORD disposition = OPEN_EXISTING;
  if ((flags & O_CREAT) && (flags & O_EXCL)) {
    disposition = CREATE_NEW;
  } else if ((flags & O_CREAT) && (flags & O_TRUNC)) {
    disposition = CREATE_ALWAYS;
  } else if (flags & O_CREAT) {
    disposition = OPEN_ALWAYS;
  } else if (flags & O_TRUNC) {
    disposition = TRUNCATE_EXISTING;
  }
  DWORD attributes = FILE_ATTRIBUTE_NORMAL;
  if ((flags & O_CREAT) && !(mode & S_IWRITE)) attributes = FILE_ATTRIBUTE_READONLY;
  if (flags & O_NOFOLLOW) attributes |= FILE_FLAG_OPEN_REPARSE_POINT;
  // A folder opens for reading as on POSIX (its reads then fail with
  // EISDIR); for writing it is refused with EISDIR.
  if ((flags & O_DIRECTORY) || !writes) attributes |= FILE_FLAG_BACKUP_SEMANTICS;
  // Shared as a POSIX file is: the meet office's programs read and write
  // the same files while the desk has them open, and a file may be
  // replaced by a rename while another reader holds it.
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  HANDLE h = CreateFileW(name.c_str(), access, share, nullptr, disposition, attributes, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_PATH_NOT_FOUND && UnderAFile(name)) {
      errno = ENOTDIR;
      return -1;
    }
    // A folder opened as a file.
    if (error == ERROR_ACCESS_DENIED && !(flags & O_DIRECTORY)) {
      const DWORD a = GetFileAttributesW(name.c_str());
      if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY)) {
        errno = EISDIR;
        return -1;
      }
    }
    errno = win32::ErrnoOf(error);
    return -1;
  }
  if (flags & O_NOFOLLOW) {
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(h, &info) &&
        (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      CloseHandle(h);
      errno = ELOOP;
      return -1;
    }
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_BINARY);
  if (fd < 0) {
    CloseHandle(h);
    errno = EMFILE;
    return -1;
  }
  return fd;
}

ssize_t RealPread(int fd, void* buf, size_t n, off_t offset) {
  const HANDLE h = HandleOf(fd);
  if (h == INVALID_HANDLE_VALUE) {
    errno = EBADF;
    return -1;
  }
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(static_cast<unsigned long long>(offset) & 0xFFFFFFFFu);
  at.OffsetHigh = static_cast<DWORD>(static_cast<unsigned long long>(offset) >> 32);
  DWORD got = 0;
  if (!ReadFile(h, buf, Chunk(n), &got, &at)) {
    if (GetLastError() == ERROR_HANDLE_EOF) return 0;
    return FailWithLastError();
  }
  return static_cast<ssize_t>(got);
}

ssize_t RealPwrite(int fd, const void* buf, size_t n, off_t offset) {
  const HANDLE h = HandleOf(fd);
  if (h == INVALID_HANDLE_VALUE) {
    errno = EBADF;
    return -1;
  }
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(static_cast<unsigned long long>(offset) & 0xFFFFFFFFu);
  at.OffsetHigh = static_cast<DWORD>(static_cast<unsigned long long>(offset) >> 32);
  DWORD put = 0;
  if (!WriteFile(h, buf, Chunk(n), &put, &at)) return FailWithLastError();
  return static_cast<ssize_t>(put);
}

ssize_t RealWrite(int fd, const void* buf, size_t n) {
  const HANDLE h = HandleOf(fd);
  if (h == INVALID_HANDLE_VALUE) {
    errno = EBADF;
    return -1;
  }
  DWORD put = 0;
  if (!WriteFile(h, buf, Chunk(n), &put, nullptr)) return FailWithLastError();
  return static_cast<ssize_t>(put);
}

ssize_t RealRead(int fd, void* buf, size_t n) {
  const HANDLE h = HandleOf(fd);
  if (h == INVALID_HANDLE_VALUE) {
    errno = EBADF;
    return -1;
  }
  DWORD got = 0;
  if (!ReadFile(h, buf, Chunk(n), &got, nullptr)) {
    const DWORD error = GetLastError();
    if (error == ERROR_HANDLE_EOF || error == ERROR_BROKEN_PIPE) return 0;
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(h, &info) &&
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      errno = EISDIR;
      return -1;
    }
    errno = win32::ErrnoOf(error);
    return -1;
  }
  return static_cast<ssize_t>(got);
}

int RealFsync(int fd) {
  const HANDLE h = HandleOf(fd);
  if (h == INVALID_HANDLE_VALUE) {
    errno = EBADF;
    return -1;
  }
  return FlushFileBuffers(h) ? 0 : FailWithLastError();
}

// `path` with its last component as the file that is there spells it: the
// file system matches names without regard to case, and a replaced file
// keeps its name ("race.dat" stays "race.dat" when "Race.dat" replaces it).
std::wstring AsSpelledOnDisk(std::wstring path) {
  if (path.find_first_of(L"*?") != std::wstring::npos) return path;
  WIN32_FIND_DATAW found;
  const HANDLE h = FindFirstFileW(path.c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return path;
  FindClose(h);
  const std::size_t sep = path.find_last_of(L"\\/");
  const std::size_t start = sep == std::wstring::npos ? 0 : sep + 1;
  if (CompareStringOrdinal(path.c_str() + start, -1, found.cFileName, -1, TRUE) == CSTR_EQUAL) {
    path.replace(start, std::wstring::npos, found.cFileName);
  }
  return path;
}

int RealRename(const char* from, const char* to) {
  // Replaces an existing file in one step and returns only when the rename
  // is on the disk (the folder's flush of POSIX).
  return MoveFileExW(win32::Wide(from).c_str(), AsSpelledOnDisk(win32::Wide(to)).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
             ? 0
             : FailWithLastError();
}

int RealClose(int fd) {
  if (HandleOf(fd) == INVALID_HANDLE_VALUE) {
    errno = EBADF;
    return -1;
  }
  return _close(fd);
}

std::int64_t UnixSeconds(const FILETIME& t) {
  const unsigned long long ticks =
      (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  return static_cast<std::int64_t>(ticks / 10000000ull) - 11644473600ll;
}

// Whether the file's access list lets anyone beside its owner, the system
// and the administrators read or write it (a null list lets everyone).
bool OthersMayAccess(HANDLE h) {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR sd = nullptr;
  if (GetSecurityInfo(h, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                      &owner, nullptr, &dacl, nullptr, &sd) != ERROR_SUCCESS) {
    return true;  // unknown: not owner-only
  }
  bool others = dacl == nullptr;
  BYTE systemSid[SECURITY_MAX_SID_SIZE];
  BYTE adminsSid[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof systemSid;
  CreateWellKnownSid(WinLocalSystemSid, nullptr, systemSid, &size);
  size = sizeof adminsSid;
  CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, adminsSid, &size);
  for (DWORD i = 0; !others && dacl != nullptr && i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (!GetAce(dacl, i, &ace)) continue;
    const auto* header = static_cast<const ACE_HEADER*>(ace);
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
    const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
    PSID sid = const_cast<DWORD*>(&allowed->SidStart);
    if ((owner != nullptr && EqualSid(sid, owner)) || EqualSid(sid, systemSid) ||
        EqualSid(sid, adminsSid)) {
      continue;
    }
    others = (allowed->Mask & (FILE_GENERIC_READ | FILE_GENERIC_WRITE | GENERIC_READ |
                               GENERIC_WRITE | GENERIC_ALL)) != 0;
  }
  LocalFree(sd);
  return others;
}

int RealFstat(int fd, struct stat* st) {
  const HANDLE h = HandleOf(fd);
  if (h == INVALID_HANDLE_VALUE) {
    errno = EBADF;
    return -1;
  }
  *st = {};
  const DWORD type = GetFileType(h);
  if (type == FILE_TYPE_CHAR) {
    st->st_mode = S_IFCHR | 0600;
    return 0;
  }
  if (type == FILE_TYPE_PIPE) {
    st->st_mode = _S_IFIFO | 0600;
    return 0;
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(h, &info)) return FailWithLastError();
  const bool folder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  unsigned mode = folder ? S_IFDIR | 0700 : S_IFREG | 0400;
  if (!folder && !(info.dwFileAttributes & FILE_ATTRIBUTE_READONLY)) mode |= 0200;
  if (OthersMayAccess(h)) mode |= (mode & 0700) >> 3 | (mode & 0700) >> 6;
  st->st_mode = static_cast<decltype(st->st_mode)>(mode);
  st->st_size = static_cast<decltype(st->st_size)>(
      (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
  st->st_nlink = static_cast<decltype(st->st_nlink)>(info.nNumberOfLinks);
  st->st_mtime = static_cast<decltype(st->st_mtime)>(UnixSeconds(info.ftLastWriteTime));
  st->st_atime = static_cast<decltype(st->st_atime)>(UnixSeconds(info.ftLastAccessTime));
  st->st_ctime = static_cast<decltype(st->st_ctime)>(UnixSeconds(info.ftCreationTime));
  return 0;
}

const OsCalls kReal{&RealOpen,   &RealPread, &RealPwrite, &RealWrite, &RealFsync,
                    &RealRename, &RealClose, &RealRead,   &RealFstat};
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
