#pragma once
// Writing one race's export files: export\rNNNN.json and export\rNNNN.csv
// in the data folder (docs/export.md).

#include <string>
#include <vector>

#include "results/race_csv.h"
#include "results/race_result.h"
#include "results/race_results.h"
#include "results/standings.h"

namespace poolside {

class MeetData;
class RaceResults;

// Native path of the data folder's "export" folder (an existing folder is
// matched without regard to letter case, like every name of the folder).
std::string ExportFolderOf(const MeetData& meet);

struct ExportReport {
  std::vector<std::string> written;  // native paths, in the order written
  std::string failure;               // "" when both files were written
};

// Creates `folder` when it is missing (its parent, the data folder, must
// exist) and replaces rNNNN.json, then rNNNN.csv, each atomically: a file is
// either the old one or the new one, never half written. Never throws for
// the disk's sake: a failure stops at the file concerned and is described
// in `failure`, naming the file and the cause.
ExportReport WriteRaceExport(const RaceResult& result, const std::string& folder,
                             CsvEncoding encoding);

// export\eventP.json: the standings JSON of program P (standings.h),
// replaced atomically like a race's files.
ExportReport WriteEventExport(int program, const std::string& json, const std::string& folder);
// The standings JSON of program P as `results` has them, for the export;
// "" when the meet file has no race of P.
std::string EventExportJson(RaceResults& results, int program);

// Both files of every race the book marks done ("6", "7", "8", ...), each
// as the result's owner has it (results/race_results.h) under the desk's
// `rules`, then eventP.json of every program with a race done, for
// `--export-all`: one line per file written ("書き出しました: PATH") and one
// per problem ("goal\g0003: ありません") on `out`. Returns 0 when every file
// was written, 1 otherwise (the control file, the meet or the book
// unreadable, or a file that could not be written).
int ExportAllFinished(MeetData& meet, CsvEncoding encoding, std::ostream& out,
                      const ResultRules& rules);

}  // namespace poolside
