// A POSIX path is its bytes.
#include "platform/fs_path.h"

namespace poolside {

std::filesystem::path FsPath(std::string_view nativePath) {
  return std::filesystem::path(std::string(nativePath));
}

std::string FsText(const std::filesystem::path& path) { return path.string(); }

std::string JoinNative(const std::string& folder, const std::string& name) {
  return folder + "/" + name;
}

std::string NativeFolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace poolside
