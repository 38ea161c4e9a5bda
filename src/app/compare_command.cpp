#include "app/compare_command.h"

#include "meetdata/folder_compare.h"
#include "platform/paths.h"

namespace poolside {

int RunCompare(const Options& options, std::ostream& out, std::ostream& err) {
  PathMapper paths;
  for (const auto& [letter, dir] : options.drives) paths.MapDrive(letter, dir);
  const FolderComparison comparison =
      CompareRaceFolders(paths, options.compareLeft, options.compareRight);
  if (comparison.folderUnreadable) {
    for (const std::string& problem : comparison.problems) err << problem << "\n";
    return 2;
  }
  for (const std::string& line : ComparisonLines(comparison)) out << line << "\n";
  const bool same = comparison.differences.empty() && comparison.problems.empty();
  out << (same ? "same: " : "differs: ") << options.compareLeft << " " << options.compareRight
      << "\n";
  out.flush();
  return same ? 0 : 1;
}

}  // namespace poolside
