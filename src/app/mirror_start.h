#pragma once
// The copy of the data folder off the machine (meetdata/folder_mirror.h),
// as the desk and the command lines that write use it, and the check of a
// copy (--verify-mirror).

#include <memory>
#include <ostream>
#include <string>

#include "feed/race_feed.h"
#include "meetdata/folder_mirror.h"
#include "platform/paths.h"

namespace poolside {

// Asks the mirror for a pass after every event of the feed but the clock.
class MirrorPoke : public RaceListener {
 public:
  explicit MirrorPoke(FolderMirror& mirror) : mirror_(mirror) {}
  void OnRaceEvent(const RaceEvent& event) override;

 private:
  FolderMirror& mirror_;
};

// The native path of the data folder that the control file names; "" when
// the control file cannot be read.
std::string DataFolderOf(const PathMapper& paths);

// After a command line wrote: one pass into `mirror`; a failure is said on
// `err` (what was written stays written).
void MirrorAfterCommand(const PathMapper& paths, const std::string& mirror, std::ostream& err);

// --verify-mirror DIR: what differs, one line each, then a summary; 0 when
// the copy is the folder's, 1 otherwise.
int VerifyMirror(const PathMapper& paths, const std::string& mirror, std::ostream& out,
                 std::ostream& err);

}  // namespace poolside
