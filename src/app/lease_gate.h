#pragma once
// The data folder's lease (meetdata/folder_lease.h) taken by the programs
// that write the folder: the desk at its start, the command lines that
// apply a repair or a recovery.

#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "meetdata/folder_lease.h"
#include "platform/paths.h"

namespace poolside {

class MessageSink;

// The lease file of the data folder that the control file names ("" when
// the control file cannot be read: the load then says why).
std::string LeasePathOf(const PathMapper& paths);

// For a command line: true with `lease` held, or null when the lease file
// cannot be written at all (a read-only or full folder: said on `err`, and
// the command goes on to meet the same fault in its own writes); false
// with the message on `err` when another writer holds the folder (a stale
// lease is taken only with `takeOver`).
bool TakeLeaseForCommand(const PathMapper& paths, const std::string& program, bool takeOver,
                         std::ostream& err, std::unique_ptr<FolderLease>& lease);

// For the desk: true with `lease` held, or null when the control file
// cannot be read (the load then says why) or the lease file cannot be
// written (a read-only or full folder: said on `err`; the desk runs as it
// always did there); false after the message (another writer) or the
// question (a stale lease, Cancel) was shown.
// `program`: what the holder's message calls it.
bool TakeLeaseForDesk(const PathMapper& paths, MessageSink& messages, std::ostream& err,
                      std::unique_ptr<FolderLease>& lease,
                      const std::string& program = "poolside (計時)");

}  // namespace poolside
