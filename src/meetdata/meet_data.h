#pragma once
// The meet data module: the data folder, the meet file with its two
// in-memory copies, the settings and the program page file. One instance is
// shared by both windows.

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "meetdata/competition_record.h"
#include "meetdata/settings.h"
#include "platform/paths.h"
#include "platform/record_file.h"

namespace poolside {

class MeetData {
 public:
  explicit MeetData(const PathMapper& paths) : paths_(paths) {}

  const PathMapper& Paths() const { return paths_; }

  // --- data folder and control file
  // Reads the control file at `path` (a path of the meet office's form) and
  // sets DataFolder from item 2, ending in a backslash (or the folder that
  // PathMapper::MapDataFolder puts in its place, ending in "/"). Throws IoError naming
  // the file when it is missing or holds fewer than three items.
  void ReadControlFile(std::string_view path);
  std::string DataFolder;
  // Native path of DataFolder + name ("taikai.dat", "lap\\r0007").
  std::string DataPath(std::string_view name) const;

  // The bytes of a control file whose item 2 is `dataFolder` (quoted when
  // it holds a comma), item 1 `title` and item 3 "1": Shift-JIS, CRLF line
  // ends. Throws RuntimeError when the folder's name cannot be written in a
  // control file (a double quote, or a character Shift-JIS lacks).
  static std::string ControlFileBytes(const std::string& title, const std::string& dataFolder);

  // --- start-up warnings
  // Where a warning that must not stop the program goes (a meet file shorter
  // than its count, one created empty, settings that fell back to defaults).
  // Each distinct text is given once. Unset: standard error.
  std::function<void(const std::string&)> OnWarning;
  // Told after the meet file's heats changed: race n's heat saved
  // (SaveCurrentHeat), or 0 for every heat (the file replaced by an import).
  std::function<void(int race)> OnHeatsChanged;

  // --- meet file
  // (Re)opens the meet file, sets CompetitionCount. Creates the file empty
  // when missing and warns about that, or about a file shorter than its count.
  void LoadMeetHeader();
  void CloseMeetFile();
  bool MeetFileOpen() const { return meetFile_.IsOpen(); }
  // n is a competition number; n > 32757 throws OverflowError before any
  // read or write. Reads past the end give zero records.
  void LoadCurrentHeat(int n);
  void SaveCurrentHeat(int n);
  void LoadRaceHeat(int n);  // opens and closes its own handle
  std::int16_t CompetitionCount = 0;
  std::int16_t CurrentCompetitionNo = 0;
  CompetitionRecord CurrentHeat;  // StartTime as hh:mm:ss
  CompetitionRecord RaceHeat;     // StartTime as hhmmss

  // --- settings
  void LoadMeetSettings();   // falls back to ResetMeetSettings with a warning
  void ResetMeetSettings();  // items 3..70 to defaults; 71..75 kept
  MeetSettings Settings;

  // --- program pages
  void LoadPageHeader();  // (re)opens "hpro.dat", sets PageCount, stays open
  // The last page listing competition n in elements 1..8, or none.
  std::optional<int> FindCompetitionPage(int n);
  void ClosePageFile();
  std::int16_t PageCount = 0;

  // Closes the meet file and the program page file.
  void CloseAll();

 private:
  void Warn(const std::string& text);

  const PathMapper& paths_;
  std::set<std::string> warned_;
  RecordFile meetFile_;
  RecordFile pageFile_;
};

}  // namespace poolside
