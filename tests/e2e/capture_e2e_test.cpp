// The capture journal end to end: a race timed over a pseudo-terminal and
// replayed from its capture into a fresh copy of the meet writes the same
// files; a race whose program was killed, or whose reception was stopped
// and started again, is re-timed from the capture into the files a run to
// its end writes.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "desk_run.h"
#include "support/wait_for.h"

#include "capture/capture_reader.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using e2e::Child;
using e2e::RaceText;
using e2e::ReadAll;

// Every file of the lap and goal folders and the book, by name.
std::map<std::string, std::string> Results(const fs::path& meet) {
  std::map<std::string, std::string> out;
  for (const char* folder : {"lap", "goal"}) {
    for (const auto& e : fs::directory_iterator(meet / "meet" / folder)) {
      out[std::string(folder) + "/" + e.path().filename().string()] = ReadAll(e.path());
    }
  }
  out["Race.dat"] = ReadAll(meet / "meet" / "Race.dat");
  return out;
}

// The "packed" values of an export's lanes, in lane order: the goal file's.
std::vector<std::string> PackedValues(const std::string& json) {
  std::vector<std::string> out;
  const std::string key = "\"packed\":";
  for (std::size_t at = json.find(key); at != std::string::npos; at = json.find(key, at + 1)) {
    const std::size_t from = at + key.size();
    out.push_back(json.substr(from, json.find_first_of(",}", from) - from));
  }
  return out;
}

class CaptureEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("poolside-capture-e2e-" + std::to_string(getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    if (!HasFailure()) fs::remove_all(dir_);
  }

  // A demo meet with two races done; returns the race the load puts on screen.
  fs::path Meet(const std::string& name) {
    const fs::path meet = dir_ / name;
    EXPECT_TRUE(e2e::MakeDemoMeet(meet));
    return meet;
  }

  // Runs the program on `meet` with `script` and more arguments; returns its
  // standard output.
  std::string Run(const fs::path& meet, const std::string& script,
                  std::vector<std::string> more = {}, int expectStatus = 0) {
    const fs::path file = dir_ / ("script" + std::to_string(++runs_));
    std::ofstream(file) << script;
    std::vector<std::string> args = {POOLSIDE_BIN, "-platform", "offscreen", "--drive",
                                     "c=" + meet.string()};
    args.insert(args.end(), more.begin(), more.end());
    args.push_back("--script");
    args.push_back(file.string());
    Child program(args, meet / "prog", dir_ / "out", dir_ / "err");
    EXPECT_EQ(program.Wait(90), expectStatus) << ReadAll(dir_ / "out") << ReadAll(dir_ / "err");
    return ReadAll(dir_ / "out");
  }

  // poolside --recover ... in the meet's working folder.
  int Recover(const fs::path& meet, const std::vector<std::string>& more, std::string& out) {
    return e2e::RunCommand(meet, dir_, more, out);
  }

  // The records of one race from the simulator, as script `port` lines.
  std::vector<std::string> RaceRecords() {
    Child sim(
        {SIM_BIN, "--races", "1", "--lanes", "6", "--laps", "3", "--tick", "50", "--speed", "1000",
         "--pause", "0", "--seed", "5", "--repeat", "--log", (dir_ / "sent").string()},
        dir_, dir_ / "sim.out", dir_ / "sim.err");
    EXPECT_EQ(sim.Wait(30), 0) << ReadAll(dir_ / "sim.err");
    const std::string sent = ReadAll(dir_ / "sent");
    std::vector<std::string> lines;
    for (std::size_t i = 0; i + 16 <= sent.size(); i += 16) {
      std::string r = sent.substr(i, 16);
      EXPECT_EQ(r.back(), '\r');
      r.pop_back();
      lines.push_back("port \"" + r + "\\r\"\n");
    }
    return lines;
  }

  static std::string Lines(const std::vector<std::string>& v, std::size_t from, std::size_t to) {
    std::string out;
    for (std::size_t i = from; i < to && i < v.size(); ++i) out += v[i];
    return out;
  }

  fs::path dir_;
  int runs_ = 0;
};

TEST_F(CaptureEndToEnd, ARaceReplayedFromItsCaptureWritesTheSameFiles) {
  const fs::path live = Meet("live");
  Child sim({SIM_BIN, "--wait-open", "--races", "1", "--lanes", "8", "--laps", "3", "--tick", "20",
             "--speed", "20", "--repeat", "--seed", "7"},
            dir_, dir_ / "sim.out", dir_ / "sim.err");
  const std::string pty = e2e::SimulatorPty(dir_ / "sim.out");
  ASSERT_EQ(pty.rfind("/dev/", 0), 0u) << ReadAll(dir_ / "sim.err");
  const std::string out = Run(live, "click frmRace.cmdZushin\nwait 5000\nend\n",
                              {"--com", "1=" + pty, "--capture", (dir_ / "cap").string()});
  EXPECT_EQ(sim.Wait(10), 0);
  EXPECT_EQ(out.find("message:"), std::string::npos) << out;
  std::vector<fs::path> captures;
  for (const auto& e : fs::directory_iterator(dir_ / "cap")) captures.push_back(e.path());
  ASSERT_EQ(captures.size(), 1u);
  // The default folder is not made when --capture names another.
  EXPECT_FALSE(fs::exists(live / "meet" / "capture"));

  const fs::path again = Meet("again");
  const std::string replayed =
      Run(again, "click frmRace.cmdZushin\nwait 3000\nend\n",
          {"--com", "1=replay:" + captures[0].string() + "@0", "--no-capture"});
  EXPECT_EQ(replayed.find("message:"), std::string::npos) << replayed;
  EXPECT_FALSE(fs::exists(again / "meet" / "capture"));
  const auto expected = Results(live);
  EXPECT_EQ(Results(again), expected);

  // The simulator plays the same capture: every block read, in order.
  std::string read;
  poolside::CaptureReader reader;
  reader.Open(captures[0].string());
  poolside::CaptureRecord record;
  while (reader.Next(record)) {
    if (record.kind == "block") read += record.bytes;
  }
  ASSERT_FALSE(read.empty());
  Child player({SIM_BIN, "--play", captures[0].string(), "--speed", "1000", "--log",
                (dir_ / "played").string()},
               dir_, dir_ / "play.out", dir_ / "play.err");
  EXPECT_EQ(player.Wait(60), 0) << ReadAll(dir_ / "play.err");
  EXPECT_EQ(ReadAll(dir_ / "played"), read);
  // A race was timed at all: some goal file beyond the demo's own.
  EXPECT_NE(expected, Results(Meet("untouched")));
}

TEST_F(CaptureEndToEnd, AKilledRaceAndARestartedReceptionAreRetimedAsARunToItsEnd) {
  const std::vector<std::string> records = RaceRecords();
  ASSERT_GT(records.size(), 20u);
  const std::size_t half = records.size() / 2;
  // Lanes 1 and 2 swap their console identifiers: re-timing must use the
  // identifiers in effect when the race was captured.
  const std::string swap = "settext frmRace.txtSingo(0) \"2\"\nsettext frmRace.txtSingo(1) \"1\"\n";

  // The reference: the whole race in one reception.
  const fs::path whole = Meet("whole");
  Run(whole, swap + "click frmRace.cmdZushin\n" + Lines(records, 0, records.size()) + "end\n");
  const int race = 3;  // the first open race of the demo meet with two done
  const std::string lap = ReadAll(whole / "meet" / "lap" / ("r" + RaceText(race)));
  const std::string goal = ReadAll(whole / "meet" / "goal" / ("g" + RaceText(race)));
  ASSERT_FALSE(lap.empty());
  ASSERT_FALSE(goal.empty());
  const std::string book = ReadAll(whole / "meet" / "Race.dat");

  // Killed half-way; the next run shows the same race and times the rest.
  const fs::path killed = Meet("killed");
  {
    std::ofstream(dir_ / "first") << swap + "click frmRace.cmdZushin\n" + Lines(records, 0, half) +
                                         "show frmRace.lblRace\nwait 60000\n";
    Child program({POOLSIDE_BIN, "-platform", "offscreen", "--drive", "c=" + killed.string(),
                   "--script", (dir_ / "first").string()},
                  killed / "prog", dir_ / "kout", dir_ / "kerr");
    ASSERT_TRUE(poolside::testing::WaitFor(
        [&] { return ReadAll(dir_ / "kout").find("lblRace") != std::string::npos; },
        std::chrono::seconds(30)))
        << ReadAll(dir_ / "kerr");
    program.Kill();
  }
  // The next program's capture file must sort after this one's: their names
  // hold the second they were begun in.
  ASSERT_TRUE(poolside::testing::WaitForTheNextSecond());
  // The race's touches are kept (the start's question, keep by default)
  // and the race is ranked on every touch, live.
  Run(killed, swap + "click frmRace.cmdZushin\n" + Lines(records, half, records.size()) + "end\n");
  EXPECT_EQ(ReadAll(killed / "meet" / "lap" / ("r" + RaceText(race))), lap);
  EXPECT_EQ(ReadAll(killed / "meet" / "goal" / ("g" + RaceText(race))), goal);

  std::string listing;
  ASSERT_EQ(Recover(killed, {"--recover", (killed / "meet" / "capture").string()}, listing), 0)
      << listing;
  EXPECT_EQ(listing.rfind("1 race=" + std::to_string(race) + " ", 0), 0u) << listing;
  EXPECT_NE(listing.find(" finished "), std::string::npos) << listing;
  std::string applied;
  ASSERT_EQ(Recover(killed,
                    {"--recover", (killed / "meet" / "capture").string(), "--take", "1", "--as",
                     std::to_string(race), "--apply"},
                    applied),
            0)
      << applied;
  EXPECT_EQ(ReadAll(killed / "meet" / "lap" / ("r" + RaceText(race))), lap);
  EXPECT_EQ(ReadAll(killed / "meet" / "goal" / ("g" + RaceText(race))), goal);
  EXPECT_EQ(ReadAll(killed / "meet" / "Race.dat"), book);

  // Reception stopped and started again half-way: the lap file is kept
  // live; the capture holds both halves.
  const fs::path restarted = Meet("restarted");
  Run(restarted, swap + "click frmRace.cmdZushin\n" + Lines(records, 0, half) +
                     "click frmRace.cmdZushin\nclick frmRace.cmdZushin\n" +
                     Lines(records, half, records.size()) + "end\n");
  EXPECT_EQ(ReadAll(restarted / "meet" / "lap" / ("r" + RaceText(race))), lap);
  EXPECT_EQ(ReadAll(restarted / "meet" / "goal" / ("g" + RaceText(race))), goal);
  std::string out;
  ASSERT_EQ(Recover(restarted,
                    {"--recover", (restarted / "meet" / "capture").string(), "--take", "1", "--as",
                     std::to_string(race), "--apply"},
                    out),
            0)
      << out;
  EXPECT_EQ(ReadAll(restarted / "meet" / "lap" / ("r" + RaceText(race))), lap);
  EXPECT_EQ(ReadAll(restarted / "meet" / "goal" / ("g" + RaceText(race))), goal);

  // Started over half-way, when the operator chooses it: the lap file holds
  // the second half only, live and re-timed from the capture alike.
  const fs::path over = Meet("over");
  Run(over, swap + "click frmRace.cmdZushin\n" + Lines(records, 0, half) +
                "click frmRace.cmdZushin\nanswer 最初からやり直す\nclick frmRace.cmdZushin\n" +
                Lines(records, half, records.size()) + "end\n");
  const std::string overLap = ReadAll(over / "meet" / "lap" / ("r" + RaceText(race)));
  const std::string overGoal = ReadAll(over / "meet" / "goal" / ("g" + RaceText(race)));
  EXPECT_NE(overLap, lap);
  EXPECT_LT(overLap.size(), lap.size());
  ASSERT_EQ(Recover(over,
                    {"--recover", (over / "meet" / "capture").string(), "--take", "1", "--as",
                     std::to_string(race), "--apply"},
                    out),
            0)
      << out;
  EXPECT_EQ(ReadAll(over / "meet" / "lap" / ("r" + RaceText(race))), overLap);
  EXPECT_EQ(ReadAll(over / "meet" / "goal" / ("g" + RaceText(race))), overGoal);
}

TEST_F(CaptureEndToEnd, TypedTimesAreRetimedInTheOrderTheyWereTyped) {
  const std::vector<std::string> records = RaceRecords();
  ASSERT_GT(records.size(), 20u);
  const std::size_t half = records.size() / 2;
  const int race = 3;
  // Lane 7 has no swimmer on the console: its typed time stands. Lane 1 is
  // typed before its finish arrives, which replaces it. Lane 8 is typed
  // with the input method on and corrected once.
  auto type = [](int box, const std::string& text) {
    return "settext frmRace.txtKiro(" + std::to_string(box) + ") \"" + text +
           "\"\nkey frmRace.txtKiro(" + std::to_string(box) + ") Enter\n";
  };
  const fs::path live = Meet("live");
  Run(live, "click frmRace.cmdZushin\n" + Lines(records, 0, half) + type(6, "10234") +
                type(0, "3") + type(7, "１１０００") + type(7, "11500") +
                Lines(records, half, records.size()) + "end\n");
  const auto liveFiles = Results(live);
  const std::string goal = liveFiles.at("goal/g" + RaceText(race));
  EXPECT_NE(goal.find(" 10234 ,"), std::string::npos) << goal;
  EXPECT_NE(goal.find(" 11500 ,"), std::string::npos) << goal;
  EXPECT_EQ(goal.find(" 700003 ,"), std::string::npos) << goal;

  // Re-timed from the capture into a fresh copy of the meet: the same files.
  const fs::path fresh = Meet("fresh");
  std::string out;
  ASSERT_EQ(Recover(fresh,
                    {"--recover", (live / "meet" / "capture").string(), "--take", "1", "--as",
                     std::to_string(race), "--apply"},
                    out),
            0)
      << out;
  auto freshFiles = Results(fresh);
  EXPECT_EQ(freshFiles["goal/g" + RaceText(race)], goal);
  EXPECT_EQ(freshFiles["lap/r" + RaceText(race)], liveFiles.at("lap/r" + RaceText(race)));
  EXPECT_EQ(freshFiles["Race.dat"], liveFiles.at("Race.dat"));
}

TEST_F(CaptureEndToEnd, RetimingIntoAnotherRaceChangesOnlyThatRaceAndAPreviewNothing) {
  const std::vector<std::string> records = RaceRecords();
  const fs::path meet = Meet("meet");
  Run(meet, "click frmRace.cmdZushin\n" + Lines(records, 0, records.size()) + "end\n");
  const auto before = Results(meet);
  const std::string capture = (meet / "meet" / "capture").string();

  std::string preview;
  ASSERT_EQ(Recover(meet, {"--recover", capture, "--take", "1", "--as", "9"}, preview), 0)
      << preview;
  EXPECT_NE(preview.find("goal" + std::string(1, fs::path::preferred_separator) + "g0009"),
            std::string::npos)
      << preview;
  EXPECT_NE(preview.find("status race=9 \"" + before.at("Race.dat").substr(8, 1) + "\" -> \"6\""),
            std::string::npos)
      << preview;
  EXPECT_EQ(Results(meet), before);
  const fs::path exported = meet / "meet" / "export";
  EXPECT_FALSE(fs::exists(exported / "r0009.json"));

  std::string applied;
  ASSERT_EQ(Recover(meet, {"--recover", capture, "--take", "1", "--as", "9", "--apply"}, applied),
            0)
      << applied;
  auto after = Results(meet);
  EXPECT_EQ(after["lap/r0009"], before.at("lap/r0003"));
  EXPECT_EQ(after["goal/g0009"], before.at("goal/g0003"));
  std::string book = before.at("Race.dat");
  book[8] = '6';
  EXPECT_EQ(after["Race.dat"], book);
  // Exported like any finished race, with the values of its goal file.
  const std::string json = ReadAll(exported / "r0009.json");
  EXPECT_NE(json.find("\"race\":9,"), std::string::npos) << json;
  EXPECT_NE(json.find("\"book_status\":\"6\""), std::string::npos) << json;
  const std::vector<std::string> packed = PackedValues(json);
  EXPECT_EQ(packed.size(), 10u);
  EXPECT_EQ(packed, PackedValues(ReadAll(exported / "r0003.json")));
  EXPECT_TRUE(fs::is_regular_file(exported / "r0009.csv"));
  // An export that cannot be written is told, naming the file; the
  // re-timing stands and counts as applied.
  fs::remove(exported / "r0009.csv");
  fs::create_directories(exported / "r0009.csv" / "in-the-way");
  std::string again;
  EXPECT_EQ(Recover(meet, {"--recover", capture, "--take", "1", "--as", "9", "--apply"}, again), 0);
  EXPECT_NE(again.find("r0009.csv"), std::string::npos) << again;
  EXPECT_NE(again.find("written"), std::string::npos) << again;
  fs::remove_all(exported / "r0009.csv");
  after.erase("lap/r0009");
  after.erase("goal/g0009");
  after["Race.dat"] = before.at("Race.dat");
  EXPECT_EQ(after, before);  // no other race changed

  // Bad requests: status 1, a message naming what is wrong, nothing written.
  const auto retimed = Results(meet);
  std::string bad;
  EXPECT_EQ(Recover(meet, {"--recover", capture, "--take", "7", "--as", "9"}, bad), 1);
  EXPECT_NE(bad.find("7"), std::string::npos) << bad;
  std::ofstream(dir_ / "bad.cap") << "poolside-capture 1\nthis is not a line\n";
  EXPECT_EQ(Recover(meet, {"--recover", (dir_ / "bad.cap").string()}, bad), 1);
  EXPECT_NE(bad.find("bad.cap の 2 行目"), std::string::npos) << bad;
  EXPECT_EQ(Results(meet), retimed);
}

TEST_F(CaptureEndToEnd, AJournalThatCannotBeWrittenIsToldOnceAndReceptionGoesOn) {
  const std::vector<std::string> records = RaceRecords();
  const fs::path meet = Meet("meet");
  std::ofstream(meet / "meet" / "capture") << "a file where the folder should be";
  const std::string out =
      Run(meet, "click frmRace.cmdZushin\n" + Lines(records, 0, records.size()) + "end\n");
  EXPECT_EQ(out.find("message:"), std::string::npos) << out;  // no box
  const std::string err = ReadAll(dir_ / "err");
  const std::string told = "warning: キャプチャフォルダ " + (meet / "meet" / "capture").string();
  EXPECT_NE(err.find(told), std::string::npos) << err;
  EXPECT_EQ(err.find(told), err.rfind(told)) << err;  // once
  EXPECT_FALSE(ReadAll(meet / "meet" / "goal" / "g0003").empty());
}

}  // namespace
