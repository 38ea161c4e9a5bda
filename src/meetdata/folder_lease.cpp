#include "meetdata/folder_lease.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <random>
#include <utility>

#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/local_time.h"
#include "platform/record_file.h"

namespace poolside {

namespace {

constexpr std::string_view kMagic = "poolside-lease 1";
constexpr std::size_t kMaxLeaseBytes = 4096;

std::string LocalText(std::int64_t unix) {
  const LocalTimeOf t = LocalTime(static_cast<std::time_t>(unix));
  char text[80];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.tm.tm_year + 1900,
                t.tm.tm_mon + 1, t.tm.tm_mday, t.tm.tm_hour, t.tm.tm_min, t.tm.tm_sec);
  return text;
}

std::optional<std::int64_t> Number(std::string_view text) {
  // The leading decimal number; the rest (the local time) is for people.
  std::int64_t n = 0;
  std::size_t i = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && i < 18; ++i) {
    n = n * 10 + (text[i] - '0');
  }
  if (i == 0) return std::nullopt;
  return n;
}

std::int64_t UnixNow() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::string NewToken(long pid) {
  std::random_device random;
  char text[40];
  std::snprintf(text, sizeof text, "%ld-%08x%08x", pid, random(), random());
  return text;
}

}  // namespace

std::string LeaseText(const LeaseHolder& h) {
  std::string out(kMagic);
  out += "\nhost=" + h.host + "\nuser=" + h.user + "\npid=" + std::to_string(h.pid) +
         "\nprogram=" + h.program + "\nsince=" + std::to_string(h.since) + " " +
         LocalText(h.since) + "\nheartbeat=" + std::to_string(h.heartbeat) + " " +
         LocalText(h.heartbeat) + "\ntoken=" + h.token + "\n";
  return out;
}

std::optional<LeaseHolder> ParseLease(std::string_view text) {
  if (!text.starts_with(kMagic)) return std::nullopt;
  LeaseHolder h;
  bool since = false, heartbeat = false, pid = false;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    const std::string_view key = line.substr(0, eq), value = line.substr(eq + 1);
    if (key == "host") h.host = value;
    if (key == "user") h.user = value;
    if (key == "program") h.program = value;
    if (key == "token") h.token = value;
    if (key == "pid") {
      if (auto n = Number(value)) h.pid = static_cast<long>(*n), pid = true;
    }
    if (key == "since") {
      if (auto n = Number(value)) h.since = *n, since = true;
    }
    if (key == "heartbeat") {
      if (auto n = Number(value)) h.heartbeat = *n, heartbeat = true;
    }
  }
  // A lease cut short by a crash while it was written is no lease.
  if (h.host.empty() || h.token.empty() || !pid || !since || !heartbeat) return std::nullopt;
  return h;
}

LeaseVerdict JudgeLease(bool present, const std::optional<LeaseHolder>& found,
                        const LeaseHolder& me, std::int64_t now,
                        const std::function<bool(long)>& alive) {
  if (!present) return LeaseVerdict::Free;
  if (!found) return LeaseVerdict::AskStale;
  const bool stale = now - found->heartbeat > kLeaseStaleSeconds;
  if (found->host == me.host) {
    if (!alive(found->pid)) return LeaseVerdict::TakeOrphan;
    // Its process runs but has not renewed for a minute: the number may
    // belong to another program since a restart of the machine.
    return stale ? LeaseVerdict::AskStale : LeaseVerdict::Refuse;
  }
  // Another machine's process cannot be seen from here: only its heartbeat
  // tells, and a fresh one is never taken.
  return stale ? LeaseVerdict::AskStale : LeaseVerdict::Refuse;
}

std::string DescribeHolder(const LeaseHolder& h, std::int64_t now) {
  const std::int64_t ago = now - h.heartbeat;
  return h.host + " の " + h.user + " が " + h.program + " (プロセス " + std::to_string(h.pid) +
         ") で " + LocalText(h.since) + " から使っています (最終確認 " + LocalText(h.heartbeat) +
         (ago >= 0 ? ", " + std::to_string(ago) + " 秒前" : "") + ")";
}

FolderLease::FolderLease(std::string leasePath, std::string program)
    : FolderLease(std::move(leasePath),
                  Identity{HostName(), UserName(), std::move(program), ProcessId()}, UnixNow,
                  ProcessAlive) {}

FolderLease::FolderLease(std::string leasePath, Identity me, std::function<std::int64_t()> now,
                         std::function<bool(long)> alive)
    : path_(std::move(leasePath)), now_(std::move(now)), alive_(std::move(alive)) {
  me_.host = std::move(me.host);
  me_.user = std::move(me.user);
  me_.program = std::move(me.program);
  me_.pid = me.pid;
  me_.token = NewToken(me_.pid);
}

FolderLease::~FolderLease() { Release(); }

bool FolderLease::Held() const {
  std::lock_guard lock(mutex_);
  return held_;
}

FolderLease::Outcome FolderLease::Acquire(bool takeOver) {
  std::lock_guard lock(mutex_);
  Outcome out;
  if (held_) {
    out.kind = Outcome::Held;
    return out;
  }
  const std::int64_t now = now_();
  me_.since = me_.heartbeat = now;
  std::string problem;
  // Twice at most: a lease that goes between our look and our create.
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (Take(true, problem)) {
      out.kind = Outcome::Held;
      return out;
    }
    if (!problem.empty()) break;
    std::optional<std::string> text;
    try {
      text = ReadWholeFile(path_, kMaxLeaseBytes);
    } catch (const IoError& e) {
      if (PathExists(path_)) {
        out.message = e.what();
        return out;
      }
      continue;  // gone meanwhile: create it again
    }
    const std::optional<LeaseHolder> found = ParseLease(*text);
    const std::string folder = "データフォルダの使用権 " + path_;
    switch (JudgeLease(true, found, me_, now, alive_)) {
      case LeaseVerdict::Free:
        continue;
      case LeaseVerdict::Refuse:
        out.kind = Outcome::Refused;
        out.message = "このデータフォルダは使用中です: " + DescribeHolder(*found, now) +
                      "。同じデータフォルダに書き込めるのは一つのプログラムだけです (" + folder +
                      ")";
        return out;
      case LeaseVerdict::AskStale:
        if (!takeOver) {
          out.kind = Outcome::Stale;
          out.message = (found ? "このデータフォルダは " + DescribeHolder(*found, now) +
                                     "。一分以上確認がありません"
                               : folder + " は読めない内容です (書きかけか別の形式)") +
                        "。そのプログラムが止まっているなら引き継げます。引き継ぎますか?";
          return out;
        }
        [[fallthrough]];
      case LeaseVerdict::TakeOrphan:
        if (!Take(false, problem)) break;
        out.kind = Outcome::Held;
        if (found && found->host == me_.host && !alive_(found->pid)) {
          out.message = "前回の " + found->program + " (プロセス " + std::to_string(found->pid) +
                        ", " + LocalText(found->since) +
                        " から) は終了しています。データフォルダの使用権を引き継ぎます (" + path_ +
                        ")";
        } else {
          out.message = "データフォルダの使用権を引き継ぎました (" + path_ + ")";
        }
        return out;
    }
    break;
  }
  out.kind = Outcome::Failed;
  out.message = problem.empty() ? "データフォルダの使用権を得られません: " + path_ : problem;
  return out;
}

bool FolderLease::Take(bool exclusive, std::string& problem) {
  try {
    if (exclusive) {
      if (!CreateFileExclusively(path_, LeaseText(me_))) return false;
    } else {
      ReplaceFileAtomically(path_, LeaseText(me_));
      // Two takers at once: the last rename wins, and only its taker reads
      // its own token back.
      const auto back = ParseLease(ReadWholeFile(path_, kMaxLeaseBytes));
      if (!back || back->token != me_.token) {
        problem = "データフォルダの使用権を同時に別のプログラムが取りました: " + path_;
        return false;
      }
    }
  } catch (const IoError& e) {
    problem = e.what();
    return false;
  }
  held_ = true;
  return true;
}

bool FolderLease::Renew(std::string& message) {
  std::lock_guard lock(mutex_);
  if (!held_) {
    message = "データフォルダの使用権がありません: " + path_;
    return false;
  }
  try {
    const auto found = ParseLease(ReadWholeFile(path_, kMaxLeaseBytes));
    if (!found || found->token != me_.token) {
      held_ = false;
      message = "データフォルダの使用権を失いました: " +
                (found ? DescribeHolder(*found, now_()) + "。" : std::string()) +
                "このままでは二つのプログラムが同じフォルダに書き込みます (" + path_ + ")";
      return false;
    }
    me_.heartbeat = now_();
    ReplaceFileAtomically(path_, LeaseText(me_));
  } catch (const IoError& e) {
    // A share that went away: still ours as far as anyone can tell; said.
    message = std::string("データフォルダの使用権を更新できません: ") + e.what();
    return false;
  }
  return true;
}

void FolderLease::RenewInBackground(std::function<void(const std::string&)> lost,
                                    std::chrono::milliseconds period) {
  StopRenewing();
  stopping_ = false;
  renewer_ = std::thread([this, lost = std::move(lost), period] {
    bool told = false;
    std::unique_lock lock(mutex_);
    while (!wake_.wait_for(lock, period, [this] { return stopping_; })) {
      lock.unlock();
      std::string message;
      const bool renewed = Renew(message);
      lock.lock();
      // Said once per outage: again only after a renewal that worked.
      if (!renewed && !told && lost) {
        lock.unlock();
        lost(message);
        lock.lock();
      }
      told = !renewed;
      if (!held_) break;
    }
  });
}

void FolderLease::StopRenewing() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (renewer_.joinable()) renewer_.join();
}

void FolderLease::Release() {
  StopRenewing();
  std::lock_guard lock(mutex_);
  if (!held_) return;
  held_ = false;
  try {
    const auto found = ParseLease(ReadWholeFile(path_, kMaxLeaseBytes));
    if (found && found->token == me_.token) RemoveFileDurably(path_);
  } catch (const IoError&) {
    // Gone or unreadable: nothing of ours to remove.
  }
}

}  // namespace poolside
