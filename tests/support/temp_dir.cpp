#include "support/temp_dir.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "platform/file_system.h"
#include "platform/fs_path.h"

namespace poolside::testing {

TempDir::TempDir() {
  std::string templ = FsText(std::filesystem::temp_directory_path() / "poolside-test-XXXXXX");
  if (!MakeUniqueFolder(templ)) throw std::runtime_error("no temporary folder: " + templ);
  path_ = templ;
}

TempDir::~TempDir() {
  std::error_code ec;
  // Tests may leave read-only folders behind; make them writable first.
  for (auto it = std::filesystem::recursive_directory_iterator(FsPath(path_), ec);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
  }
  std::filesystem::permissions(FsPath(path_), std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(FsPath(path_), ec);
}

std::string TempDir::File(const std::string& name) const {
#ifdef _WIN32
  std::string native = name;
  std::replace(native.begin(), native.end(), '/', '\\');
  return path_ + "\\" + native;
#else
  return path_ + "/" + name;
#endif
}

void TempDir::MakeDir(const std::string& name) const {
  std::filesystem::create_directories(FsPath(File(name)));
}

void TempDir::Write(const std::string& name, const std::string& bytes) const {
  std::filesystem::path p = FsPath(File(name));
  std::filesystem::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string TempDir::Read(const std::string& name) const {
  std::ifstream in(FsPath(File(name)), std::ios::binary);
  if (!in) return {};
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool TempDir::Exists(const std::string& name) const {
  return std::filesystem::exists(FsPath(File(name)));
}

bool TempDir::HasEntry(const std::string& name) const {
  const std::filesystem::path path = FsPath(File(name));
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(path.parent_path(), ec)) {
    if (e.path().filename() == path.filename()) return true;
  }
  return false;
}

}  // namespace poolside::testing
