#pragma once
// poolside --touches N [--lane L (--drop K | --insert-after K [TIME] |
// --as-finish K | --as-lap K) [--apply]]: lists race N's touches per lane,
// or shows and writes one repair of them. Runs before any window exists;
// returns the exit status (0 done, 1 a failure, 2 options that are wrong).

#include <ostream>
#include <string>
#include <vector>

#include "app/options.h"

namespace poolside {

// `args`: the command line after the program name (for the journal's start
// line: an applied repair is journaled in a capture file of its own).
int RunTouches(const Options& options, const std::vector<std::string>& args, std::ostream& out,
               std::ostream& err);

}  // namespace poolside
