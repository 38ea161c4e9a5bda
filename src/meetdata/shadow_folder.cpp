#include "meetdata/shadow_folder.h"

#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "meetdata/folder_mirror.h"
#include "platform/file_system.h"
#include "platform/fs_path.h"
#include "platform/paths.h"
#include "platform/record_file.h"
#include "vocabulary/data_folder.h"

namespace poolside {

namespace {
constexpr const char* kMarkerHeader = "poolside-shadow 1";
constexpr std::size_t kMaxMarkerBytes = 64 * 1024;
}  // namespace

std::string ShadowMarkerText(const std::string& primary, long long since) {
  return std::string(kMarkerHeader) + "\nprimary=" + primary + "\nsince=" + std::to_string(since) +
         "\n";
}

std::optional<std::string> ParseShadowMarker(const std::string& text) {
  std::string_view rest(text);
  const auto line = [&rest]() {
    const auto nl = rest.find('\n');
    std::string_view l = rest.substr(0, nl);
    rest = nl == std::string_view::npos ? std::string_view() : rest.substr(nl + 1);
    return l;
  };
  if (line() != kMarkerHeader) return std::nullopt;
  while (!rest.empty()) {
    const std::string_view l = line();
    if (l.starts_with("primary=") && l.size() > 8) return std::string(l.substr(8));
  }
  return std::nullopt;
}

ShadowPrepared PrepareShadowFolder(const std::string& primary, const std::string& shadow,
                                   long long now) {
  ShadowPrepared out;
  const std::string marker = shadow + "/" + kShadowFileName;
  if (FileExists(marker)) {
    try {
      const auto named = ParseShadowMarker(ReadWholeFile(marker, kMaxMarkerBytes));
      if (!named) {
        out.problem = "控えのフォルダの印が読めません: " + marker;
        return out;
      }
      out.primary = *named;
    } catch (const std::exception& e) {
      out.problem = e.what();
      return out;
    }
    out.ok = true;
    return out;
  }
  std::string primaryFolder = primary;
  while (primaryFolder.size() > 1 && primaryFolder.back() == '/') primaryFolder.pop_back();
  std::string shadowFolder = shadow;
  while (shadowFolder.size() > 1 && shadowFolder.back() == '/') shadowFolder.pop_back();
  std::error_code same;
  if (primaryFolder == shadowFolder ||
      std::filesystem::equivalent(FsPath(primaryFolder), FsPath(shadowFolder), same)) {
    out.problem = "控えのフォルダが大会のデータフォルダと同じです: " + shadow;
    return out;
  }
  const FolderMade made = MakeFolder(shadowFolder);
  if (!made.ok) {
    out.problem = "控えのフォルダを作れません: " + shadow + " (" +
                  (made.notAFolder ? std::string("同じ名前のファイルがあります")
                                   : std::string(std::strerror(made.error))) +
                  ")";
    return out;
  }
  FolderMirror copy(primaryFolder, shadowFolder);
  copy.LeaveOut(kCaptureFolderName);
  const FolderMirror::Pass pass = copy.Sync();
  if (!pass.ok) {
    out.problem = "大会のデータフォルダを控えに写せません: " + pass.problem;
    return out;
  }
  // The lap and goal folders, which the desk never makes, even when the
  // primary's are empty; named as the primary's when it has them.
  for (const char* sub : {"lap", "goal"}) {
    const std::string folder = PathMapper().Resolve(shadowFolder + "/" + sub);
    if (!MakeFolder(folder).ok) {
      out.problem = "控えのフォルダを作れません: " + folder;
      return out;
    }
  }
  try {
    ReplaceFileAtomically(marker, ShadowMarkerText(primaryFolder, now));
  } catch (const std::exception& e) {
    out.problem = e.what();
    return out;
  }
  out.ok = out.copied = true;
  out.primary = primaryFolder;
  return out;
}

}  // namespace poolside
