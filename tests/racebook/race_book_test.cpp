#include "racebook/race_book.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "platform/errors.h"
#include "platform/os_calls.h"
#include "platform/record_file.h"
#include "support/temp_dir.h"

namespace poolside {
namespace {

using testing::TempDir;

class RaceBookTest : public ::testing::Test {
 protected:
  RaceBookTest() : meet(paths) { meet.DataFolder = dir.Path() + "\\"; }

  std::string Book() const { return dir.Read("Race.dat"); }
  // A book whose first characters are `head`, the rest NUL.
  void WriteBook(const std::string& head) {
    std::string b = head;
    b.resize(kBookLength, '\0');
    dir.Write("Race.dat", b);
  }

  TempDir dir;
  PathMapper paths;
  MeetData meet;
  RaceBookState state;
};

TEST(RaceStatus, DoneAndCombinedCountCompareCharacterCodes) {
  for (const char* done : {"6", "7", "8", "9", "A", "z", "\xff", "\x80"}) {
    EXPECT_TRUE(IsRaceDone(done)) << done;
    EXPECT_FALSE(IsCombinedCount(done)) << done;
  }
  for (const char* open : {"5", "1", "0", " ", "-"}) {
    EXPECT_FALSE(IsRaceDone(open)) << open;
  }
  EXPECT_FALSE(IsRaceDone(""));
  EXPECT_FALSE(IsRaceDone(std::string(1, '\0')));
  for (const char* count : {"1", "2", "3", "4", "5"}) EXPECT_TRUE(IsCombinedCount(count));
  for (const char* other : {"0", " ", "", "6"}) EXPECT_FALSE(IsCombinedCount(other));
  EXPECT_FALSE(IsCombinedCount(std::string(1, '\0')));
}

TEST_F(RaceBookTest, AMissingBookReadsAsNulAndTheFirstSaveWritesAllOfIt) {
  LoadRaceStat(meet, state);
  EXPECT_EQ(state.RaceStat, std::string(1, '\0'));
  EXPECT_FALSE(IsRaceDone(state.RaceStat));
  EXPECT_FALSE(IsCombinedCount(state.RaceStat));
  EXPECT_TRUE(dir.Exists("Race.dat"));
  SetRaceStatus(state, 3, '6');
  SaveRaceBook(meet, state);
  std::string expected(kBookLength, '\0');
  expected[2] = '6';
  EXPECT_EQ(Book(), expected);
}

TEST_F(RaceBookTest, ChangingOneRaceChangesOneByte) {
  std::string old(kBookLength, '\0');
  for (std::size_t i = 0; i < old.size(); ++i) old[i] = static_cast<char>(i * 7);
  dir.Write("Race.dat", old);
  state.RaceNo = 3;
  LoadRaceStat(meet, state);
  EXPECT_EQ(state.RaceStat, std::string(1, old[2]));
  SetRaceStatus(state, 3, '6');
  SetRaceStatus(state, 0, '6');
  SetRaceStatus(state, 1025, '6');
  SetRaceStatus(state, -5, '6');
  EXPECT_EQ(state.RaceBook.size(), kBookLength);
  SaveRaceBook(meet, state);
  std::string expected = old;
  expected[2] = '6';
  EXPECT_EQ(Book(), expected);
}

TEST_F(RaceBookTest, OnlyPositionsOneTo1024HaveAStatus) {
  std::string b(kBookLength, '1');
  b[1023] = '8';
  dir.Write("Race.dat", b);
  state.RaceNo = 1024;
  LoadRaceStat(meet, state);
  EXPECT_EQ(state.RaceStat, "8");
  for (int outside : {1025, 0, -1, 32767}) {
    state.RaceNo = outside;
    LoadRaceStat(meet, state);
    EXPECT_EQ(state.RaceStat, "") << outside;
  }
}

TEST_F(RaceBookTest, BooksOfAnyLengthLoadAndSaveAs1024Bytes) {
  for (std::size_t length : {0u, 10u, 1023u, 1024u}) {
    dir.Write("Race.dat", std::string(length, '6'));
    state.RaceNo = 1024;
    LoadRaceStat(meet, state);
    EXPECT_EQ(state.RaceStat, length == 1024 ? "6" : std::string(1, '\0')) << length;
    SaveRaceBook(meet, state);
    std::string expected = std::string(length, '6');
    expected.resize(kBookLength, '\0');
    EXPECT_EQ(Book(), expected) << length;
  }
  // Bytes beyond the book are somebody else's: they survive a save.
  std::string longer(2000, 'x');
  for (std::size_t i = 0; i < longer.size(); ++i) longer[i] = static_cast<char>('a' + i % 26);
  dir.Write("Race.dat", longer);
  LoadRaceStat(meet, state);
  SetRaceStatus(state, 1, '7');
  SaveRaceBook(meet, state);
  std::string expected = longer;
  expected[0] = '7';
  EXPECT_EQ(Book(), expected);
}

TEST_F(RaceBookTest, TheBookIsFoundWhateverTheCaseOfItsName) {
  dir.Write("race.dat", std::string(kBookLength, '6'));
  LoadRaceStat(meet, state);
  EXPECT_EQ(state.RaceStat, "6");
  SaveRaceBook(meet, state);
  EXPECT_FALSE(dir.HasEntry("Race.dat"));
  EXPECT_EQ(dir.Read("race.dat"), std::string(kBookLength, '6'));
}

TEST_F(RaceBookTest, FindOpenRaceStopsAtTheFirstRaceNotDone) {
  meet.CompetitionCount = 30;
  WriteBook("66617");
  FindOpenRace(meet, state);
  EXPECT_EQ(state.RaceNo, 4);
  EXPECT_EQ(state.RaceStat, "1");

  WriteBook("669 6");  // a blank is open, a 9 is done
  FindOpenRace(meet, state);
  EXPECT_EQ(state.RaceNo, 4);
  EXPECT_EQ(state.RaceStat, " ");

  dir.Write("Race.dat", "");  // an empty book: race 1 holds NUL
  FindOpenRace(meet, state);
  EXPECT_EQ(state.RaceNo, 1);
  EXPECT_EQ(state.RaceStat, std::string(1, '\0'));
}

TEST_F(RaceBookTest, AZeroAtTheFirstOpenRaceMovesToTheLastRace) {
  std::string b = "6606";
  b.resize(kBookLength, '\0');
  b[29] = '3';
  dir.Write("Race.dat", b);
  meet.CompetitionCount = 30;
  FindOpenRace(meet, state);
  EXPECT_EQ(state.RaceNo, 30);
  EXPECT_EQ(state.RaceStat, "3");

  meet.CompetitionCount = 0;  // no competitions: race 0, no status
  FindOpenRace(meet, state);
  EXPECT_EQ(state.RaceNo, 0);
  EXPECT_EQ(state.RaceStat, "");

  meet.CompetitionCount = 2000;  // beyond the book
  FindOpenRace(meet, state);
  EXPECT_EQ(state.RaceNo, 2000);
  EXPECT_EQ(state.RaceStat, "");
}

TEST_F(RaceBookTest, WhenEveryRaceIsDoneTheRaceIsBeyondTheBook) {
  std::string b(kBookLength, '6');
  b[1023] = '8';
  dir.Write("Race.dat", b);
  FindOpenRace(meet, state);
  EXPECT_EQ(state.RaceNo, 1025);
  EXPECT_EQ(state.RaceStat, "8");
}

// Refuses every opening for writing under one folder, as a read-only folder
// with read-only files does (the tests run as root, who ignores modes).
class ReadOnlyFolder {
 public:
  explicit ReadOnlyFolder(const std::string& folder) : saved_(Os()) {
    Folder() = folder;
    Os().open = [](const char* path, int flags, mode_t mode) -> int {
      const bool writes = (flags & (O_WRONLY | O_RDWR | O_CREAT)) != 0;
      if (writes && std::string(path).rfind(Folder(), 0) == 0) {
        errno = EACCES;
        return -1;
      }
      return RealOs().open(path, flags, mode);
    };
    Os().rename = [](const char* from, const char* to) -> int {
      if (std::string(to).rfind(Folder(), 0) == 0) {
        errno = EACCES;
        return -1;
      }
      return RealOs().rename(from, to);
    };
  }
  ~ReadOnlyFolder() { Os() = saved_; }

 private:
  static std::string& Folder() {
    static std::string folder;
    return folder;
  }
  OsCalls saved_;
};

TEST_F(RaceBookTest, AReadOnlyFolderGivesErrorsNamingTheBookAndKeepsIt) {
  {
    ReadOnlyFolder readOnly(dir.Path());
    try {
      LoadRaceStat(meet, state);
      FAIL() << "no error for a book that cannot be created";
    } catch (const IoError& e) {
      EXPECT_NE(std::string(e.what()).find("Race.dat"), std::string::npos) << e.what();
    }
  }
  WriteBook("661");
  {
    ReadOnlyFolder readOnly(dir.Path());
    SetRaceStatus(state, 3, '6');
    try {
      SaveRaceBook(meet, state);
      FAIL() << "no error for a book that cannot be written";
    } catch (const IoError& e) {
      EXPECT_NE(std::string(e.what()).find("Race.dat"), std::string::npos) << e.what();
    }
    EXPECT_THROW(FindOpenRace(meet, state), IoError);
  }
  std::string expected = "661";
  expected.resize(kBookLength, '\0');
  EXPECT_EQ(Book(), expected);
}

}  // namespace
}  // namespace poolside

namespace poolside {
namespace {

// The demo meet generator's output read back through the meet data module.
class DemoMeetTest : public ::testing::Test {
 protected:
  DemoMeetTest() : meet(paths) { paths.MapDrive('c', dir.Path()); }

  int Generate(const std::string& args) {
#ifdef _WIN32
    std::string command =
        std::string(POOLSIDE_BINARY_DIR) + "/tools/make_demo_meet.exe " + dir.Path() + " " + args;
    std::replace(command.begin(), command.end(), '/', '\\');  // for cmd.exe
#else
    const std::string command = std::string(POOLSIDE_BINARY_DIR) + "/tools/make_demo_meet " +
                                dir.Path() + " " + args + " 2>/dev/null";
#endif
    return std::system(command.c_str());
  }

  TempDir dir;
  PathMapper paths;
  MeetData meet;
  RaceBookState state;
};

TEST_F(DemoMeetTest, TheDemoMeetLoadsAsAMeetOfTheOffice) {
  ASSERT_EQ(Generate(""), 0);
  meet.ReadControlFile("c:\\ctl\\dr_kyo.ctl");
  EXPECT_EQ(meet.DataFolder, "c:\\meet\\");
  meet.LoadMeetHeader();
  EXPECT_EQ(meet.CompetitionCount, 60);
  meet.CloseMeetFile();
  meet.LoadMeetSettings();
  EXPECT_EQ(meet.Settings.LapBaseCode, "0");
  EXPECT_EQ(meet.Settings.LapDoubleCode, "0");
  EXPECT_EQ(meet.Settings.Items14to15[0], 4);
  EXPECT_TRUE(meet.Settings.ClassLabelMode == "1" || meet.Settings.ClassLabelMode == "2");
  EXPECT_EQ(MetresPerLap(meet.Settings.LapBaseCode, meet.Settings.LapDoubleCode), 50);

  meet.LoadRaceHeat(1);
  EXPECT_EQ(meet.RaceHeat.ProgramNo, 1);
  EXPECT_EQ(meet.RaceHeat.HeatNo, 1);
  EXPECT_GT(meet.RaceHeat.HeatCount, 1);
  EXPECT_EQ(meet.RaceHeat.StartTime.size(), 6u);
  int swimmers = 0;
  for (int lane = 0; lane < 10; ++lane) swimmers += meet.RaceHeat.EntryNo[lane] != 0;
  EXPECT_GT(swimmers, 0);
  EXPECT_LT(swimmers, 10);
  for (int n = 1; n <= meet.CompetitionCount; ++n) {
    meet.LoadRaceHeat(n);
    EXPECT_GE(meet.RaceHeat.HeatNo, 1) << n;
    EXPECT_LE(meet.RaceHeat.HeatNo, meet.RaceHeat.HeatCount) << n;
  }

  meet.LoadPageHeader();
  EXPECT_GT(meet.PageCount, 1);
  EXPECT_EQ(meet.FindCompetitionPage(1), 1);
  EXPECT_TRUE(meet.FindCompetitionPage(60).has_value());
  meet.ClosePageFile();

  // The program order names each event's first race and heats, with one
  // combined group.
  RecordFile order;
  order.Open(meet.DataPath("projun.dat"), 64);
  const int entries = GetInt16(order.Read(1), 0);
  int continued = 0;
  int race = 1;
  for (int k = 1; k <= entries; ++k) {
    const Bytes e = order.Read(k + 10);
    EXPECT_EQ(GetInt16(e, 24), race) << k;
    meet.LoadRaceHeat(race);
    EXPECT_EQ(meet.RaceHeat.ProgramNo, GetInt16(e, 0)) << k;
    EXPECT_EQ(meet.RaceHeat.HeatCount, GetInt16(e, 2)) << k;
    race += GetInt16(e, 2);
    continued += GetInt16(e, 30) != 0;
  }
  EXPECT_EQ(race, 61);
  EXPECT_GE(continued, 1);
  EXPECT_LE(continued, 4);

  EXPECT_FALSE(dir.Exists("meet/Race.dat"));
  EXPECT_TRUE(dir.Exists("meet/lap"));
  EXPECT_TRUE(dir.Exists("meet/goal"));
  EXPECT_TRUE(dir.Exists("prog"));
  FindOpenRace(meet, state);
  EXPECT_EQ(state.RaceNo, 1);
}

TEST_F(DemoMeetTest, TheStartUpBenchmarkMeetHasOneOpenRace) {
  ASSERT_EQ(Generate("--competitions 1024 --done 1023"), 0);
  meet.ReadControlFile("c:\\ctl\\dr_kyo.ctl");
  meet.LoadMeetHeader();
  EXPECT_EQ(meet.CompetitionCount, 1024);
  FindOpenRace(meet, state);
  EXPECT_EQ(state.RaceNo, 1024);
  EXPECT_EQ(state.RaceStat, "1");
  EXPECT_NE(Generate("--competitions x"), 0);
}

}  // namespace
}  // namespace poolside
