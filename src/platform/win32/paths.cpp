// Paths on Windows: a drive letter is the drive itself unless --drive maps
// it, "\" and "/" both separate folders, and names are matched by the file
// system, which ignores letter case. The result is an absolute path in the
// system's own form ("C:\meet\lap\r0007").
#include "platform/paths.h"

#include <windows.h>

#include <cctype>
#include <vector>

#include "platform/win32/utf16.h"

namespace poolside {

namespace {

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }
char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }
bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::vector<std::string> Split(std::string_view path) {
  std::vector<std::string> parts;
  std::string cur;
  for (char c : path) {
    if (IsSeparator(c)) {
      if (!cur.empty()) parts.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) parts.push_back(cur);
  return parts;
}

// The absolute form of `path` (relative to the working folder, or to the
// current drive's root when it starts with a separator).
std::string FullPath(const std::string& path) {
  const std::wstring wide = win32::Wide(path.empty() ? "." : path);
  const DWORD n = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (n == 0) return path;
  std::wstring out(n, L'\0');
  const DWORD used = GetFullPathNameW(wide.c_str(), n, out.data(), nullptr);
  out.resize(used);
  return win32::Utf8(out);
}

// An absolute path split into its root ("C:", "\\server\share") and its
// folders.
struct Rooted {
  std::string root;
  std::vector<std::string> parts;
};

Rooted SplitRoot(const std::string& absolute) {
  Rooted out;
  std::string_view rest = absolute;
  if (rest.size() >= 2 && rest[1] == ':') {
    out.root = std::string(1, Upper(rest[0])) + ":";
    rest.remove_prefix(2);
  } else if (rest.size() >= 2 && IsSeparator(rest[0]) && IsSeparator(rest[1])) {
    const std::vector<std::string> unc = Split(rest);
    out.root = "\\";
    for (std::size_t i = 0; i < unc.size() && i < 2; ++i) out.root += "\\" + unc[i];
    for (std::size_t i = 2; i < unc.size(); ++i) out.parts.push_back(unc[i]);
    return out;
  }
  for (const std::string& part : Split(rest)) out.parts.push_back(part);
  return out;
}

}  // namespace

void PathMapper::MapDrive(char letter, std::string dir) { drives_[Lower(letter)] = std::move(dir); }

std::string PathMapper::DriveFolder(char letter) const {
  auto it = drives_.find(Lower(letter));
  return it != drives_.end() ? it->second : DefaultDriveFolder(letter);
}

std::string PathMapper::DefaultDriveFolder(char letter) {
  return std::string(1, Upper(letter)) + ":\\";
}

std::string PathMapper::Resolve(std::string_view path) const {
  Rooted out;
  std::vector<std::string> parts;
  if (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]))) {
    out = SplitRoot(FullPath(DriveFolder(path[0])));
    parts = Split(path.substr(2));
  } else if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    out = SplitRoot(std::string(path));  // a network path: its server and share are its root
    parts = std::move(out.parts);
    out.parts.clear();
  } else {
    // From the current drive's root, or from the working folder.
    out = SplitRoot(FullPath(!path.empty() && IsSeparator(path[0]) ? "\\" : "."));
    parts = Split(path);
  }
  std::vector<std::string>& stack = out.parts;
  for (const std::string& part : parts) {
    if (part == ".") continue;
    if (part == "..") {
      if (!stack.empty()) stack.pop_back();
      continue;
    }
    stack.push_back(part);
  }
  if (stack.empty()) return out.root + "\\";
  std::string joined = out.root;
  for (const std::string& part : stack) joined += "\\" + part;
  return joined;
}

}  // namespace poolside
