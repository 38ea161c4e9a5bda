#pragma once
// poolside --backups N [--lane L [--watch T [T [T]]] [--use console|backup|T
// --reason TEXT] [--apply]]: lists race N's watches and official times per
// lane, or shows and writes one lane's watches and decision.
// poolside --official N [--apply]: lists race N's flagged lanes without a
// decision, or signs the race off (公式). Both run before any window
// exists; they return the exit status (0 done, 1 a failure, 2 options that
// are wrong), as --touches.

#include <ostream>
#include <string>
#include <vector>

#include "app/options.h"

namespace poolside {

int RunBackups(const Options& options, const std::vector<std::string>& args, std::ostream& out,
               std::ostream& err);
int RunOfficial(const Options& options, const std::vector<std::string>& args, std::ostream& out,
                std::ostream& err);

}  // namespace poolside
