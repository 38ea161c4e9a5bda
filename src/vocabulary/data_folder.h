#pragma once
// The meet's data folder as every program of the meet office sees it: the
// names of its files and the bounds of the numbers in them. Names are
// relative to the data folder, with "\" between folders (MeetData::DataPath
// and PathMapper::Resolve make native paths of them).

#include <cstddef>
#include <string>

namespace poolside {

// The status book Race.dat holds one character for each of races 1..1024.
inline constexpr int kBookRaces = 1024;
inline constexpr std::size_t kBookLength = kBookRaces;  // its bytes
// The highest race the timing window moves on to: the number text of its
// files (race + 10000) still fits a 16-bit whole number (32767).
inline constexpr int kLastRace = 22767;
// Record numbers are 16-bit and data record n is record n + 10: the highest
// n a file can address (competition, page, program order entry).
inline constexpr int kLastNumberedRecord = 32757;

inline constexpr const char* kMeetFileName = "taikai.dat";     // the meet file
inline constexpr const char* kBookFileName = "Race.dat";       // the status book
inline constexpr const char* kSettingsFileName = "kijun.dat";  // the meet's settings
inline constexpr const char* kPageFileName = "hpro.dat";       // the program pages
inline constexpr const char* kProgramOrderFileName = "projun.dat";
inline constexpr const char* kCaptureFolderName = "capture";  // the capture journal's default
inline constexpr const char* kExportFolderName = "export";    // the per-race export

// "0007" for race 7: the last four digits of race + 10000 (all of them when
// there are fewer). Names the race's lap, goal and export files.
std::string RaceFileNumber(int race);
std::string GoalFileName(int race);  // "goal\g0007"
std::string LapFileName(int race);   // "lap\r0007"

}  // namespace poolside
