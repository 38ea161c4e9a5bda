// A second desk on the same console line, end to end: the desk and a
// --shadow desk over two pseudo-terminals fed the same recorded bytes write
// the same lap and goal files and book (--compare says so); a line of the
// second desk's cut short shows in --compare as the race and record; and
// after the desk is killed mid-race, --promote gives the meet's folder the
// interrupted race re-timed from the second desk's capture while the races
// the desk finished stay as it wrote them.
#include <unistd.h>

#include <gtest/gtest.h>

#include "desk_run.h"
#include "support/test_broker.h"
#include "support/wait_for.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using e2e::Child;
using e2e::RaceText;
using e2e::ReadAll;
using poolside::testing::WaitFor;

// The demo meet has races 1 and 2 done: the simulator's two races are
// timed as races 3 and 4.
constexpr int kFirstRace = 3;
constexpr int kSecondRace = 4;

class ShadowEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("poolside-shadow-e2e-" + std::to_string(getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    meet_ = dir_ / "demo";
    shadow_ = dir_ / "shadow";
    ASSERT_TRUE(e2e::MakeDemoMeet(meet_));
    // Two races as the console sends them, recorded once.
    Child sim({SIM_BIN, "--races", "2", "--lanes", "4", "--laps", "2", "--tick", "50", "--speed",
               "1000", "--pause", "0", "--seed", "5", "--log", (dir_ / "sent").string()},
              dir_, dir_ / "rec.out", dir_ / "rec.err");
    ASSERT_EQ(sim.Wait(30), 0) << ReadAll(dir_ / "rec.err");
    sent_ = ReadAll(dir_ / "sent");
    ASSERT_EQ(sent_.size() % 16, 0u);
    ASSERT_GT(sent_.size(), 100u * 16);
  }
  void TearDown() override {
    if (!HasFailure()) fs::remove_all(dir_);
  }

  // A simulator playing `bytes` on a pseudo-terminal of its own once a
  // program opens it; returns the device in `pty`.
  std::unique_ptr<Child> Line(const std::string& name, const std::string& bytes, double speed,
                              std::string& pty) {
    std::ofstream(dir_ / (name + ".bytes"), std::ios::binary) << bytes;
    auto sim =
        std::make_unique<Child>(std::vector<std::string>{SIM_BIN, "--wait-open", "--play",
                                                         (dir_ / (name + ".bytes")).string(),
                                                         "--speed", std::to_string(speed)},
                                dir_, dir_ / (name + ".sim.out"), dir_ / (name + ".sim.err"));
    const fs::path out = dir_ / (name + ".sim.out");
    EXPECT_TRUE(WaitFor([&] {
      std::istringstream(ReadAll(out)) >> pty;
      return pty.rfind("/dev/", 0) == 0;
    })) << ReadAll(dir_ / (name + ".sim.err"));
    return sim;
  }

  // A desk receiving from `pty` until it is killed; `more` makes it the
  // second desk.
  std::unique_ptr<Child> Desk(const std::string& name, const std::string& pty,
                              std::vector<std::string> more = {}) {
    std::ofstream(dir_ / (name + ".script")) << "click frmRace.cmdZushin\nwait 120000\nend\n";
    std::vector<std::string> args = {POOLSIDE_BIN,
                                     "-platform",
                                     "offscreen",
                                     "--drive",
                                     "c=" + meet_.string(),
                                     "--com",
                                     "1=" + pty,
                                     "--script",
                                     (dir_ / (name + ".script")).string()};
    args.insert(args.end(), more.begin(), more.end());
    return std::make_unique<Child>(args, meet_ / "prog", dir_ / (name + ".out"),
                                   dir_ / (name + ".err"));
  }

  static bool Done(const fs::path& folder, int race) {
    const std::string book = ReadAll(folder / "Race.dat");
    return book.size() >= static_cast<std::size_t>(race) &&
           static_cast<unsigned char>(book[race - 1]) > '5';
  }

  // `text` is in a capture journal of `folder`.
  static bool Journaled(const fs::path& folder, const std::string& text) {
    if (!fs::exists(folder / "capture")) return false;
    for (const auto& e : fs::directory_iterator(folder / "capture")) {
      if (ReadAll(e.path()).find(text) != std::string::npos) return true;
    }
    return false;
  }

  // A window-less command in the meet's working folder: its status, its
  // standard output in `out`.
  int Command(std::vector<std::string> more, std::string& out) {
    std::vector<std::string> args = {POOLSIDE_BIN, "--drive", "c=" + meet_.string()};
    args.insert(args.end(), more.begin(), more.end());
    Child tool(args, meet_ / "prog", dir_ / "cmd.out", dir_ / "cmd.err");
    const int rc = tool.Wait(90);
    out = ReadAll(dir_ / "cmd.out");
    errors_ = ReadAll(dir_ / "cmd.err");
    return rc;
  }

  // The bytes with the first lap record of the first race left out.
  std::string WithoutFirstLap() const {
    for (std::size_t at = 0; at + 16 <= sent_.size(); at += 16) {
      if (sent_[at + 14] == 'L') return sent_.substr(0, at) + sent_.substr(at + 16);
    }
    ADD_FAILURE() << "no lap record in the recording";
    return sent_;
  }

  fs::path Folder() const { return meet_ / "meet"; }

  fs::path dir_, meet_, shadow_;
  std::string sent_, errors_;
};

TEST_F(ShadowEndToEnd, TwoDesksFedTheSameBytesWriteTheSameFiles) {
  std::string ptyA, ptyB;
  auto simA = Line("a", sent_, 1, ptyA);
  auto simB = Line("b", sent_, 1, ptyB);
  auto desk = Desk("desk", ptyA);
  auto second = Desk("second", ptyB, {"--shadow", shadow_.string()});
  ASSERT_TRUE(WaitFor([&] { return Done(Folder(), kSecondRace) && Done(shadow_, kSecondRace); },
                      std::chrono::seconds(90)))
      << ReadAll(dir_ / "desk.err") << ReadAll(dir_ / "second.err");
  desk->Kill();
  second->Kill();
  // The second desk never wrote the meet's folder, and said what it is.
  const std::string out = ReadAll(dir_ / "second.out");
  EXPECT_EQ(out.find("message:"), std::string::npos) << out;
  EXPECT_NE(ReadAll(dir_ / "second.err").find("控え"), std::string::npos);
  EXPECT_TRUE(fs::exists(shadow_ / "capture"));
  EXPECT_FALSE(fs::is_empty(shadow_ / "capture"));
  // The meet's capture folder holds the desk's journal alone.
  int journals = 0;
  for (const auto& e : fs::directory_iterator(Folder() / "capture"))
    journals += e.is_regular_file();
  EXPECT_EQ(journals, 1);

  std::string compared;
  EXPECT_EQ(Command({"--compare", Folder().string(), shadow_.string()}, compared), 0)
      << compared << errors_;
  EXPECT_NE(compared.find("race " + std::to_string(kFirstRace) + ": same"), std::string::npos)
      << compared;
  EXPECT_NE(compared.find("race " + std::to_string(kSecondRace) + ": same"), std::string::npos)
      << compared;
  EXPECT_FALSE(ReadAll(shadow_ / "goal" / ("g" + RaceText(kSecondRace))).empty());
}

TEST_F(ShadowEndToEnd, ALineCutShortOnTheSecondDeskIsNamedByRaceAndRecord) {
  std::string ptyA, ptyB;
  auto simA = Line("a", sent_, 1, ptyA);
  auto simB = Line("b", WithoutFirstLap(), 1, ptyB);
  auto desk = Desk("desk", ptyA);
  auto second = Desk("second", ptyB, {"--shadow", shadow_.string()});
  ASSERT_TRUE(WaitFor([&] { return Done(Folder(), kSecondRace) && Done(shadow_, kSecondRace); },
                      std::chrono::seconds(90)))
      << ReadAll(dir_ / "desk.err") << ReadAll(dir_ / "second.err");
  desk->Kill();
  second->Kill();

  std::string compared;
  EXPECT_EQ(Command({"--compare", Folder().string(), shadow_.string()}, compared), 1)
      << compared << errors_;
  // The first lap of the race (26.30) is the desk's first record; the
  // second desk's file starts with the next one.
  const std::string lap = "lap\\r" + RaceText(kFirstRace);
  EXPECT_NE(compared.find("race " + std::to_string(kFirstRace) + ": " + lap +
                          " record 1 differs: \" 2 ,   26.30,L,\" | \" 3 ,   27.97,L,\"\n"),
            std::string::npos)
      << compared;
  EXPECT_NE(compared.find("race " + std::to_string(kSecondRace) + ": same"), std::string::npos)
      << compared;
  EXPECT_NE(compared.find("differs: "), std::string::npos) << compared;
}

TEST_F(ShadowEndToEnd, APromotionAfterTheDeskWasKilledMidRaceRetimesTheRaceFromTheCapture) {
  std::string ptyA, ptyB;
  // Slower than the line: the desk is killed between the first lap of the
  // second race and its finish.
  auto simA = Line("a", sent_, 0.5, ptyA);
  auto simB = Line("b", sent_, 0.5, ptyB);
  auto desk = Desk("desk", ptyA);
  auto second = Desk("second", ptyB, {"--shadow", shadow_.string()});
  const fs::path lap = Folder() / "lap" / ("r" + RaceText(kSecondRace));
  ASSERT_TRUE(WaitFor(
      [&] { return Done(Folder(), kFirstRace) && fs::exists(lap) && fs::file_size(lap) > 0; },
      std::chrono::seconds(90)))
      << ReadAll(dir_ / "desk.err");
  desk->Kill();
  ASSERT_FALSE(Done(Folder(), kSecondRace)) << "the desk finished before it was killed";
  const std::string firstLap = ReadAll(Folder() / "lap" / ("r" + RaceText(kFirstRace)));
  const std::string firstGoal = ReadAll(Folder() / "goal" / ("g" + RaceText(kFirstRace)));
  ASSERT_FALSE(firstGoal.empty());
  const std::string cutLap = ReadAll(lap);

  // Finished there and journaled (the journal's line follows the files).
  ASSERT_TRUE(WaitFor(
      [&] { return Journaled(shadow_, "race_finished race=" + std::to_string(kSecondRace) + " "); },
      std::chrono::seconds(90)))
      << ReadAll(dir_ / "second.err");
  second->Kill();

  std::string promoted;
  ASSERT_EQ(Command({"--promote", shadow_.string()}, promoted), 0) << promoted << errors_;
  EXPECT_NE(promoted.find("race " + std::to_string(kSecondRace) + ": re-timed"), std::string::npos)
      << promoted;
  // The races the desk finished are as it wrote them.
  EXPECT_EQ(ReadAll(Folder() / "lap" / ("r" + RaceText(kFirstRace))), firstLap);
  EXPECT_EQ(ReadAll(Folder() / "goal" / ("g" + RaceText(kFirstRace))), firstGoal);
  // The interrupted race is the second desk's, whole.
  EXPECT_TRUE(Done(Folder(), kSecondRace));
  const std::string retimed = ReadAll(lap);
  EXPECT_EQ(retimed, ReadAll(shadow_ / "lap" / ("r" + RaceText(kSecondRace))));
  EXPECT_GT(retimed.size(), cutLap.size());
  EXPECT_EQ(retimed.substr(0, cutLap.size()), cutLap);
  EXPECT_EQ(ReadAll(Folder() / "goal" / ("g" + RaceText(kSecondRace))),
            ReadAll(shadow_ / "goal" / ("g" + RaceText(kSecondRace))));
  // Journaled, and the folders now agree race by race.
  const std::string journal = ReadAll(Folder() / "promotion.log");
  EXPECT_NE(journal.find("retimed=" + std::to_string(kSecondRace)), std::string::npos) << journal;
  std::string compared;
  EXPECT_EQ(Command({"--compare", Folder().string(), shadow_.string()}, compared), 0) << compared;
  // The desk's lease was taken (its process is gone) and given back.
  EXPECT_FALSE(fs::exists(Folder() / "poolside.lease"));
}

TEST_F(ShadowEndToEnd, TheMenuMakesTheSecondDeskTheDeskInTheMiddleOfARace) {
  // The records as script lines, cut after the first lap of the second race.
  std::vector<std::string> lines;
  std::size_t cut = 0;
  int finishes = 0;
  for (std::size_t at = 0; at + 16 <= sent_.size(); at += 16) {
    std::string r = sent_.substr(at, 15);
    if (r[14] == 'G') ++finishes;
    if (r[14] == 'L' && finishes >= 4 && cut == 0) cut = lines.size() + 1;
    lines.push_back("port \"" + r + "\\r\"\n");
  }
  ASSERT_GT(cut, 0u);
  std::string script = "click frmRace.cmdZushin\n";
  for (std::size_t i = 0; i < cut; ++i) script += lines[i];
  script += "answer OK\nclick frmRace.mShokaku\nshow frmRace\nshow frmRace.mShokaku\n";
  for (std::size_t i = cut; i < lines.size(); ++i) script += lines[i];
  script += "state\nend\n";
  std::ofstream(dir_ / "menu.script") << script;
  Child second({POOLSIDE_BIN, "-platform", "offscreen", "--drive", "c=" + meet_.string(),
                "--shadow", shadow_.string(), "--script", (dir_ / "menu.script").string()},
               meet_ / "prog", dir_ / "menu.out", dir_ / "menu.err");
  ASSERT_EQ(second.Wait(90), 0) << ReadAll(dir_ / "menu.out") << ReadAll(dir_ / "menu.err");
  const std::string out = ReadAll(dir_ / "menu.out");
  EXPECT_NE(out.find("answer: OK"), std::string::npos) << out;
  EXPECT_NE(out.find("frmRace caption=\"Seiko\" shown=1"), std::string::npos) << out;
  EXPECT_NE(ReadAll(dir_ / "menu.err").find("warning: 計時席になりました。"), std::string::npos);
  EXPECT_NE(out.find("frmRace.mShokaku caption=\"計時席に昇格...\" enabled=0"), std::string::npos);

  // The race the desk had not finished is the second desk's, re-timed.
  const std::string firstLap = "lap/r" + RaceText(kFirstRace);
  EXPECT_TRUE(Done(Folder(), kFirstRace));
  EXPECT_EQ(ReadAll(Folder() / firstLap), ReadAll(shadow_ / firstLap));
  EXPECT_FALSE(ReadAll(Folder() / "goal" / ("g" + RaceText(kFirstRace))).empty());
  // The race in the water went on in the meet's folder from where the
  // second desk had it, and finished there alone.
  const std::string secondLap = "lap/r" + RaceText(kSecondRace);
  const std::string before = ReadAll(shadow_ / secondLap);
  const std::string after = ReadAll(Folder() / secondLap);
  ASSERT_FALSE(before.empty());
  EXPECT_GT(after.size(), before.size());
  EXPECT_EQ(after.substr(0, before.size()), before);
  EXPECT_TRUE(Done(Folder(), kSecondRace));
  EXPECT_FALSE(Done(shadow_, kSecondRace));
  EXPECT_NE(ReadAll(Folder() / "promotion.log").find("retimed=" + std::to_string(kFirstRace)),
            std::string::npos);
  // Both leases given back at the end.
  EXPECT_FALSE(fs::exists(Folder() / "poolside.lease"));
  EXPECT_FALSE(fs::exists(shadow_ / "poolside.lease"));
}

TEST_F(ShadowEndToEnd, TheSecondDeskFollowsTheDesksRaceOnTheBrokerAndPublishesNothing) {
  poolside::testing::TestBroker broker(dir_.string(), "allow_anonymous true\nlog_type all\n");
  ASSERT_TRUE(broker.Start());
  const std::string port = std::to_string(broker.Port());
  std::ofstream(dir_ / "second.script") << "wait 120000\nend\n";
  Child second({POOLSIDE_BIN, "-platform", "offscreen", "--drive", "c=" + meet_.string(),
                "--shadow", shadow_.string(), "--mqtt", "127.0.0.1:" + port, "--script",
                (dir_ / "second.script").string()},
               meet_ / "prog", dir_ / "second.out", dir_ / "second.err");
  // The desk puts race 6 on screen: the second desk follows (its capture
  // journal keeps every race shown). Said again until it is followed, as a
  // subscription may come after the first publication.
  const auto followed = [&] { return Journaled(shadow_, "race_shown race=6 "); };
  const std::string shown =
      R"({"type":"race_shown","seq":1,"race":{"race":6,"status":"1","program":2,"heat":1}})";
  bool seen = false;
  for (int i = 0; i < 30 && !seen; ++i) {
    Child pub({"/usr/bin/mosquitto_pub", "-h", "127.0.0.1", "-p", port, "-i", "office", "-t",
               "poolside/events", "-m", shown},
              dir_, dir_ / "pub.out", dir_ / "pub.err");
    ASSERT_EQ(pub.Wait(30), 0) << ReadAll(dir_ / "pub.err");
    seen = WaitFor(followed, std::chrono::seconds(1));
  }
  ASSERT_TRUE(seen) << ReadAll(dir_ / "second.err");
  second.Kill();
  // Every publication the broker received came from the test's publisher.
  std::istringstream log(ReadAll(broker.Log()));
  int received = 0;
  for (std::string line; std::getline(log, line);) {
    const auto at = line.find("Received PUBLISH from ");
    if (at == std::string::npos) continue;
    ++received;
    EXPECT_EQ(line.compare(at + 22, 7, "office "), 0) << line;
  }
  EXPECT_GT(received, 0);
}

}  // namespace
