#pragma once
// A small meet as drive c: (ctl/dr_kyo.ctl -> c:\meet\, the program's
// folder prog/) with races 1..4: races 1 and 2 are finished (goal and lap
// files, "6" in the book), race 3 is the first of a combined race of two,
// race 4 its target. Lanes 4 and 5 have entries; lane 5 won in 2:09.99.

#include <array>
#include <cstdint>
#include <string>

#include "meetdata/competition_record.h"
#include "meetdata/meet_data.h"
#include "platform/paths.h"
#include "support/temp_dir.h"

namespace poolside::testing {

// A meet file of `races` heats, race N being program N heat 1 of 1 (women's
// event 14, round code 2) with the entries `entries` by lane; its first
// byte counts the races when `countFirst` (a count the meet file may keep).
inline std::string HeatsMeetFile(int races, const std::array<std::int16_t, kRows>& entries,
                                 bool countFirst = false) {
  std::string meet(10 * kMeetRecordLength, '\0');
  for (int race = 1; race <= races; ++race) {
    CompetitionRecord heat;
    heat.ProgramNo = static_cast<std::int16_t>(race);
    heat.HeatNo = 1;
    heat.HeatCount = 1;
    heat.SexCode = "2";
    heat.EventCode = 14;
    heat.RoundCode = "2";
    heat.EntryNo = entries;
    const Bytes record = EncodeCompetitionRecord(heat, "100000");
    meet.append(record.begin(), record.end());
  }
  if (countFirst) meet[0] = static_cast<char>(races);
  return meet;
}

class SmallMeet {
 public:
  static constexpr const char* kFinishedGoal =
      " 0 , 888888 , 0 , 888888 , 0 , 888888 , 2 , 13050 , 1 , 12999 , 0 , 888888 ,"
      " 0 , 888888 , 0 , 888888 , 0 , 888888 , 0 , 888888 ,";
  static constexpr const char* kFinishedLaps = " 4 , 1:03.00,L, 5 , 1:02.90,L, 5 , 2:09.99,G,";

  SmallMeet() {
    dir.MakeDir("ctl");
    dir.MakeDir("prog");
    dir.MakeDir("meet");
    dir.MakeDir("meet/lap");
    dir.MakeDir("meet/goal");
    dir.Write("ctl/dr_kyo.ctl", "1,\"c:\\meet\\\",0\r\n");
    dir.Write("meet/taikai.dat", HeatsMeetFile(4, {0, 0, 0, 4001, 4002}));
    dir.Write("meet/Race.dat", "6621" + std::string(1020, '\0'));
    for (const char* n : {"0001", "0002"}) {
      dir.Write(std::string("meet/goal/g") + n, kFinishedGoal);
      dir.Write(std::string("meet/lap/r") + n, kFinishedLaps);
    }
    paths.MapDrive('c', dir.Path());
    meetData.DataFolder = "c:\\meet\\";
  }
  std::string Export(const std::string& name) const { return dir.Read("meet/export/" + name); }
  // Sets race `race`'s character in the book.
  void SetStatus(int race, char status) const {
    std::string book = dir.Read("meet/Race.dat");
    book[static_cast<std::size_t>(race - 1)] = status;
    dir.Write("meet/Race.dat", book);
  }

  TempDir dir;
  PathMapper paths;
  MeetData meetData{paths};
};

}  // namespace poolside::testing
