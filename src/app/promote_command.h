#pragma once
// Promoting the second desk (--promote FOLDER, and the menu entry of its
// window): the lease of the desk's folder (the meet's data folder, or the
// copy of --mirror when the meet's folder was on the lost PC) is taken, the
// races the desk had not finished are re-timed there from the second desk's
// capture (recovery/promotion.h), and the promotion is journaled.

#include <memory>
#include <ostream>
#include <string>

#include "app/options.h"
#include "meetdata/folder_lease.h"
#include "platform/paths.h"

namespace poolside {

// The folder promoted into: `paths` maps the data folder where the desk
// will run (its own mapping, for a copy). `shadow`: the second desk's
// folder; `captureFolder`: its capture ("" for FOLDER's "capture"). The
// lease taken stays in `lease` for the caller (a window that becomes the
// desk keeps it; null when the folder takes no lease file at all).
// `status`: 0 when every finished race was written, 1 otherwise (each
// failure said on `err`, naming the race or the file); `promoted`: the
// promotion went through (false: nothing was written).
struct Promotion {
  int status = 1;
  bool promoted = false;
};
Promotion PromoteShadow(const PathMapper& paths, const std::string& shadow,
                        const std::string& captureFolder, const Options& options, std::ostream& out,
                        std::ostream& err, std::unique_ptr<FolderLease>& lease);

// --promote FOLDER [--mirror DIR] [--capture DIR] [--take-over]: the same
// from the command line, the lease released at the end; 2 for wrong options.
int RunPromote(const Options& options, std::ostream& out, std::ostream& err);

}  // namespace poolside
