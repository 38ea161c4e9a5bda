#include "meetdata/folder_mirror.h"

#include <cerrno>
#include <cstring>
#include <set>
#include <utility>

#include "meetdata/folder_lease.h"
#include "platform/errors.h"
#include "platform/record_file.h"

namespace poolside {

namespace {

// The largest file copied (a capture journal of a long meet is far smaller).
constexpr std::size_t kMaxCopyBytes = std::size_t{1} << 30;

std::string Join(const std::string& folder, const std::string& relative) {
  return folder + "/" + relative;
}

// Neither the lease (renewed every few seconds, and the copy's own business
// once it is used) nor a file written beside its old one (".NAME.XXXXXX").
bool Mirrored(const std::string& relative) {
  const auto slash = relative.rfind('/');
  const std::string name = slash == std::string::npos ? relative : relative.substr(slash + 1);
  return relative != kLeaseFileName && !name.starts_with(".");
}

std::vector<FileStamp> FilesOf(const std::string& folder, bool& ok) {
  std::vector<FileStamp> files;
  ok = ListFilesUnder(folder, files);
  std::erase_if(files, [](const FileStamp& f) { return !Mirrored(f.relative); });
  return files;
}

// Makes the sub-folders of `relative` under `mirror` (never `mirror`).
void MakeFoldersFor(const std::string& mirror, const std::string& relative) {
  for (std::size_t at = relative.find('/'); at != std::string::npos;
       at = relative.find('/', at + 1)) {
    const std::string sub = Join(mirror, relative.substr(0, at));
    const FolderMade made = MakeFolder(sub);
    if (!made.ok) {
      throw IoError("フォルダを作れません: " + sub + " (" +
                    (made.notAFolder ? std::string("同じ名前のファイルがあります")
                                     : std::string(std::strerror(made.error))) +
                    ")");
    }
  }
}

}  // namespace

FolderMirror::FolderMirror(std::string folder, std::string mirror)
    : folder_(std::move(folder)), mirror_(std::move(mirror)) {
  while (folder_.size() > 1 && folder_.back() == '/') folder_.pop_back();
  while (mirror_.size() > 1 && mirror_.back() == '/') mirror_.pop_back();
}

FolderMirror::~FolderMirror() { Stop(); }

FolderMirror::Pass FolderMirror::Sync() {
  Pass pass;
  auto fail = [&pass](std::string problem) {
    if (pass.ok) pass.problem = std::move(problem);
    pass.ok = false;
  };
  std::vector<FileStamp> mine;
  // An unmounted share must not turn into a local folder: never made.
  if (!ListFilesUnder(mirror_, mine)) {
    fail("バックアップ先 " + mirror_ + " がありません (" + std::strerror(errno) +
         ")。戻るまで待ちます");
    return pass;
  }
  bool listed = false;
  std::vector<FileStamp> files = FilesOf(folder_, listed);
  std::erase_if(files, [this](const FileStamp& f) {
    for (const std::string& sub : leftOut_) {
      if (f.relative.starts_with(sub)) return true;
    }
    return false;
  });
  if (!listed) {
    fail("データフォルダ " + folder_ + " を読めません (" + std::strerror(errno) + ")");
    return pass;
  }
  // What the copy holds now: a copy's disk that was changed or emptied
  // (another disk mounted in its place) is written again.
  std::map<std::string, std::uint64_t> held;
  for (const FileStamp& f : mine) held[f.relative] = f.size;
  std::set<std::string> present;
  for (const FileStamp& file : files) {
    present.insert(file.relative);
    const auto it = copied_.find(file.relative);
    const auto there = held.find(file.relative);
    if (it != copied_.end() && it->second == file && there != held.end() &&
        there->second == file.size) {
      continue;
    }
    try {
      const std::string bytes = ReadWholeFile(Join(folder_, file.relative), kMaxCopyBytes);
      MakeFoldersFor(mirror_, file.relative);
      ReplaceFileAtomically(Join(mirror_, file.relative), bytes);
      // The stamp listed before the read: a change while it was read is
      // copied again at the next pass.
      copied_[file.relative] = file;
      ++pass.copied;
    } catch (const std::exception& e) {
      fail(std::string("バックアップ先に写せません: ") + e.what());
    }
  }
  // What this mirror copied and the folder no longer has (a finished
  // repair's intent) goes from the copy too.
  for (auto it = copied_.begin(); it != copied_.end();) {
    if (present.count(it->first) != 0) {
      ++it;
      continue;
    }
    if (RemoveFileDurably(Join(mirror_, it->first))) {
      ++pass.copied;
      it = copied_.erase(it);
    } else {
      fail("バックアップ先のファイルを消せません: " + Join(mirror_, it->first));
      ++it;
    }
  }
  return pass;
}

void FolderMirror::Start(std::function<void(const std::string&)> say,
                         std::chrono::milliseconds period, std::chrono::milliseconds gap) {
  Stop();
  stopping_ = false;
  poked_ = true;  // the whole folder at once
  worker_ = std::thread([this, say = std::move(say), period, gap] {
    bool failing = false;
    std::unique_lock lock(mutex_);
    for (;;) {
      wake_.wait_for(lock, period, [this] { return stopping_ || poked_; });
      if (stopping_) return;
      poked_ = false;
      lock.unlock();
      const Pass pass = Sync();
      if (!pass.ok && !failing && say) say(pass.problem + "。続けて試します");
      if (pass.ok && failing && say) say("バックアップ先 " + mirror_ + " に追いつきました");
      failing = !pass.ok;
      lock.lock();
      // At most one pass every `gap`, however often something changes.
      if (wake_.wait_for(lock, gap, [this] { return stopping_; })) return;
    }
  });
}

void FolderMirror::Poke() {
  {
    std::lock_guard lock(mutex_);
    poked_ = true;
  }
  wake_.notify_all();
}

void FolderMirror::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (worker_.joinable()) worker_.join();
}

std::vector<std::string> CompareWithMirror(const std::string& folder, const std::string& mirror) {
  std::vector<std::string> lines;
  bool ok = false;
  const std::vector<FileStamp> ours = FilesOf(folder, ok);
  if (!ok) return {"データフォルダ " + folder + " を読めません (" + std::strerror(errno) + ")"};
  const std::vector<FileStamp> theirs = FilesOf(mirror, ok);
  if (!ok) return {"バックアップ先 " + mirror + " を読めません (" + std::strerror(errno) + ")"};
  std::map<std::string, bool> inMirror;
  for (const FileStamp& f : theirs) inMirror[f.relative] = false;
  for (const FileStamp& f : ours) {
    const auto it = inMirror.find(f.relative);
    if (it == inMirror.end()) {
      lines.push_back("missing " + f.relative);
      continue;
    }
    it->second = true;
    try {
      if (ReadWholeFile(Join(folder, f.relative), kMaxCopyBytes) !=
          ReadWholeFile(Join(mirror, f.relative), kMaxCopyBytes)) {
        lines.push_back("differs " + f.relative);
      }
    } catch (const std::exception& e) {
      lines.push_back(std::string("unreadable ") + f.relative + ": " + e.what());
    }
  }
  for (const auto& [relative, matched] : inMirror) {
    if (!matched) lines.push_back("extra " + relative);
  }
  return lines;
}

}  // namespace poolside
