// A whole race timed end to end: the console simulator on a pseudo-terminal,
// the program on the demo meet with COM1 mapped to the pty and a script that
// starts reception. The lap file, the goal file and the status book are then
// compared byte for byte with what the simulator sent.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class Child {
 public:
  // Starts `args` in `dir` with standard output and error to the files given.
  Child(const std::vector<std::string>& args, const fs::path& dir, const fs::path& out,
        const fs::path& err) {
    pid_ = fork();
    if (pid_ == 0) {
      if (chdir(dir.c_str()) != 0) _exit(126);
      int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(o, 1);
      dup2(e, 2);
      std::vector<char*> argv;
      for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
  }
  ~Child() {
    if (pid_ > 0 && !done_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  // Exit status, or -1 when the child did not end within `seconds`.
  int Wait(int seconds) {
    for (int i = 0; i < seconds * 20; ++i) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        done_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return -1;
  }

 private:
  pid_t pid_ = -1;
  bool done_ = false;
};

// The first race from `from` on whose status character is "5" or below.
int OpenRaceFrom(const std::string& book, int from) {
  int r = from;
  while (r <= 1024 && static_cast<unsigned char>(book[r - 1]) > '5') ++r;
  return r;
}

std::string RaceText(int race) {
  std::string t = std::to_string(race + 10000);
  return t.substr(t.size() - 4);
}

class RaceEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("poolside-e2e-" + std::to_string(getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "expect");
    meet_ = dir_ / "demo";
  }
  void TearDown() override {
    if (!HasFailure()) fs::remove_all(dir_);
  }

  // Writes the demo meet with two races done, swims one race on the
  // simulator with `simArgs` while the program receives, and leaves the
  // program's output in out_.
  void SwimOneRace(std::vector<std::string> simArgs) {
    ASSERT_EQ(
        std::system(("'" + std::string(DEMO_BIN) + "' '" + meet_.string() + "' --done 2 >/dev/null")
                        .c_str()),
        0);
    bookBefore_ = ReadAll(meet_ / "meet" / "Race.dat");
    ASSERT_EQ(bookBefore_.size(), 1024u);
    race_ = OpenRaceFrom(bookBefore_, 1);
    ASSERT_LE(race_, 1024);

    std::vector<std::string> args = {SIM_BIN,    "--wait-open",
                                     "--races",  "1",
                                     "--log",    (dir_ / "sent").string(),
                                     "--expect", (dir_ / "expect").string()};
    args.insert(args.end(), simArgs.begin(), simArgs.end());
    Child sim(args, dir_, dir_ / "sim.out", dir_ / "sim.err");
    std::string pty;
    for (int i = 0; i < 100 && pty.empty(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      std::istringstream(ReadAll(dir_ / "sim.out")) >> pty;
    }
    ASSERT_EQ(pty.rfind("/dev/", 0), 0u) << "simulator: " << ReadAll(dir_ / "sim.err");

    std::ofstream(dir_ / "race.script") << "click frmRace.cmdZushin\n"
                                           "wait 5000\n"
                                           "state\n"
                                           "end\n";
    Child program({POOLSIDE_BIN, "-platform", "offscreen", "--drive", "c=" + meet_.string(),
                   "--com", "1=" + pty, "--script", (dir_ / "race.script").string()},
                  meet_ / "prog", dir_ / "out", dir_ / "err");
    const int rc = program.Wait(60);
    out_ = ReadAll(dir_ / "out");
    ASSERT_EQ(rc, 0) << "stdout:\n" << out_ << "\nstderr:\n" << ReadAll(dir_ / "err");
    EXPECT_EQ(sim.Wait(10), 0) << ReadAll(dir_ / "sim.err");
    EXPECT_EQ(out_.find("message:"), std::string::npos) << out_;
    EXPECT_EQ(out_.find("error:"), std::string::npos) << out_;
  }

  std::string LapFile(int race) const {
    return ReadAll(meet_ / "meet" / "lap" / ("r" + RaceText(race)));
  }
  std::string GoalFile(int race) const {
    return ReadAll(meet_ / "meet" / "goal" / ("g" + RaceText(race)));
  }
  std::string Expected(const std::string& name) const { return ReadAll(dir_ / "expect" / name); }

  fs::path dir_, meet_;
  std::string bookBefore_, out_;
  int race_ = 0;
};

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

  // The next open race is current, with its lap file open and empty.
  const int next = OpenRaceFrom(expectBook, race_ + 1);
  EXPECT_NE(out_.find("RaceNo=" + std::to_string(next) + "\n"), std::string::npos) << out_;
  if (next <= 1024) {
    EXPECT_TRUE(fs::exists(meet_ / "meet" / "lap" / ("r" + RaceText(next))));
    EXPECT_EQ(LapFile(next), "");
  }
}

TEST_F(RaceEndToEnd, AllTenLanesFinishingInOneTickLoseNothing) {
  SwimOneRace({"--burst", "--laps", "1", "--tick", "10", "--speed", "100", "--seed", "3"});
  if (HasFatalFailure()) return;
  EXPECT_EQ(LapFile(race_), Expected("lap1"));
  EXPECT_EQ(GoalFile(race_), Expected("goal1"));
}

}  // namespace
