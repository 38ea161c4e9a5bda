#pragma once
// poolside --backups N [--lane L [--watch T [T [T]]] [--use console|backup|T
// --reason TEXT] [--apply]]: lists race N's watches and official times per
// lane, or shows and writes one lane's watches and decision.
// poolside --official N [--apply]: lists race N's flagged lanes without a
// decision, or signs the race off (公式). Both run before any window
// exists; they return the exit status (0 done, 1 a failure, 2 options that
// are wrong), as --touches.

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "app/options.h"
#include "results/race_result.h"

namespace poolside {

class MeetData;

// Writes the time adjustment slip of a result into a PDF file: "" when
// written, else the reason naming the file. The windowed program sets one
// (Qt draws the slip); poolside-cli has none and says so.
using SlipWriter = std::function<std::string(const RaceResult&, const std::string& pdfFile)>;
void SetSlipWriter(SlipWriter writer);
// export\rNNNN-slip.pdf of race N, as a native path.
std::string SlipPath(const MeetData& meet, int race);
// Writes race N's slip after a decision or a sign-off: the file named on
// `out`, a failure on `err`.
void WriteSlip(const MeetData& meet, const RaceResult& result, std::ostream& out,
               std::ostream& err);

int RunBackups(const Options& options, const std::vector<std::string>& args, std::ostream& out,
               std::ostream& err);
int RunOfficial(const Options& options, const std::vector<std::string>& args, std::ostream& out,
                std::ostream& err);

}  // namespace poolside
