#pragma once
// One writer per data folder. A program that writes the folder (the desk,
// the command lines that repair or recover a race) holds its lease: a small
// file of our own in the folder, made with an exclusive create and renewed
// every few seconds, so it holds on a network share where file locks do
// not. Another writer is refused with the holder named; a lease whose
// holder is gone is taken: on the same machine when its process no longer
// runs, otherwise only when its heartbeat is older than a minute and the
// operator confirms (or the command line says --take-over). Readers need
// no lease. The format is in docs/lease.md.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace poolside {

inline constexpr const char* kLeaseFileName = "poolside.lease";
// A heartbeat older than this may be taken over (with a confirmation).
inline constexpr std::int64_t kLeaseStaleSeconds = 60;
inline constexpr std::int64_t kLeaseRenewSeconds = 5;

struct LeaseHolder {
  std::string host, user, program, token;
  long pid = 0;
  std::int64_t since = 0;      // Unix seconds
  std::int64_t heartbeat = 0;  // Unix seconds, the last renewal
};

std::string LeaseText(const LeaseHolder& holder);
// None when the text is not a lease (empty, cut short, another format).
std::optional<LeaseHolder> ParseLease(std::string_view text);

enum class LeaseVerdict {
  Free,        // no lease: take it
  TakeOrphan,  // this machine's, its process gone: take it, said in one line
  AskStale,    // no heartbeat for a minute, or unreadable: take only when confirmed
  Refuse,      // held
};

// What to do with the lease found (`found` none: a file that is not a
// lease; `present` false: no file), for `me` at `now`; `alive` tells
// whether a process of this machine runs.
LeaseVerdict JudgeLease(bool present, const std::optional<LeaseHolder>& found,
                        const LeaseHolder& me, std::int64_t now,
                        const std::function<bool(long)>& alive);

// The holder as a message names them: host, user, program, process,
// since when and the last heartbeat (local time).
std::string DescribeHolder(const LeaseHolder& holder, std::int64_t now);

class FolderLease {
 public:
  struct Identity {
    std::string host, user, program;
    long pid = 0;
  };
  struct Outcome {
    enum Kind {
      Held,     // ours now (`message` says so when an orphan was taken)
      Refused,  // another writer holds it: `message` names them
      Stale,    // take only when confirmed: `message` is the question
      Failed,   // the file could not be read or written: `message` names it
    } kind = Failed;
    std::string message;
  };

  // The lease of the folder whose lease file is `leasePath`, for this
  // program (`program`: what the holder's message calls it).
  FolderLease(std::string leasePath, std::string program);
  // For tests: another machine or process, a clock and a process table.
  FolderLease(std::string leasePath, Identity me, std::function<std::int64_t()> now,
              std::function<bool(long)> alive);
  ~FolderLease();  // Release()
  FolderLease(const FolderLease&) = delete;
  FolderLease& operator=(const FolderLease&) = delete;

  // Takes the lease; `takeOver` takes a stale one (the operator confirmed,
  // or --take-over).
  Outcome Acquire(bool takeOver);
  bool Held() const;
  // Writes a new heartbeat; false with `message` when the lease is no
  // longer ours (taken over, removed) or cannot be written.
  bool Renew(std::string& message);
  // Renews every kLeaseRenewSeconds on a thread of its own, so a slow
  // share never holds up the caller; `lost` is called (on that thread) once
  // when a renewal fails.
  void RenewInBackground(
      std::function<void(const std::string&)> lost,
      std::chrono::milliseconds period = std::chrono::seconds(kLeaseRenewSeconds));
  // Removes the lease when it is still ours.
  void Release();

  const std::string& Path() const { return path_; }

 private:
  bool Take(bool exclusive, std::string& problem);
  void StopRenewing();

  std::string path_;
  LeaseHolder me_;
  std::function<std::int64_t()> now_;
  std::function<bool(long)> alive_;
  bool held_ = false;
  mutable std::mutex mutex_;  // held_ and the file, between the renewal thread and the caller
  std::condition_variable wake_;
  bool stopping_ = false;
  std::thread renewer_;
};

}  // namespace poolside
