// Suspicious touches: the three patterns flagged with their reasons, a
// repair clearing the flag, and no flag in the console simulator's races.
#include "timing/touch_watch.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "finish/touch_repair.h"
#include "reception/console_line.h"
#include "support/temp_dir.h"
#include "timing/touch_flags.h"

namespace poolside {
namespace {

RaceShown Shown(int race, const std::string& event) {
  RaceShown r;
  r.race = race;
  r.event = {"3", event};
  return r;
}

// Feeds the touches; returns the flags raised, "lane:reason" each.
class Race {
 public:
  explicit Race(const std::string& event) { watch.Take(Shown(1, event)); }
  std::optional<LaneFlagged> Touch(int lane, std::int32_t packed, bool finish = false) {
    const int n = ++laps[lane];
    return watch.Take(LaneTouched{lane, 1, "", packed, n, n * 50, finish});
  }
  TouchWatch watch;
  int laps[11] = {};
};

TEST(TouchWatch, MissedExtraAndEarlyTouchesAreFlaggedWithTheirReason) {
  Race r("100m自由形");
  for (int lane = 1; lane <= 5; ++lane) EXPECT_FALSE(r.Touch(lane == 3 ? 6 : lane, 3000 + lane));
  // Lane 2: a hand on the pad two seconds after its turn.
  auto extra = r.Touch(2, 3202);
  ASSERT_TRUE(extra);
  EXPECT_EQ(extra->reason, LaneFlagged::Reason::ExtraTouch);
  EXPECT_EQ(extra->lane, 2);
  EXPECT_NE(extra->message.find("余分なタッチ"), std::string::npos);
  // Lane 3 missed its turn: its first touch after a whole race of 2 lengths,
  // while lanes 1 and 4 have touched twice.
  EXPECT_FALSE(r.Touch(1, 10000, true));
  EXPECT_FALSE(r.Touch(4, 10100, true));
  auto missed = r.Touch(3, 10200);
  ASSERT_TRUE(missed);
  EXPECT_EQ(missed->reason, LaneFlagged::Reason::MissedTouch);
  EXPECT_NE(missed->message.find("タッチ漏れ"), std::string::npos);
  EXPECT_EQ(r.watch.Flag(3), missed->message);
  // Lane 7 finished after one length of a 100 m race.
  auto early = r.Touch(7, 5900, true);
  ASSERT_TRUE(early);
  EXPECT_EQ(early->reason, LaneFlagged::Reason::EarlyFinish);
  EXPECT_NE(early->message.find("1 本目"), std::string::npos);
  // One flag per lane until it is looked at; a repair clears it.
  EXPECT_FALSE(r.Touch(3, 10300, true));
  TouchesRepaired repaired;
  repaired.race = 1;
  repaired.lane = 3;
  auto cleared = r.watch.Take(repaired);
  ASSERT_TRUE(cleared);
  EXPECT_EQ(cleared->reason, LaneFlagged::Reason::Cleared);
  EXPECT_EQ(r.watch.Flag(3), "");
  EXPECT_FALSE(r.watch.Take(repaired));  // nothing to clear
  // A lane accepted as it is may be flagged again by a later touch.
  EXPECT_FALSE(r.Touch(2, 6400));  // flagged already: nothing new
  r.watch.Take(LaneFlagged{1, 2, LaneFlagged::Reason::Accepted, ""});
  EXPECT_EQ(r.watch.Flag(2), "");
  EXPECT_TRUE(r.Touch(2, 6500));  // 1.00 after its last touch
  EXPECT_EQ(r.watch.Flag(6), "");

  // The leader misses a turn: 60.71 after a split of 31.06 while the field
  // swims its second length in about 32 s; nobody has touched more often.
  Race lead("400m自由形");
  for (int lane = 1; lane <= 4; ++lane) EXPECT_FALSE(lead.Touch(lane, 3106 + 30 * lane));
  for (int lane : {1, 2, 4}) EXPECT_FALSE(lead.Touch(lane, 6330 + 30 * lane));
  auto leader = lead.Touch(3, 3196 + 6071);
  ASSERT_TRUE(leader);
  EXPECT_EQ(leader->reason, LaneFlagged::Reason::LeaderMissed);
  EXPECT_NE(leader->message.find("60.71"), std::string::npos) << leader->message;
  // A lane that slows down as much while the field slows down too (a long
  // pause of everyone, a console's odd clock) is not flagged.
  Race slow("400m自由形");
  for (int lane = 1; lane <= 3; ++lane) EXPECT_FALSE(slow.Touch(lane, 3000 + 10 * lane));
  for (int lane : {1, 2}) EXPECT_FALSE(slow.Touch(lane, 9000 + 10 * lane));
  EXPECT_FALSE(slow.Touch(3, 9100));

  // Without a known distance, a finish two lengths ahead of the field.
  Race unknown("");
  unknown.Touch(1, 3000);
  unknown.Touch(2, 3100);
  unknown.Touch(2, 6100);
  auto ahead = unknown.Touch(2, 9200, true);
  ASSERT_TRUE(ahead);
  EXPECT_EQ(ahead->reason, LaneFlagged::Reason::EarlyFinish);

  EXPECT_EQ(EventDistance("1500m自由形"), 1500);
  EXPECT_EQ(EventDistance("自由形"), 0);
  EXPECT_EQ(EventDistance("100"), 0);
}

TEST(TouchWatch, BackwardsBeyondTheDistanceAndTooFastTouchesAreFlagged) {
  Race r("100m自由形");
  // Lane 1: a false touch 14.20 after the start, before any other lane.
  auto fast = r.Touch(1, 1420);
  ASSERT_TRUE(fast);
  EXPECT_EQ(fast->reason, LaneFlagged::Reason::TooFast);
  EXPECT_NE(fast->message.find("14.20"), std::string::npos);
  // 19.00 for 50 m is within the limit; 18.99 is not.
  EXPECT_FALSE(r.Touch(2, 1900));
  EXPECT_EQ(r.Touch(3, 1899)->reason, LaneFlagged::Reason::TooFast);
  // Lane 4: a touch that goes backwards (58.72 after 1:27.75).
  EXPECT_FALSE(r.Touch(4, 3000));
  EXPECT_FALSE(r.Touch(4, 12775));
  auto backwards = r.Touch(4, 5872);
  ASSERT_TRUE(backwards);
  EXPECT_EQ(backwards->reason, LaneFlagged::Reason::SplitBackwards);
  EXPECT_NE(backwards->message.find("-29.03"), std::string::npos) << backwards->message;
  // A third length in a 100 m race of 50 m lengths.
  Race three("100m自由形");
  EXPECT_FALSE(three.Touch(5, 3000));
  EXPECT_FALSE(three.Touch(5, 6100));
  auto beyond = three.Touch(5, 9300, true);
  ASSERT_TRUE(beyond);
  EXPECT_EQ(beyond->reason, LaneFlagged::Reason::BeyondDistance);
  EXPECT_NE(beyond->message.find("150m / 100m"), std::string::npos);

  // The limits are settings; a lap of 25 m has its own.
  TouchWatch lenient(SplitLimits{5.0, 10.0});
  lenient.Take(Shown(1, "100m自由形"));
  EXPECT_FALSE(lenient.Take(LaneTouched{1, 1, "", 1420, 1, 50, false}));
  TouchWatch short25;
  short25.Take(Shown(1, "100m自由形"));
  EXPECT_FALSE(short25.Take(LaneTouched{1, 1, "", 900, 1, 25, false}));
  EXPECT_TRUE(short25.Take(LaneTouched{2, 1, "", 899, 1, 25, false}));
}

TEST(TouchWatch, TheSimulatorsCleanRacesRaiseNoFlag) {
#ifdef _WIN32
  GTEST_SKIP() << "the console simulator is a POSIX program (a pseudo-terminal)";
#endif
  testing::TempDir dir;
  const std::string sim = std::string(POOLSIDE_BINARY_DIR) + "/tools/console_sim";
  ASSERT_TRUE(std::filesystem::exists(sim)) << sim;
  int races = 0;
  for (const char* laps : {"2", "4", "8"}) {
    for (const char* seed : {"1", "7", "13"}) {
      const std::string out = dir.File(std::string("r") + laps + "-" + seed);
      std::filesystem::create_directories(out);
      const std::string cmd = "'" + sim + "' --races 2 --lanes 10 --laps " + laps +
                              " --tick 500 --speed 100000 --pause 0 --seed " + seed +
                              " --repeat --expect '" + out + "' >/dev/null 2>&1";
      ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
      for (int k = 1; k <= 2; ++k) {
        std::ifstream in(out + "/lap" + std::to_string(k), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        const LapTouches touches = ParseLapText(text.str());
        ASSERT_EQ(touches.problem, "");
        ASSERT_FALSE(touches.touches.empty());
        TouchWatch watch;
        watch.Take(Shown(k, std::to_string(50 * std::atoi(laps)) + "m自由形"));
        int count[11] = {};
        for (const LapTouch& t : touches.touches) {
          const int n = ++count[t.lane];
          const auto flag = watch.Take(
              LaneTouched{t.lane, 1, t.timeText, PackedTime(t.timeText), n, n * 50, t.kind == 'G'});
          EXPECT_FALSE(flag) << "laps " << laps << " seed " << seed << " race " << k << ": lane "
                             << t.lane << " " << flag->message;
        }
        ++races;
      }
    }
  }
  EXPECT_EQ(races, 18);

  // Asked for a false touch, the simulator gives lane 2 one at 14.20, and
  // the desk flags it.
  const std::string out = dir.File("false");
  std::filesystem::create_directories(out);
  const std::string cmd = "'" + sim + "' --races 1 --lanes 4 --laps 2 --tick 500 --speed 100000" +
                          " --pause 0 --false-touch 1420 --expect '" + out + "' >/dev/null 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
  std::ifstream in(out + "/lap1", std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  const LapTouches touches = ParseLapText(text.str());
  ASSERT_FALSE(touches.touches.empty());
  EXPECT_EQ(touches.touches.front().lane, 2);
  EXPECT_NE(touches.touches.front().timeText.find("14.20"), std::string::npos);
  TouchWatch watch;
  watch.Take(Shown(1, "100m自由形"));
  int count[11] = {};
  std::vector<LaneFlagged> flags;
  for (const LapTouch& t : touches.touches) {
    const int n = ++count[t.lane];
    if (auto flag = watch.Take(
            LaneTouched{t.lane, 1, t.timeText, PackedTime(t.timeText), n, n * 50, t.kind == 'G'})) {
      flags.push_back(*flag);
    }
  }
  ASSERT_FALSE(flags.empty());
  EXPECT_EQ(flags.front().lane, 2);
  EXPECT_EQ(flags.front().reason, LaneFlagged::Reason::TooFast);
}

TEST(FlagMarks, AMarkBesideTheRowSaysWhyAndANewRaceClearsIt) {
  struct Mark : Label {
    std::string caption;
    Color back = kFaceColor;
    std::string Caption() const override { return caption; }
    void SetCaption(const std::string& c) override { caption = c; }
    Color BackColor() const override { return back; }
    void SetBackColor(const Color& c) override { back = c; }
  };
  std::array<Mark, kLanes> labels;
  std::array<Label*, kLanes> marks{};
  for (int i = 0; i < kLanes; ++i) marks[i] = &labels[i];
  FlagMarks view(marks);
  view.OnRaceEvent(
      LaneFlagged{1, 3, LaneFlagged::Reason::MissedTouch, "タッチ漏れ? (ラップ 60.00)"});
  EXPECT_EQ(labels[2].caption, "確認: タッチ漏れ? (ラップ 60.00)");
  EXPECT_EQ(labels[2].back, kFlagColor);
  view.OnRaceEvent(LaneFlagged{1, 3, LaneFlagged::Reason::Cleared, ""});
  EXPECT_EQ(labels[2].caption, "");
  view.OnRaceEvent(LaneFlagged{1, 4, LaneFlagged::Reason::ExtraTouch, "余分なタッチ?"});
  view.OnRaceEvent(Shown(2, ""));
  EXPECT_EQ(labels[3].caption, "");
  EXPECT_EQ(labels[3].back, kFaceColor);
}

}  // namespace
}  // namespace poolside
