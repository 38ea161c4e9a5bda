#include "app/lease_gate.h"

#include "meetdata/meet_data.h"
#include "platform/messages.h"

namespace poolside {

std::string LeasePathOf(const PathMapper& paths) {
  MeetData meet(paths);
  try {
    meet.ReadControlFile("..\\ctl\\dr_kyo.ctl");
  } catch (const std::exception&) {
    return "";
  }
  return meet.DataPath(kLeaseFileName);
}

namespace {

// A lease file that cannot be written is no other writer: the program goes
// on without one, as it ran before there were leases.
constexpr const char* kWithoutLease = " (使用権の記録なしで続けます)";

}  // namespace

bool TakeLeaseForCommand(const PathMapper& paths, const std::string& program, bool takeOver,
                         std::ostream& err, std::unique_ptr<FolderLease>& lease) {
  lease.reset();
  const std::string path = LeasePathOf(paths);
  // No control file: the command's own reading says so.
  if (path.empty()) return true;
  auto taken = std::make_unique<FolderLease>(path, program);
  const FolderLease::Outcome got = taken->Acquire(takeOver);
  if (!got.message.empty()) {
    err << got.message;
    if (got.kind == FolderLease::Outcome::Stale) err << " (--take-over で引き継ぎます)";
    if (got.kind == FolderLease::Outcome::Failed) err << kWithoutLease;
    err << "\n";
  }
  if (got.kind == FolderLease::Outcome::Failed) return true;
  if (got.kind != FolderLease::Outcome::Held) return false;
  lease = std::move(taken);
  return true;
}

bool TakeLeaseForDesk(const PathMapper& paths, MessageSink& messages, std::ostream& err,
                      std::unique_ptr<FolderLease>& lease, const std::string& program) {
  lease.reset();
  const std::string path = LeasePathOf(paths);
  // No control file: nothing to hold; the load says what is wrong.
  if (path.empty()) return true;
  auto taken = std::make_unique<FolderLease>(path, program);
  FolderLease::Outcome got = taken->Acquire(false);
  if (got.kind == FolderLease::Outcome::Stale) {
    if (!messages.AskOkCancel(got.message)) return false;
    got = taken->Acquire(true);
  }
  if (got.kind == FolderLease::Outcome::Failed) {
    err << got.message << kWithoutLease << "\n";
    return true;
  }
  if (got.kind != FolderLease::Outcome::Held) {
    messages.ShowError(got.message);
    return false;
  }
  if (!got.message.empty()) err << got.message << "\n";
  lease = std::move(taken);
  return true;
}

}  // namespace poolside
