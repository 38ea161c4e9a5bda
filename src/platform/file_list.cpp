// The files under a folder, through std::filesystem alone, so the same code
// serves every system.
#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "platform/file_system.h"
#include "platform/fs_path.h"

namespace poolside {

bool ListFilesUnder(const std::string& folder, std::vector<FileStamp>& files) {
  namespace fs = std::filesystem;
  files.clear();
  const fs::path root = FsPath(folder);
  std::error_code ec;
  if (!fs::is_directory(root, ec)) {
    errno = ec ? ec.value() : ENOENT;
    return false;
  }
  fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ec);
  if (ec) {
    errno = ec.value();
    return false;
  }
  for (; it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (ec) break;
    std::error_code one;
    if (!it->is_regular_file(one)) continue;
    FileStamp f;
    f.size = static_cast<std::uint64_t>(it->file_size(one));
    const auto changed = it->last_write_time(one);
    if (one) continue;  // gone while listed
    f.changed = static_cast<std::int64_t>(changed.time_since_epoch().count());
    f.relative = FsText(it->path().lexically_relative(root));
    std::replace(f.relative.begin(), f.relative.end(), '\\', '/');
    files.push_back(std::move(f));
  }
  std::sort(files.begin(), files.end(),
            [](const FileStamp& a, const FileStamp& b) { return a.relative < b.relative; });
  return true;
}

}  // namespace poolside
