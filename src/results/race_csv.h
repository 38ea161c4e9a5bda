#pragma once
// The CSV of one race: a header row and one row per lane with the columns of
// the JSON flattened (docs/export.md), the splits as the last columns.

#include <string>

#include "results/race_result.h"

namespace poolside {

enum class CsvEncoding {
  Utf8Bom,  // UTF-8 with a byte order mark, so spreadsheets take it as UTF-8
  Cp932,    // Shift-JIS for the meet office's older tools; "?" for what it lacks
};

// The CSV as UTF-8 text without a byte order mark; rows end in CR LF.
// A field holding a comma, a double quote or a line end is quoted; a text
// field starting with = + - @ or a tab gets a leading apostrophe so that a
// spreadsheet never takes it as a formula.
std::string RaceCsv(const RaceResult& result);
// RaceCsv in the file's encoding, ready to be written.
std::string EncodeCsv(const std::string& utf8Csv, CsvEncoding encoding);

}  // namespace poolside
