// A whole race timed end to end: the console simulator on a pseudo-terminal,
// the program on the demo meet with COM1 mapped to the pty and a script that
// starts reception. The lap file, the goal file and the status book are then
// compared byte for byte with what the simulator sent.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "race_rig.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using e2e::Child;
using e2e::RaceText;
using e2e::ReadAll;

using e2e::OpenRaceFrom;
using e2e::RaceEndToEnd;

TEST_F(RaceEndToEnd, RaceFromTheConsoleIsTimedIntoTheFiles) {
  SwimOneRace(
      {"--lanes", "8", "--laps", "3", "--tick", "20", "--speed", "20", "--repeat", "--seed", "7"});
  if (HasFatalFailure()) return;

  // Every accepted record in arrival order (the repeats dropped), and the
  // ranks and times of the finish, exactly as the formats say.
  const std::string expectLap = Expected("lap1");
  ASSERT_FALSE(expectLap.empty());
  const std::string lap = LapFile(race_);
  EXPECT_EQ(lap.size(), expectLap.size());
  EXPECT_EQ(lap, expectLap);
  EXPECT_EQ(GoalFile(race_), Expected("goal1"));

  // The book: this race (and the races it is combined with) marked done,
  // nothing else changed, still 1024 bytes.
  std::string expectBook = bookBefore_;
  const char status = bookBefore_[race_ - 1];
  const int combined = status >= '2' && status <= '5' ? status - '0' : 1;
  for (int k = 0; k < combined && race_ + k <= 1024; ++k) expectBook[race_ + k - 1] = '6';
  EXPECT_EQ(ReadAll(meet_ / "meet" / "Race.dat"), expectBook);

  // The export of the race holds the goal file's ranks and values and, per
  // lane, as many splits as the lap file has records of that lane.
  const fs::path exported = meet_ / "meet" / "export" / ("r" + RaceText(race_));
  const std::string json = ReadAll(exported.string() + ".json");
  std::vector<std::string> goal;
  {
    std::istringstream items(GoalFile(race_));
    for (std::string item; std::getline(items, item, ',');) {
      goal.push_back(item.substr(1, item.size() - 2));  // " 3 " -> "3"
    }
  }
  ASSERT_EQ(goal.size(), 20u);
  for (int lane = 1; lane <= 10; ++lane) {
    const std::string head = "{\"lane\":" + std::to_string(lane) + ",";
    const std::size_t at = json.find(head);
    ASSERT_NE(at, std::string::npos) << json;
    const std::string obj = json.substr(at, json.find("]}", at) - at);
    EXPECT_NE(
        obj.find("\"rank\":" + goal[2 * (lane - 1)] + ",\"packed\":" + goal[2 * lane - 1] + ","),
        std::string::npos)
        << obj;
    std::size_t records = 0;
    for (std::size_t p = lap.find(" " + std::to_string(lane) + " ,"); p != std::string::npos;
         p = lap.find(" " + std::to_string(lane) + " ,", p + 1)) {
      if (p == 0 || lap[p - 1] == ',') ++records;
    }
    std::size_t splits = 0;
    for (std::size_t p = obj.find("\"distance\""); p != std::string::npos;
         p = obj.find("\"distance\"", p + 1)) {
      ++splits;
    }
    EXPECT_EQ(splits, records) << "lane " << lane << ": " << obj;
  }
  // Three lengths of 50 m swum in a 100 m event: every lane that swam is
  // flagged, and the race is not complete until someone looks.
  EXPECT_NE(json.find("\"complete\":false,\"problems\":[]"), std::string::npos) << json;
  EXPECT_NE(json.find("\"flags\":[\"beyond_distance\"]"), std::string::npos) << json;
  const std::string csv = ReadAll(exported.string() + ".csv");
  EXPECT_EQ(csv.rfind("\xEF\xBB\xBFrace,", 0), 0u);
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 11);

  // The next open race is current, with its lap file open and empty.
  const int next = OpenRaceFrom(expectBook, race_ + 1);
  EXPECT_NE(out_.find("RaceNo=" + std::to_string(next) + "\n"), std::string::npos) << out_;
  if (next <= 1024) {
    EXPECT_TRUE(fs::exists(meet_ / "meet" / "lap" / ("r" + RaceText(next))));
    EXPECT_EQ(LapFile(next), "");
  }
}

// `count` connections to the live pages from a hundred loopback addresses,
// each sending a WebSocket upgrade once it is established and then never
// reading. The descriptors, for the caller to close.
std::vector<int> FloodLivePages(int port, int count) {
  std::vector<int> fds;
  const std::string upgrade =
      "GET /ws HTTP/1.1\r\nHost: x\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
      "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n";
  for (int i = 0; i < count; ++i) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    if (fd < 0) break;
    sockaddr_in from{};
    from.sin_family = AF_INET;
    from.sin_addr.s_addr = htonl((127u << 24) | static_cast<std::uint32_t>(2 + i % 100));
    bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to);
    fds.push_back(fd);
  }
  // The upgrade goes out on each connection once it is established; those
  // the program never takes are given up after two seconds.
  std::vector<bool> sent(fds.size(), false);
  poolside::testing::WaitFor(
      [&] {
        bool all = true;
        for (std::size_t i = 0; i < fds.size(); ++i) {
          if (!sent[i]) sent[i] = ::send(fds[i], upgrade.data(), upgrade.size(), MSG_NOSIGNAL) > 0;
          all = all && sent[i];
        }
        return all;
      },
      std::chrono::seconds(2));
  return fds;
}

TEST_F(RaceEndToEnd, FloodOfViewersBeyondTheDescriptorLimitLeavesTheRaceFilesWhole) {
  // Far more viewers than the program has descriptors; the race must
  // still reach its files byte for byte.
  rlimit limit{};
  getrlimit(RLIMIT_NOFILE, &limit);
  limit.rlim_cur = limit.rlim_max;
  setrlimit(RLIMIT_NOFILE, &limit);
  std::vector<int> flood;
  Run run;
  run.args = {"--http", "127.0.0.1:0"};
  run.descriptorLimit = 320;
  run.waitMs = 7000;
  run.during = [&](const fs::path& err) {
    const int port = e2e::HttpPort(err);
    ASSERT_NE(port, 0) << ReadAll(err);
    flood = FloodLivePages(port, 1200);
  };
  SwimOneRace({"--lanes", "10", "--laps", "3", "--tick", "20", "--speed", "20", "--seed", "5"},
              run);
  for (int fd : flood) ::close(fd);
  if (HasFatalFailure()) return;
  EXPECT_GT(flood.size(), 1000u);
  const std::string err = ReadAll(dir_ / "err");
  EXPECT_NE(err.find("ライブページ: 接続の上限"), std::string::npos) << err;
  EXPECT_NE(err.find("ライブページ: 断った接続"), std::string::npos) << err;
  EXPECT_LT(err.size(), 4096u) << err;  // refusals are summed up, not one line each
  const std::string expectLap = Expected("lap1");
  ASSERT_FALSE(expectLap.empty());
  EXPECT_EQ(LapFile(race_), expectLap);
  EXPECT_EQ(GoalFile(race_), Expected("goal1"));
  std::string expectBook = bookBefore_;
  const char status = bookBefore_[race_ - 1];
  const int combined = status >= '2' && status <= '5' ? status - '0' : 1;
  for (int k = 0; k < combined && race_ + k <= 1024; ++k) expectBook[race_ + k - 1] = '6';
  EXPECT_EQ(ReadAll(meet_ / "meet" / "Race.dat"), expectBook);
  // The next race's lap file could be opened too.
  const int next = OpenRaceFrom(expectBook, race_ + 1);
  if (next <= 1024) {
    EXPECT_TRUE(fs::exists(meet_ / "meet" / "lap" / ("r" + RaceText(next))));
  }
}

TEST_F(RaceEndToEnd, AllTenLanesFinishingInOneTickLoseNothing) {
  SwimOneRace({"--burst", "--laps", "1", "--tick", "10", "--speed", "100", "--seed", "3"});
  if (HasFatalFailure()) return;
  EXPECT_EQ(LapFile(race_), Expected("lap1"));
  EXPECT_EQ(GoalFile(race_), Expected("goal1"));
}

// The console restarts in the middle of a race: lanes 1 to 5 have finished,
// lane 6 has only its first lap when the restarted console's zero clock
// ends the race. Lane 6 is written without a time, never ranked on its lap.
TEST_F(RaceEndToEnd, ALaneLeftOnItsLapByARestartedConsoleIsNotRanked) {
  auto record = [](char lane, char rank, const std::string& time8, char kind) {
    return std::string(" A ") + lane + rank + " " + time8 + kind + "\r";
  };
  std::string bytes = std::string(" A       20.00 \r");
  bytes += record('6', '1', "   34.91", 'L');
  for (char lane = '1'; lane <= '5'; ++lane) {
    bytes += record(lane, lane, "   35.0" + std::string(1, lane), 'L');
  }
  for (char lane = '1'; lane <= '5'; ++lane) {
    bytes += record(lane, lane, " 1:10.0" + std::string(1, lane), 'G');
  }
  bytes += " A        0.00 \r";
  fs::create_directories(dir_);
  std::ofstream(dir_ / "restart.bytes", std::ios::binary) << bytes;
  SwimOneRace({"--play", (dir_ / "restart.bytes").string(), "--speed", "20"});
  if (HasFatalFailure()) return;

  EXPECT_EQ(GoalFile(race_),
            " 1 , 11001 , 2 , 11002 , 3 , 11003 , 4 , 11004 , 5 , 11005 , 0 , 888888 ,"
            " 0 , 888888 , 0 , 888888 , 0 , 888888 , 0 , 888888 ,");
  EXPECT_NE(LapFile(race_).find(" 6 ,   34.91,L,"), std::string::npos);
  const std::string json = ReadAll(meet_ / "meet" / "export" / ("r" + RaceText(race_) + ".json"));
  const std::size_t at = json.find("{\"lane\":6,");
  ASSERT_NE(at, std::string::npos) << json;
  EXPECT_NE(json.find("\"status\":\"no_finish\"", at), std::string::npos) << json;
  EXPECT_NE(ReadAll(dir_ / "err").find("6 コースはゴールが検出されませんでした"), std::string::npos)
      << ReadAll(dir_ / "err");
}

TEST_F(RaceEndToEnd, ConsoleThatVanishesLeavesTheWindowReceiving) {
  ASSERT_TRUE(e2e::MakeDemoMeet(meet_));
  const int race = OpenRaceFrom(ReadAll(meet_ / "meet" / "Race.dat"), 1);
  Child sim(
      {SIM_BIN, "--wait-open", "--races", "0", "--speed", "5", "--tick", "50", "--lanes", "4"},
      dir_, dir_ / "sim.out", dir_ / "sim.err");
  const std::string pty = e2e::SimulatorPty(dir_ / "sim.out");
  ASSERT_EQ(pty.rfind("/dev/", 0), 0u) << ReadAll(dir_ / "sim.err");
  std::ofstream(dir_ / "race.script") << "click frmRace.cmdZushin\n"
                                         "wait 4000\n"
                                         "show frmRace.cmdZushin\n"
                                         "state\n"
                                         "end\n";
  Child program({POOLSIDE_BIN, "-platform", "offscreen", "--drive", "c=" + meet_.string(), "--com",
                 "1=" + pty, "--script", (dir_ / "race.script").string()},
                meet_ / "prog", dir_ / "out", dir_ / "err");
  // The adapter is pulled in the middle of the race: once a lap is logged
  // (however long the program took to start on a loaded machine).
  ASSERT_TRUE(poolside::testing::WaitFor(
      [&] { return LapFile(race).find(",L,") != std::string::npos; }, std::chrono::seconds(30)))
      << ReadAll(dir_ / "err");
  sim.Kill();
  ASSERT_EQ(program.Wait(60), 0) << ReadAll(dir_ / "out") << ReadAll(dir_ / "err");
  const std::string out = ReadAll(dir_ / "out");
  // A warning on standard error, no modal box; still receiving with the
  // race's lap file keeping what was logged before the console went away.
  EXPECT_EQ(out.find("message:"), std::string::npos) << out;
  EXPECT_NE(out.find("Receiving=1"), std::string::npos) << out;
  EXPECT_NE(out.find("caption=\"停止\""), std::string::npos) << out;
  EXPECT_NE(ReadAll(dir_ / "err").find(pty), std::string::npos) << ReadAll(dir_ / "err");
  EXPECT_NE(LapFile(race).find(",L,"), std::string::npos);
}

// The simulator is the oracle of the tests above: its records must follow the
// console's columns and its expected files the lap and goal formats.
bool IsTimeText(const std::string& t) {
  if (t.size() != 8 || t.substr(5, 1) != ".") return false;
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  if (!digit(t[4]) || !digit(t[6]) || !digit(t[7])) return false;
  if (t[2] == ':') return digit(t[1]) && digit(t[3]) && (t[0] == ' ' || digit(t[0]));
  // No minutes: blanks, then one or two digits of seconds.
  return t[0] == ' ' && t[1] == ' ' && t[2] == ' ' && (t[3] == ' ' || digit(t[3]));
}

TEST(ConsoleSimulator, SendsConsoleRecordsAndMatchingExpectedFiles) {
  const fs::path dir = fs::temp_directory_path() / ("poolside-sim-" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  Child sim(
      {SIM_BIN, "--races", "2", "--lanes", "10", "--laps", "2", "--tick", "100", "--speed", "1000",
       "--pause", "0", "--seed", "11", "--log", (dir / "sent").string(), "--expect", dir.string()},
      dir, dir / "out", dir / "err");
  ASSERT_EQ(sim.Wait(30), 0) << ReadAll(dir / "err");
  const std::string sent = ReadAll(dir / "sent");
  ASSERT_FALSE(sent.empty());
  ASSERT_EQ(sent.size() % 16, 0u);

  std::string laps[3];
  int race = 1, zeros = 0;
  std::vector<std::string> finishes;
  for (size_t i = 0; i < sent.size(); i += 16) {
    const std::string r = sent.substr(i, 16);
    ASSERT_EQ(r[1], 'A') << i;
    ASSERT_EQ(r[15], '\r') << i;
    ASSERT_TRUE(IsTimeText(r.substr(6, 8))) << "\"" << r.substr(6, 8) << "\"";
    if (r[14] == 'L' || r[14] == 'G') {
      const int lane = r[3] == '0' ? 10 : r[3] - '0';
      laps[race] += " " + std::to_string(lane) + " ," + r.substr(6, 8) + "," + r[14] + ",";
      if (r[14] == 'G') finishes.push_back(r);
    } else {
      EXPECT_EQ(r[14], ' ');
      if (r.substr(6, 8) == "    0.00" && !finishes.empty() && ++zeros % 2 == 0) ++race;
    }
  }
  EXPECT_EQ(finishes.size(), 20u);
  EXPECT_EQ(ReadAll(dir / "lap1"), laps[1]);
  EXPECT_EQ(ReadAll(dir / "lap2"), laps[2]);

  // Goal: ten pairs; lanes 2 and 3 tie and share the rank; no rank above 10.
  const std::string goal = ReadAll(dir / "goal1");
  std::vector<int> fields;
  std::istringstream in(goal);
  std::string field;
  while (std::getline(in, field, ',')) fields.push_back(std::atoi(field.c_str()));
  ASSERT_EQ(fields.size(), 20u) << goal;
  EXPECT_EQ(fields[3], fields[5]);  // times of lanes 2 and 3
  EXPECT_EQ(fields[2], fields[4]);  // their ranks
  for (int lane = 0; lane < 10; ++lane) {
    EXPECT_GE(fields[lane * 2], 1);
    EXPECT_LE(fields[lane * 2], 10);
  }
  fs::remove_all(dir);
}

TEST(ConsoleSimulator, CountModeSendsDistinctLapRecords) {
  const fs::path dir = fs::temp_directory_path() / ("poolside-count-" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  Child sim({SIM_BIN, "--count", "200", "--speed", "1000", "--log", (dir / "sent").string(),
             "--expect", dir.string()},
            dir, dir / "out", dir / "err");
  ASSERT_EQ(sim.Wait(30), 0) << ReadAll(dir / "err");
  const std::string sent = ReadAll(dir / "sent");
  ASSERT_EQ(sent.size(), 200u * 16);
  for (size_t i = 16; i < sent.size(); i += 16) {
    EXPECT_NE(sent.substr(i, 16), sent.substr(i - 16, 16));  // never a repeat
  }
  // " 3 ," + 8 + ",L," is 15 characters; lane 10 takes one more.
  EXPECT_EQ(ReadAll(dir / "lap1").size(), 180u * 15 + 20u * 16);
  fs::remove_all(dir);
}

}  // namespace
