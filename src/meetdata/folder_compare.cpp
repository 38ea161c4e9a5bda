#include "meetdata/folder_compare.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <optional>

#include "platform/cp932.h"
#include "platform/file_read.h"
#include "platform/file_system.h"
#include "vocabulary/data_folder.h"
#include "vocabulary/lap_goal_files.h"
#include "vocabulary/race_status.h"

namespace poolside {

namespace {

// One side's copy of a file: its records, or none when it has no such file.
struct SideFile {
  bool present = false;
  std::vector<std::string> records;
};

// The files of one folder by their names in lower case with "/" between
// folders ("lap/r0003"), listed once: a name is found as the program finds
// it (letter case aside) without searching the folder for every race.
class FolderIndex {
 public:
  bool List(const std::string& folder) {
    folder_ = folder;
    std::vector<FileStamp> files;
    if (!ListFilesUnder(folder, files)) return false;
    for (const FileStamp& f : files) byName_.emplace(Lower(f.relative), f.relative);
    return true;
  }
  // The native path of `name` ("lap\\r0003"); where the folder has no such
  // file, the path it would have (reads as missing).
  std::string PathOf(const std::string& name) const {
    std::string key = Lower(name);
    std::replace(key.begin(), key.end(), '\\', '/');
    const auto it = byName_.find(key);
    return folder_ + "/" + (it == byName_.end() ? key : it->second);
  }

 private:
  static std::string Lower(std::string text) {
    for (char& c : text) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
  }
  std::string folder_;
  std::map<std::string, std::string> byName_;
};

std::string FailureText(const std::string& path, const FileRead& read) {
  switch (read.outcome) {
    case FileReadOutcome::NotAFile:
      return "ファイルではありません: " + path;
    case FileReadOutcome::TooLarge:
      return "ファイルが大きすぎます: " + path;
    default:
      return "ファイルを読めません: " + path + " (" + std::strerror(read.error) + ")";
  }
}

// Reads one race file of one side; a file that is there but cannot be read
// is a problem, named.
SideFile ReadSide(const std::string& path, bool goal, std::vector<std::string>& problems) {
  const FileRead read = goal ? ReadGoalFile(path) : ReadLapFile(path);
  SideFile side;
  if (read.outcome == FileReadOutcome::Missing) return side;
  if (read.outcome != FileReadOutcome::Ok) {
    problems.push_back(FailureText(path, read));
    return side;
  }
  side.present = true;
  side.records = goal ? GoalFileRecords(read.bytes) : LapFileRecords(read.bytes);
  return side;
}

std::string Quoted(const std::string& record) { return "\"" + record + "\""; }

std::optional<RaceFileDifference> FirstDifference(int race, const std::string& file, bool lapFile,
                                                  const SideFile& left, const SideFile& right) {
  // A lap file with no record holds what no lap file holds: a desk that
  // put the race on screen (and opened its lap file) a moment before it was
  // stopped agrees with one that never did.
  const bool leftEmpty = !left.present || (lapFile && left.records.empty());
  const bool rightEmpty = !right.present || (lapFile && right.records.empty());
  if (leftEmpty && rightEmpty) return std::nullopt;
  if (left.present != right.present) {
    // A file on one side only: its first record against nothing (an empty
    // file against none differs at record 1 too).
    const SideFile& there = left.present ? left : right;
    RaceFileDifference d{race, file, 1, kNoRecord, kNoRecord};
    const std::string first =
        there.records.empty() ? "(空のファイル)" : Quoted(there.records.front());
    (left.present ? d.left : d.right) = first;
    (left.present ? d.right : d.left) = "(ファイルなし)";
    return d;
  }
  const std::size_t n = std::max(left.records.size(), right.records.size());
  for (std::size_t i = 0; i < n; ++i) {
    const std::string a = i < left.records.size() ? Quoted(left.records[i]) : kNoRecord;
    const std::string b = i < right.records.size() ? Quoted(right.records[i]) : kNoRecord;
    if (a != b) return RaceFileDifference{race, file, i + 1, a, b};
  }
  return std::nullopt;
}

// The status book of one side: its 1024 characters ("" when there is none).
std::string ReadBook(const std::string& bookPath, bool& present,
                     std::vector<std::string>& problems) {
  FileReadOptions options;
  options.maxBytes = kBookLength;
  options.prefix = true;
  const FileRead read = ReadFileBounded(bookPath, options);
  present = read.outcome == FileReadOutcome::Ok;
  if (read.outcome != FileReadOutcome::Ok && read.outcome != FileReadOutcome::Missing) {
    problems.push_back(FailureText(bookPath, read));
  }
  return present ? read.bytes : std::string();
}

// The book's character of `race` as text ("6"), or kNoRecord beyond the
// book's end (a short book reads as blanks would not: it is shown as it is).
std::string BookRecord(const std::string& book, bool present, int race) {
  if (!present) return "(ファイルなし)";
  const auto at = static_cast<std::size_t>(race - 1);
  if (at >= book.size()) return kNoRecord;
  return "\"" + Cp932ToUtf8(book.substr(at, 1)) + "\"";
}

}  // namespace

FolderComparison CompareRaceFolders(const PathMapper& paths, const std::string& left,
                                    const std::string& right) {
  FolderComparison out;
  FolderIndex a, b;
  for (const auto& [folder, index] : {std::pair{&left, &a}, std::pair{&right, &b}}) {
    if (!index->List(paths.Resolve(*folder))) {
      out.problems.push_back("フォルダを読めません: " + *folder + " (" + std::strerror(errno) +
                             ")");
      out.folderUnreadable = true;
    }
  }
  if (out.folderUnreadable) return out;
  bool leftBook = false, rightBook = false;
  const std::string bookA = ReadBook(a.PathOf(kBookFileName), leftBook, out.problems);
  const std::string bookB = ReadBook(b.PathOf(kBookFileName), rightBook, out.problems);
  for (int race = 1; race <= kBookRaces; ++race) {
    const std::string lapName = LapFileName(race), goalName = GoalFileName(race);
    const SideFile lapA = ReadSide(a.PathOf(lapName), false, out.problems);
    const SideFile lapB = ReadSide(b.PathOf(lapName), false, out.problems);
    const SideFile goalA = ReadSide(a.PathOf(goalName), true, out.problems);
    const SideFile goalB = ReadSide(b.PathOf(goalName), true, out.problems);
    const std::string statusA = BookRecord(bookA, leftBook, race);
    const std::string statusB = BookRecord(bookB, rightBook, race);
    const auto at = static_cast<std::size_t>(race - 1);
    const bool doneEither = (at < bookA.size() && IsDoneStatus(bookA[at])) ||
                            (at < bookB.size() && IsDoneStatus(bookB[at]));
    const bool anything = lapA.present || lapB.present || goalA.present || goalB.present ||
                          doneEither || statusA != statusB;
    if (!anything) continue;
    bool differs = false;
    if (auto d = FirstDifference(race, lapName, true, lapA, lapB)) {
      out.differences.push_back(*d);
      differs = true;
    }
    if (auto d = FirstDifference(race, goalName, false, goalA, goalB)) {
      out.differences.push_back(*d);
      differs = true;
    }
    if (statusA != statusB) {
      out.differences.push_back(RaceFileDifference{
          race, kBookFileName, static_cast<std::size_t>(race), statusA, statusB});
      differs = true;
    }
    if (!differs) out.same.push_back(race);
  }
  return out;
}

std::vector<std::string> ComparisonLines(const FolderComparison& comparison) {
  std::map<int, std::vector<std::string>> byRace;
  for (int race : comparison.same) byRace[race].push_back("same");
  for (const RaceFileDifference& d : comparison.differences) {
    byRace[d.race].push_back(d.file + " record " + std::to_string(d.record) +
                             " differs: " + d.left + " | " + d.right);
  }
  std::vector<std::string> lines;
  for (const auto& [race, texts] : byRace) {
    for (const std::string& text : texts)
      lines.push_back("race " + std::to_string(race) + ": " + text);
  }
  for (const std::string& problem : comparison.problems) lines.push_back(problem);
  return lines;
}

}  // namespace poolside
