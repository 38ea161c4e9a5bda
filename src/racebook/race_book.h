#pragma once
// The race status book "Race.dat": one status character per race, 1024 races,
// and the start-up race selection.

#include <string>

#include "meetdata/meet_data.h"
#include "vocabulary/data_folder.h"
#include "vocabulary/race_status.h"

namespace poolside {

// The book's size is kBookRaces (kBookLength bytes), vocabulary/data_folder.h.

// The timing window's race fields.
struct RaceBookState {
  int RaceNo = 1;                                         // current race; 1 or more
  std::string RaceBook = std::string(kBookLength, '\0');  // byte k-1 = race k
  std::string RaceStat;  // status character of RaceNo; empty beyond 1024
};

// Status character tests by character code (NUL < "0" < ... < "9" < letters).
bool IsCombinedCount(const std::string& stat);  // "1" to "5"

// Native path of the book file of the meet's data folder.
std::string BookPath(const MeetData& meet);
// Reloads RaceBook from the file (missing bytes read as NUL; a missing file
// is created empty) and sets RaceStat. Throws IoError naming the file.
void LoadRaceStat(MeetData& meet, RaceBookState& book);
// Writes all 1024 characters, replacing the file in one step.
void SaveRaceBook(MeetData& meet, const RaceBookState& book);
// Loads the book and chooses the race to time at start-up.
void FindOpenRace(MeetData& meet, RaceBookState& book);
// Sets character k (1..1024) of RaceBook; positions outside are ignored.
void SetRaceStatus(RaceBookState& book, int k, char status);

}  // namespace poolside
