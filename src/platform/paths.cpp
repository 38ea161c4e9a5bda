#include "platform/paths.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <vector>

namespace poolside {

namespace {

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

bool Exists(const std::string& p) {
  struct stat st;
  return ::stat(p.c_str(), &st) == 0;
}

// The entry of folder `dir` named `name`: the exact name when it exists,
// else the first entry equal ignoring ASCII case, else `name` as written.
std::string MatchComponent(const std::string& dir, const std::string& name) {
  std::string exact = dir == "/" ? "/" + name : dir + "/" + name;
  if (Exists(exact)) return name;
  DIR* d = ::opendir(dir.empty() ? "/" : dir.c_str());
  if (!d) return name;
  std::string found = name;
  while (dirent* e = ::readdir(d)) {
    std::string entry = e->d_name;
    if (SameIgnoringCase(entry, name)) {
      found = entry;
      break;
    }
  }
  ::closedir(d);
  return found;
}

std::vector<std::string> Split(std::string_view path) {
  std::vector<std::string> parts;
  std::string cur;
  for (char c : path) {
    if (c == '\\' || c == '/') {
      if (!cur.empty()) parts.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) parts.push_back(cur);
  return parts;
}

std::string CurrentDirectory() {
  std::vector<char> buf(4096);
  if (::getcwd(buf.data(), buf.size())) return buf.data();
  return ".";
}

}  // namespace

void PathMapper::MapDrive(char letter, std::string dir) { drives_[Lower(letter)] = std::move(dir); }

std::string PathMapper::DriveFolder(char letter) const {
  auto it = drives_.find(Lower(letter));
  return it != drives_.end() ? it->second : DefaultDriveFolder(letter);
}

std::string PathMapper::DefaultDriveFolder(char letter) {
  return std::string("/mnt/") + Lower(letter);
}

std::string PathMapper::Resolve(std::string_view path) const {
  std::string base;
  std::string_view rest = path;
  if (rest.size() >= 2 && rest[1] == ':' && std::isalpha(static_cast<unsigned char>(rest[0]))) {
    base = DriveFolder(rest[0]);
    rest.remove_prefix(2);
    if (!base.empty() && base[0] != '/') base = CurrentDirectory() + "/" + base;
  } else if (!rest.empty() && rest[0] == '/') {
    base = "/";
  } else {
    base = CurrentDirectory();
  }
  std::vector<std::string> stack;
  for (const auto& part : Split(base)) {
    if (part == ".") continue;
    if (part == "..") {
      if (!stack.empty()) stack.pop_back();
      continue;
    }
    stack.push_back(part);
  }
  // The base folder is native and used as it is; the components after it are
  // matched without regard to letter case.
  std::string out;
  for (const auto& s : stack) out += "/" + s;
  for (const auto& part : Split(rest)) {
    if (part == ".") continue;
    if (part == "..") {
      auto slash = out.rfind('/');
      out = slash == std::string::npos || slash == 0 ? "" : out.substr(0, slash);
      continue;
    }
    std::string dir = out.empty() ? "/" : out;
    out += "/" + MatchComponent(dir, part);
  }
  return out.empty() ? "/" : out;
}

}  // namespace poolside
