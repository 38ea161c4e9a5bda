#pragma once
// poolside --recover FILE [--take K --as N [--apply]]: lists the races of a
// capture, or shows and writes the re-timing of one of them. Runs before
// any window exists; returns the exit status.

#include <ostream>

#include <string>
#include <vector>

#include "app/options.h"
#include "platform/paths.h"
#include "recovery/race_retiming.h"

namespace poolside {

// The re-timed race through the result's owner, as the timing window tells
// an applied recovery: the race, then the book's changes (its combined
// targets). Returns one message per failure of its export.
std::vector<std::string> ExportRetimed(const PathMapper& paths, const Retiming& retiming,
                                       const Options& options);

int RunRecover(const Options& options, std::ostream& out, std::ostream& err);

}  // namespace poolside
