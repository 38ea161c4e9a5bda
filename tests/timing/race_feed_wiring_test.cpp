// The timing window's race feed: what a listener hears over a whole race.

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "feed/race_feed.h"
#include "timing/race_rig.h"

namespace poolside::testing {
namespace {

// Every event as one line of text, so that two listeners can be compared
// value by value. Time stamps are kept as their raw counts.
struct Describe {
  std::string operator()(const RaceShown& e) const {
    std::ostringstream s;
    s << "race_shown " << e.race << " [" << e.status << "] P" << e.program << " H" << e.heat << "/"
      << e.heats << " " << e.sex.code << "=" << e.sex.label << " " << e.raceClass.code << "="
      << e.raceClass.label << " " << e.event.code << "=" << e.event.label << " " << e.round.code
      << "=" << e.round.label << " entries";
    for (auto n : e.entries) s << " " << n;
    return s.str();
  }
  std::string operator()(const ReceptionStarted& e) const {
    return "started " + std::to_string(e.port) + " [" + e.device + "]";
  }
  std::string operator()(const ReceptionStopped& e) const {
    return "stopped " + std::to_string(e.port) + " [" + e.device + "]";
  }
  std::string operator()(const BlockRead& e) const {
    return "block [" + e.bytes + "] " + std::to_string(e.wall.time_since_epoch().count()) + " " +
           std::to_string(e.mono.time_since_epoch().count());
  }
  std::string operator()(const BytesReceived& e) const { return "received [" + e.bytes + "]"; }
  std::string operator()(const ClockShown& e) const { return "clock [" + e.text + "]"; }
  std::string operator()(const LaneTouched& e) const {
    std::ostringstream s;
    s << "lane " << e.lane << " rank " << e.rank << " [" << e.timeText << "] " << e.packed
      << " laps " << e.laps << " m " << e.metres << (e.finish ? " finish" : " lap");
    return s.str();
  }
  std::string operator()(const ManualEntryStored& e) const {
    return "manual " + std::to_string(e.race) + " lane " + std::to_string(e.lane) + " " +
           std::to_string(e.value) + " [" + e.text + "]";
  }
  std::string operator()(const RaceFinished& e) const {
    std::ostringstream s;
    s << "finished " << e.race;
    for (int i = 0; i < kLanes; ++i) s << " " << e.rank[i] << "/" << e.time[i];
    s << " targets";
    for (int t : e.combinedTargets) s << " " << t;
    return s.str();
  }
  std::string operator()(const RaceStatusChanged& e) const {
    return "status " + std::to_string(e.race) + " [" + e.status + "]";
  }
  std::string operator()(const PortProblem& e) const {
    return "port_problem " + std::to_string(e.port) + " " + e.message;
  }
  std::string operator()(const LinkHealth& e) const {
    return "link " + std::to_string(e.port) + " " + e.message;
  }
  std::string operator()(const TouchesRepaired& e) const {
    return "repair " + std::to_string(e.race) + " " + std::to_string(e.lane) + " " + e.what;
  }
  std::string operator()(const LaneFlagged& e) const {
    return "flag " + std::to_string(e.lane) + " " + e.message;
  }
  std::string operator()(const RaceRestarted& e) const {
    return "restarted " + std::to_string(e.race) + " " + std::to_string(static_cast<int>(e.choice));
  }
  std::string operator()(const RaceResultChanged& e) const {
    return "result " + std::to_string(e.race) + " rev " + std::to_string(e.revision);
  }
  std::string operator()(const BackupsRecorded& e) const {
    return "backups " + std::to_string(e.race) + " " + std::to_string(e.lane) + " " + e.use;
  }
  std::string operator()(const RaceSignedOff& e) const {
    return "signed_off " + std::to_string(e.race) + " " + (e.official ? "1" : "0");
  }
};

class Recorder : public RaceListener {
 public:
  void OnRaceEvent(const RaceEvent& event) override {
    lines.push_back(std::visit(Describe{}, event));
    events.push_back(event);
  }
  // The lines without the time stamps of the blocks.
  std::vector<std::string> Kinds() const {
    std::vector<std::string> out;
    for (const RaceEvent& e : events) out.push_back(EventKindName(e));
    return out;
  }
  std::vector<std::string> lines;
  std::vector<RaceEvent> events;
};

class Thrower : public RaceListener {
 public:
  void OnRaceEvent(const RaceEvent&) override {
    ++calls;
    throw std::runtime_error("listener broke");
  }
  int calls = 0;
};

std::vector<std::string> Matching(const std::vector<std::string>& lines, const std::string& head) {
  std::vector<std::string> out;
  for (const std::string& l : lines) {
    if (l.rfind(head, 0) == 0) out.push_back(l);
  }
  return out;
}

TEST(RaceFeedWiring, TwoListenersHearAWholeCombinedRaceInOrderWithTheSameValues) {
  RaceRig rig;
  rig.WriteBook("2");  // race 1 combines two races
  rig.meet.Settings.LapBaseCode = "0";
  rig.meet.Settings.LapDoubleCode = "0";
  Recorder a, b;
  rig.w->Feed().Attach(a);
  rig.w->Feed().Attach(b);
  rig.Show(1);
  rig.Start();
  rig.Deliver(ClockLine("   12.34"));
  rig.Deliver("noise");
  rig.Deliver(ResultLine('3', '1', " 1:02.34", 'L'));
  rig.Deliver(ResultLine('3', '1', " 1:02.34", 'L'));  // repeated: taken by the filter
  rig.Deliver(ResultLine('4', '2', " 1:03.00", 'G'));
  rig.Deliver(ResultLine('3', '1', " 2:01.00", 'G'));
  rig.w->OnTimeBoxKeyDown(5, 0);  // not Enter: nothing stored
  rig.txtKiro[4].text = "3";
  rig.txtKiro[4].caret = 1;
  rig.w->OnTimeBoxKeyDown(5, kKeyEnter);
  rig.Deliver(ClockLine("    0.00"));
  rig.w->OnStartStopClick();

  EXPECT_EQ(a.lines, b.lines);
  const std::vector<std::string> kinds = {"race_shown",    "reception_started",
                                          "block",         "clock",
                                          "block",         "block",
                                          "lane",          "block",
                                          "block",         "lane",
                                          "block",         "lane",
                                          "manual_entry",  "block",
                                          "race_finished", "status",
                                          "status",        "race_shown",
                                          "clock",         "reception_stopped"};
  EXPECT_EQ(a.Kinds(), kinds);

  const std::string shown1 = a.lines[0];
  EXPECT_EQ(shown1.substr(0, 18), "race_shown 1 [2] P");
  EXPECT_NE(shown1.find("entries 101 102 103 104 105 0 0 0 0 0"), std::string::npos) << shown1;
  const auto& header = std::get<RaceShown>(a.events[0]);
  EXPECT_EQ(header.sex.label, rig.lblSei.caption);
  EXPECT_EQ(header.event.label, rig.lblShu.caption);
  EXPECT_EQ(header.round.label, rig.lblYoKetu.caption);
  EXPECT_EQ(header.raceClass.label, rig.lblKubun.caption);
  EXPECT_EQ(header.heats, 2);
  EXPECT_EQ(a.lines[1], "started 1 []");
  EXPECT_EQ(std::get<BlockRead>(a.events[4]).bytes, "noise");
  EXPECT_EQ(a.lines[3], "clock [   12.34]");
  EXPECT_EQ(a.lines[6], "lane 3 rank 1 [ 1:02.34] 10234 laps 1 m 50 lap");
  EXPECT_EQ(a.lines[9], "lane 4 rank 2 [ 1:03.00] 10300 laps 1 m 50 finish");
  EXPECT_EQ(a.lines[11], "lane 3 rank 1 [ 2:01.00] 20100 laps 2 m 100 finish");
  EXPECT_EQ(a.lines[12], "manual 1 lane 5 700003 [折返]");
  EXPECT_EQ(a.lines[14],
            "finished 1 0/888888 0/888888 2/20100 1/10300 0/700003 0/888888 0/888888 0/888888 "
            "0/888888 0/888888 targets 2");
  const auto& finished = std::get<RaceFinished>(a.events[14]);
  EXPECT_EQ(finished.race, 1);
  EXPECT_EQ(finished.goalFile, rig.tmp.File("data/goal/g0001"));
  EXPECT_EQ(finished.lapFile, rig.tmp.File("data/lap/r0001"));
  EXPECT_EQ(finished.combinedTargets, std::vector<int>{2});
  EXPECT_EQ(Matching(a.lines, "status"),
            (std::vector<std::string>{"status 1 [6]", "status 2 [6]"}));
  EXPECT_EQ(a.lines[17].substr(0, 17), "race_shown 3 [] P");
  EXPECT_EQ(a.lines[18], "clock [    0.00]");
  EXPECT_EQ(a.lines[19], "stopped 1 []");

  // Every block read is there, in order, with time stamps that never go back.
  std::vector<std::string> blocks;
  for (std::size_t i = 1; i < a.events.size(); ++i) {
    if (const auto* block = std::get_if<BlockRead>(&a.events[i])) blocks.push_back(block->bytes);
  }
  EXPECT_EQ(blocks.size(), 7u);
  MonoTime previous{};
  for (const RaceEvent& e : a.events) {
    if (const auto* block = std::get_if<BlockRead>(&e)) {
      EXPECT_GE(block->mono, previous);
      previous = block->mono;
    }
  }
}

TEST(RaceFeedWiring, AThrowingListenerIsReportedOnceAndReceptionGoesOn) {
  RaceRig rig;
  rig.WriteBook("1");
  Thrower thrower;
  Recorder after;
  std::vector<std::string> reports;
  rig.w->Feed().onListenerError = [&](const std::string& text) { reports.push_back(text); };
  rig.w->Feed().Attach(thrower);
  rig.w->Feed().Attach(after);
  rig.Show(1);
  rig.Start();
  rig.Deliver(ResultLine('2', '1', " 1:00.00", 'G'));
  rig.Deliver(ClockLine("    0.00"));

  EXPECT_GT(thrower.calls, 5);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].find("listener broke"), std::string::npos) << reports[0];
  // The race was finished as without the listener, and the next one is up.
  EXPECT_EQ(rig.Lap(1), " 2 , 1:00.00,G,");
  EXPECT_TRUE(rig.HasGoal(1));
  EXPECT_EQ(rig.Book()[0], '6');
  EXPECT_EQ(rig.lblRace.caption, "2");
  EXPECT_TRUE(rig.w->Receiving());
  EXPECT_EQ(Matching(after.lines, "finished").size(), 1u);
  EXPECT_TRUE(rig.messages.errors.empty());
}

TEST(RaceFeedWiring, PortProblemsCarryTheMessageShown) {
  RaceRig rig;
  Recorder r;
  rig.w->Feed().Attach(r);
  rig.Show(1);
  rig.port.failOpen = true;
  rig.Start();
  ASSERT_EQ(rig.messages.messages.size(), 1u);
  EXPECT_EQ(Matching(r.lines, "port_problem"),
            std::vector<std::string>{"port_problem 1 " + rig.messages.messages[0]});
  // A start that failed has nothing to stop.
  EXPECT_TRUE(Matching(r.lines, "started").empty());
  EXPECT_TRUE(Matching(r.lines, "stopped").empty());

  rig.port.failOpen = false;
  rig.Start();
  rig.port.Vanish();
  rig.port.onError("COM1 (/dev/ttyS0): gone");
  rig.host.RunDelayed();
  // The loss is one box; the reconnection is told on the feed (lblLink and
  // the journal), not in a box.
  ASSERT_EQ(rig.messages.warnings.size(), 1u);
  EXPECT_EQ(Matching(r.lines, "port_problem"),
            (std::vector<std::string>{"port_problem 1 " + rig.messages.messages[0],
                                      "port_problem 1 " + rig.messages.warnings[0],
                                      "port_problem 1 COM1 に再接続しました。受信を続けます。"}));
  // The outage's box, if still open, now says the line is back.
  ASSERT_EQ(rig.messages.settled.size(), 1u);
  EXPECT_NE(rig.messages.settled[0].find("復旧しました"), std::string::npos);
  // The program ending while receiving stops the reception too.
  rig.w->Unload();
  EXPECT_EQ(r.lines.back(), "stopped 1 []");
}

}  // namespace
}  // namespace poolside::testing
