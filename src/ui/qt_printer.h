#pragma once
// The ranking print on the default printer (or into a PDF file for tests).

#include <string>
#include <vector>

#include "competition/ranking_line.h"
#include "platform/messages.h"

namespace poolside {

// Prints one page; with `pdfFile` set, into that file instead of a printer.
// No printer available: a message, nothing printed.
void PrintRankingPage(const std::string& title, const std::vector<RankingLine>& lines,
                      const std::string& pdfFile, MessageSink& messages);

}  // namespace poolside
