#pragma once
// A timing window reduced to what the race book operations use: the book,
// the meet data over a temporary data folder, the two boxes and the
// messages. Its ShowRaceHeader does to the book and the status box what the
// real window does, so the status box's re-entrant change handling runs.

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "meetdata/competition_record.h"
#include "platform/cp932.h"
#include "racebook/race_screen.h"
#include "racebook/status_entry.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace poolside::testing {

class FakeRaceScreen : public RaceScreen {
 public:
  FakeRaceScreen() : meet(paths) {
    meet.DataFolder = dir.Path() + "\\";
    ketugo.onChange = [this] { OnStatusBoxChange(*this); };
  }

  RaceBookState& Book() override { return book; }
  MeetData& Meet() override { return meet; }
  MessageSink& Messages() override { return messages; }
  TextBox& RaceSelectBox() override { return biko; }
  TextBox& StatusBox() override { return ketugo; }

  void ShowRaceHeader() override {
    ++headers;
    // The change handling runs inside SetText below; a handler that never
    // settles would recurse for ever.
    ++depth;
    if (depth > 8) {
      ADD_FAILURE() << "status box change handling does not settle";
      --depth;
      return;
    }
    const bool inBook = book.RaceNo >= 1 && book.RaceNo <= kBookRaces;
    if (inBook) {
      meet.LoadRaceHeat(book.RaceNo);
    } else {
      meet.RaceHeat = CompetitionRecord{};
    }
    LoadRaceStat(meet, book);
    if (!inBook) book.RaceStat.clear();
    const std::string& stat = book.RaceStat;
    ketugo.SetText(stat.empty() || stat[0] == '\0' ? std::string()
                                                   : Cp932ToUtf8(stat.substr(0, 1)));
    --depth;
  }
  void FinishRace() override { ++finishes; }

  // Meet file with one competition per (program, heat, heat count).
  void WriteMeet(const std::vector<std::tuple<int, int, int>>& races) {
    std::string file(10 * kMeetRecordLength, '\0');
    const int n = static_cast<int>(races.size());
    file[0] = static_cast<char>(n & 0xFF);
    file[1] = static_cast<char>((n >> 8) & 0xFF);
    for (const auto& [program, heat, heats] : races) {
      CompetitionRecord c;
      c.ProgramNo = static_cast<std::int16_t>(program);
      c.HeatNo = static_cast<std::int16_t>(heat);
      c.HeatCount = static_cast<std::int16_t>(heats);
      const Bytes b = EncodeCompetitionRecord(c, "000000");
      file.append(b.begin(), b.end());
    }
    dir.Write("taikai.dat", file);
    meet.CompetitionCount = static_cast<std::int16_t>(n);
  }
  // A book whose first characters are `head`, the rest NUL.
  void WriteBook(const std::string& head) {
    std::string b = head;
    b.resize(kBookLength, '\0');
    dir.Write("Race.dat", b);
  }
  std::string BookFile() const { return dir.Read("Race.dat"); }

  TempDir dir;
  PathMapper paths;
  MeetData meet;
  RaceBookState book;
  FakeMessages messages;
  FakeTextBox biko;
  FakeTextBox ketugo;
  int headers = 0;
  int finishes = 0;
  int depth = 0;
};

}  // namespace poolside::testing
