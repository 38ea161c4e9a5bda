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

std::unique_ptr<FolderLease> TakeLeaseForCommand(const PathMapper& paths,
                                                 const std::string& program, bool takeOver,
                                                 std::ostream& err) {
  const std::string path = LeasePathOf(paths);
  if (path.empty()) {
    err << "制御ファイル ..\\ctl\\dr_kyo.ctl を読めません\n";
    return nullptr;
  }
  auto lease = std::make_unique<FolderLease>(path, program);
  const FolderLease::Outcome got = lease->Acquire(takeOver);
  if (!got.message.empty()) {
    err << got.message;
    if (got.kind == FolderLease::Outcome::Stale) err << " (--take-over で引き継ぎます)";
    err << "\n";
  }
  if (got.kind != FolderLease::Outcome::Held) return nullptr;
  return lease;
}

bool TakeLeaseForDesk(const PathMapper& paths, MessageSink& messages, std::ostream& err,
                      std::unique_ptr<FolderLease>& lease) {
  lease.reset();
  const std::string path = LeasePathOf(paths);
  // No control file: nothing to hold; the load says what is wrong.
  if (path.empty()) return true;
  auto taken = std::make_unique<FolderLease>(path, "poolside (計時)");
  FolderLease::Outcome got = taken->Acquire(false);
  if (got.kind == FolderLease::Outcome::Stale) {
    if (!messages.AskOkCancel(got.message)) return false;
    got = taken->Acquire(true);
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
