#include "export/race_export.h"

#include <cerrno>
#include <cstring>
#include <ostream>
#include <set>

#include "meetdata/meet_data.h"
#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/fs_path.h"
#include "platform/record_file.h"
#include "racebook/race_book.h"
#include "results/race_json.h"
#include "results/race_results.h"
#include "results/standings.h"
#include "vocabulary/data_folder.h"
#include "vocabulary/race_status.h"

namespace poolside {

namespace {

// Creates the export folder; "" when it exists afterwards, else the cause.
std::string EnsureFolder(const std::string& folder) {
  const FolderMade made = MakeFolder(folder);
  if (made.ok) return "";
  if (made.notAFolder) {
    return "書き出しフォルダを作れません: " + folder + " (フォルダではないものがあります)";
  }
  return "書き出しフォルダを作れません: " + folder + " (" + std::strerror(made.error) + ")";
}

}  // namespace

std::string ExportFolderOf(const MeetData& meet) { return meet.DataPath(kExportFolderName); }

ExportReport WriteRaceExport(const RaceResult& result, const std::string& folder,
                             CsvEncoding encoding) {
  ExportReport report;
  report.failure = EnsureFolder(folder);
  if (!report.failure.empty()) return report;
  const std::string base = JoinNative(folder, "r" + result.raceText);
  const std::pair<std::string, std::string> files[] = {
      {base + ".json", RaceJson(result) + "\n"},
      {base + ".csv", EncodeCsv(RaceCsv(result), encoding)},
  };
  for (const auto& [path, content] : files) {
    try {
      ReplaceFileAtomically(path, content);
      report.written.push_back(path);
    } catch (const std::exception& e) {
      report.failure = std::string("結果を書き出せません: ") + e.what();
      return report;
    }
  }
  return report;
}

ExportReport WriteEventExport(int program, const std::string& json, const std::string& folder) {
  ExportReport report;
  report.failure = EnsureFolder(folder);
  if (!report.failure.empty()) return report;
  const std::string path = JoinNative(folder, "event" + std::to_string(program) + ".json");
  try {
    ReplaceFileAtomically(path, json + "\n");
    report.written.push_back(path);
  } catch (const std::exception& e) {
    report.failure = std::string("種目の順位を書き出せません: ") + e.what();
  }
  return report;
}

std::string EventExportJson(RaceResults& results, int program) {
  const Standings standings = results.StandingsOf(program);
  return standings.heats == 0 ? std::string() : StandingsJson(standings);
}

int ExportAllFinished(MeetData& meet, CsvEncoding encoding, std::ostream& out,
                      const ResultRules& rules) {
  RaceBookState book;
  try {
    meet.ReadControlFile("..\\ctl\\dr_kyo.ctl");
    meet.LoadMeetSettings();
    const std::string bookPath = meet.DataPath(kBookFileName);
    if (!FileExists(bookPath)) throw IoError("ファイルがありません: " + bookPath);
    const std::string bytes = ReadWholeFile(bookPath);
    book.RaceBook.replace(0, std::min(bytes.size(), kBookLength), bytes, 0, kBookLength);
  } catch (const std::exception& e) {
    out << e.what() << "\n";
    return 1;
  }
  const std::string folder = ExportFolderOf(meet);
  int status = 0;
  // A desk file that cannot be read is said; the races export as their
  // files read.
  RaceResults results([&out](const std::string& problem) { out << problem << "\n"; });
  results.SetRules(rules);
  results.entryProblems = [&out](const std::vector<std::string>& lines) {
    for (const std::string& line : lines) out << line << "\n";
  };
  results.SetFolder(ResultFolderOf(meet));
  int races = 0;
  std::set<int> programs;
  for (int race = 1; race <= kBookRaces; ++race) {
    if (!IsDoneStatus(book.RaceBook[race - 1])) continue;
    ++races;
    if (const int program = results.ProgramOf(race); program > 0) programs.insert(program);
    const RaceResult& result = *results.ResultOf(race);
    for (const ReadProblem& p : result.problems) {
      out << "レース " << race << ": " << p.file << ": " << p.what << "\n";
    }
    const ExportReport report = WriteRaceExport(result, folder, encoding);
    for (const std::string& path : report.written) out << "書き出しました: " << path << "\n";
    if (!report.failure.empty()) {
      out << report.failure << "\n";
      status = 1;
    }
  }
  for (int program : programs) {
    const std::string json = EventExportJson(results, program);
    if (json.empty()) continue;
    const ExportReport report = WriteEventExport(program, json, folder);
    for (const std::string& path : report.written) out << "書き出しました: " << path << "\n";
    if (!report.failure.empty()) {
      out << report.failure << "\n";
      status = 1;
    }
  }
  if (races == 0) out << "終了したレースがありません: " << meet.DataPath(kBookFileName) << "\n";
  return status;
}

}  // namespace poolside
