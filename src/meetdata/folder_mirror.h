#pragma once
// A copy of the data folder off the machine (a USB disk, a share of the
// meet office): the whole folder at the start, then every file that
// changed, each replaced whole in the copy so that a reader there never
// sees half a file. Passes run on a thread of their own, so a copy that is
// missing, full or slow never holds up reception or a finish; a copy's
// folder that went away (an unmounted share) is never made again: the
// mirror waits for it to come back. docs/mirror.md.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/file_system.h"

namespace poolside {

class FolderMirror {
 public:
  // `folder`: the data folder; `mirror`: the copy's folder, which must exist.
  FolderMirror(std::string folder, std::string mirror);
  ~FolderMirror();  // Stop()
  FolderMirror(const FolderMirror&) = delete;
  FolderMirror& operator=(const FolderMirror&) = delete;

  struct Pass {
    bool ok = true;
    std::size_t copied = 0;  // files written (or removed) in the copy
    std::string problem;     // the first failure, naming the file or folder
  };
  // Copies every file that changed since the last pass that worked for it
  // (every file at the first), and removes from the copy what this mirror
  // copied there and the folder no longer has. Not the folder's lease, nor
  // the files being written beside their old ones.
  Pass Sync();

  // Passes on a thread of its own: one at once, then one soon after each
  // Poke() (at most one every `gap`) and one every `period` anyway. `say`
  // is called on that thread at the first failure of an outage and when a
  // pass works again.
  void Start(std::function<void(const std::string&)> say,
             std::chrono::milliseconds period = std::chrono::seconds(2),
             std::chrono::milliseconds gap = std::chrono::milliseconds(300));
  // Something changed: a pass soon. Returns at once.
  void Poke();
  void Stop();

  const std::string& Mirror() const { return mirror_; }
  // Leaves the folder's sub-folder `name` (and what it holds) out of the
  // copy: a second desk keeps a capture of its own.
  void LeaveOut(std::string name) { leftOut_.push_back(std::move(name) + "/"); }

 private:
  std::string folder_, mirror_;
  std::vector<std::string> leftOut_;         // "capture/": sub-folders not copied
  std::map<std::string, FileStamp> copied_;  // by relative name, as last copied
  std::mutex mutex_;
  std::condition_variable wake_;
  bool poked_ = false, stopping_ = false;
  std::thread worker_;
};

// Whether the copy is the data folder's: one line per file that is missing
// from the copy, has other bytes there, or is only there; empty when they
// agree. The lease and the files being written are left out. A folder that
// cannot be read gives one line naming it.
std::vector<std::string> CompareWithMirror(const std::string& folder, const std::string& mirror);

}  // namespace poolside
