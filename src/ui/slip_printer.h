#pragma once
// The time adjustment slip of a race: its header, per lane the console's
// time, the watches, the backup time, the difference, the time used, the
// reason and the flags, and lines for the referee's and the operator's
// signatures. Saved as a PDF file (export\rNNNN-slip.pdf) and, at the desk,
// printed on the default printer.

#include <string>

#include "platform/messages.h"
#include "results/race_result.h"

namespace poolside {

// Writes the slip into `pdfFile` (its folder must exist). "" when written,
// else the reason naming the file. Needs a QGuiApplication.
std::string SaveSlipPdf(const RaceResult& result, const std::string& pdfFile);
// Prints it on the default printer; no printer: a message, nothing printed.
void PrintSlip(const RaceResult& result, MessageSink& messages);

}  // namespace poolside
