// Windows: the UTF-8 text as char8_t, which std::filesystem converts to the
// system's UTF-16 (a narrow string would go through the ANSI code page).
#include "platform/fs_path.h"

namespace poolside {

std::filesystem::path FsPath(std::string_view nativePath) {
  return std::filesystem::path(std::u8string(nativePath.begin(), nativePath.end()));
}

std::string FsText(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::string JoinNative(const std::string& folder, const std::string& name) {
  return folder + "\\" + name;
}

std::string NativeFolderOf(const std::string& path) {
  const std::size_t separator = path.find_last_of("\\/");
  return separator == std::string::npos ? std::string() : path.substr(0, separator);
}

}  // namespace poolside
