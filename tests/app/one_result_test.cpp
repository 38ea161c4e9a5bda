// One race through every change, with every output of the desk attached as
// main attaches them: after each change the export's JSON, /api/races/N of
// the live pages, the broker's retained PREFIX/races/N (a real Mosquitto)
// and the result view hold the same result, byte for byte; and the same
// after the program starts again on the folder.
#include <QApplication>
#include <QTcpSocket>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "app/backup_panel.h"
#include "app/options.h"
#include "app/recover_command.h"
#include "app/touches_command.h"
#include "capture/capture_journal.h"
#include "export/export_listener.h"
#include "live/qt/live_server.h"
#include "mqtt/desk_publisher.h"
#include "mqtt/meet_sources.h"
#include "mqtt/mosquitto/mosquitto_link.h"
#include "recovery/recovery_panel.h"
#include "results/race_json.h"
#include "results/race_results.h"
#include "results/result_board.h"
#include "support/broker_subscriber.h"
#include "support/test_broker.h"
#include "support/wait_for.h"
#include "timing/race_rig.h"
#include "timing/touch_flags.h"

namespace poolside::testing {
namespace {

using namespace std::chrono_literals;

// The body of GET `path`, or "404" / "" (no answer) for anything but 200.
std::string Fetch(int port, const std::string& path) {
  QTcpSocket s;
  s.connectToHost("127.0.0.1", static_cast<quint16>(port));
  if (!s.waitForConnected(3000)) return "";
  s.write(QByteArray::fromStdString("GET " + path +
                                    " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n"));
  // Read up to the end of the body its Content-Length gives, or the close.
  QByteArray data;
  const auto whole = [&data] {
    const auto end = data.indexOf("\r\n\r\n");
    if (end < 0) return false;
    const QByteArray head = data.left(end).toLower();
    const auto at = head.indexOf("content-length:");
    if (at < 0) return false;
    const auto eol = head.indexOf("\r\n", at);
    const int length = head.mid(at + 15, (eol < 0 ? head.size() : eol) - at - 15).trimmed().toInt();
    return data.size() >= end + 4 + length;
  };
  while (!whole() && s.state() == QAbstractSocket::ConnectedState && s.waitForReadyRead(3000)) {
    data += s.readAll();
  }
  data += s.readAll();
  if (!data.startsWith("HTTP/1.1 200")) return data.startsWith("HTTP/1.1 404") ? "404" : "";
  const auto end = data.indexOf("\r\n\r\n");
  return end < 0 ? "" : data.mid(end + 4).toStdString();
}

// The desk's outputs on the rig's feed, in main's order: the owner first,
// the capture, the export, the live pages, the broker, the result view.
struct Desk {
  Desk(RaceRig& rig, const std::string& captureFolder, int brokerPort) : rig(rig) {
    results.SetFolder(ResultFolderOf(rig.meet));
    results.AttachTo(rig.w->Feed());
    results.onOpenFlags = [this](const std::string& notice) { notices.push_back(notice); };
    EXPECT_TRUE(journal.Open(captureFolder));
    rig.w->Feed().Attach(journal);
    rig.w->Feed().Attach(exporter);
    LiveServerConfig config;
    config.port = 0;
    config.paths = rig.paths;
    config.results = resultOf;
    live = std::make_unique<LiveServer>(config);
    rig.w->Feed().Attach(*live);
    std::string error;
    EXPECT_TRUE(live->Start(rig.meet.DataFolder, rig.meet.Settings, error)) << error;
    DeskPublisherConfig pc;
    pc.broker.host = "127.0.0.1";
    pc.broker.port = brokerPort;
    pc.prefix = "meet";
    publisher = std::make_unique<DeskPublisher>(pc, std::make_unique<MosquittoLink>(),
                                                [](const std::string&) {});
    rig.w->Feed().Attach(*publisher);
    EXPECT_TRUE(
        publisher->Start(MeetSources(rig.paths, rig.meet.DataFolder, rig.meet.Settings, resultOf),
                         rig.Book(), error))
        << error;
    rig.w->Feed().Attach(board);
    rig.w->Feed().Attach(flagger);
    rig.meet.OnHeatsChanged = [this](int race) {
      results.Changed(race, RaceResultChanged::Cause::Entries);
    };
  }
  ~Desk() {
    rig.meet.OnHeatsChanged = nullptr;
    rig.w->Feed().Detach(flagger);
    rig.w->Feed().Detach(board);
    rig.w->Feed().Detach(*publisher);
    publisher.reset();
    rig.w->Feed().Detach(*live);
    live.reset();
    rig.w->Feed().Detach(exporter);
    rig.w->Feed().Detach(journal);
    journal.Close();
  }

  RaceRig& rig;
  RaceResults results;
  std::function<std::shared_ptr<const RaceResult>(int)> resultOf = [this](int race) {
    return results.ResultOf(race);
  };
  CaptureJournal journal{ProgramStart{"test", {}}};
  ExportListener exporter{rig.meet, CsvEncoding::Utf8Bom, {}};
  std::unique_ptr<LiveServer> live;
  std::unique_ptr<DeskPublisher> publisher;
  ResultBoard board{resultOf};
  TouchFlagger flagger{rig.w->Feed(), rig.host};
  std::vector<std::string> notices;
};

class OneResultTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The live pages' thread runs a Qt event loop.
    static int argc = 1;
    static char name[] = "test_app";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance() == nullptr) new QApplication(argc, argv);
    rig.WriteBook("2");  // race 1 combines races 1 and 2
    rig.tmp.MakeDir("work");
    rig.tmp.MakeDir("broker");
    ASSERT_TRUE(broker.Start());
    desk = std::make_unique<Desk>(rig, rig.tmp.File("capture"), broker.Port());
    ASSERT_TRUE(WaitFor([&] { return retained.Connected(); }));
  }
  void TearDown() override { desk.reset(); }

  // The desk closed and started again on the folder.
  void Restart() {
    desk.reset();
    desk = std::make_unique<Desk>(rig, rig.tmp.File("capture"), broker.Port());
  }

  std::string Exported(int race) {
    desk->exporter.Flush();
    std::string json = rig.tmp.Read("data/export/r" + RaceRig::Num(race) + ".json");
    if (!json.empty() && json.back() == '\n') json.pop_back();
    return json;
  }

  // Every output holds the same result of `race`, a done race; `shown`: the
  // result view shows it as the race changed last (else it is chosen).
  void ExpectSame(int race, bool shown, const char* step) {
    SCOPED_TRACE(step);
    const std::string exported = Exported(race);
    ASSERT_FALSE(exported.empty());
    EXPECT_EQ(exported, RaceJson(*desk->results.ResultOf(race)));
    const std::string path = "/api/races/" + std::to_string(race);
    std::string api;
    EXPECT_TRUE(WaitFor([&] { return (api = Fetch(desk->live->Port(), path)) == exported; }))
        << api << "\n"
        << exported;
    const std::string topic = "meet/races/" + std::to_string(race);
    EXPECT_TRUE(WaitFor([&] { return retained.Last(topic) == exported; }))
        << retained.Last(topic) << "\n"
        << exported;
    if (shown) {
      EXPECT_EQ(desk->board.Race(), race);
    } else {
      desk->board.Show(race);
    }
    EXPECT_EQ(RaceJson(desk->board.Result()), exported);
  }

  // `race` is reopened: no result on the pages or the broker, and the
  // export says what the book says.
  void ExpectNone(int race, const std::string& status) {
    EXPECT_NE(Exported(race).find("\"book_status\":\"" + status + "\""), std::string::npos);
    const std::string path = "/api/races/" + std::to_string(race);
    EXPECT_TRUE(WaitFor([&] { return Fetch(desk->live->Port(), path) == "404"; }));
    const std::string topic = "meet/races/" + std::to_string(race);
    EXPECT_TRUE(WaitFor([&] { return retained.Last(topic).empty(); }));
  }

  std::string LaneStatus(int race, int lane) {
    return LaneStatusName(desk->results.ResultOf(race)->lanes[LaneIndex(lane)].status);
  }

  // A command line run from the program's folder (the control file is
  // ../ctl/dr_kyo.ctl from there).
  int Command(const std::vector<std::string>& args, std::string& out) {
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(rig.tmp.File("work"));
    std::ostringstream o, e;
    const Options options = ParseOptions(args);
    const int status =
        args[0] == "--touches" ? RunTouches(options, args, o, e) : RunRecover(options, o, e);
    std::filesystem::current_path(cwd);
    out = o.str() + e.str();
    return status;
  }

  RaceRig rig;
  TestBroker broker{rig.tmp.File("broker")};
  std::unique_ptr<Desk> desk;
  Subscriber retained{broker.Port(), "meet/races/#"};
};

TEST_F(OneResultTest, EveryOutputTellsTheSameResultAfterEveryChangeAndAcrossARestart) {
  // A finish by the console; lane 5 withdrew (8 typed), lane 6 ended on a lap.
  rig.Show(1);
  rig.Start();
  rig.Deliver(ResultLine('3', '1', "   30.00", 'L'));
  rig.Deliver(ResultLine('4', '2', "   31.00", 'L'));
  rig.Deliver(ResultLine('1', '3', "   32.00", 'L'));
  rig.TypeTime(5, 8);
  rig.Deliver(ResultLine('3', '1', " 1:02.34", 'G'));
  rig.Deliver(ResultLine('4', '2', " 1:03.00", 'G'));
  rig.Deliver(ClockLine("    0.00"));
  ASSERT_EQ(rig.Book().substr(0, 2), "66");
  ExpectSame(1, true, "finish");
  ExpectSame(2, false, "combined copy");
  EXPECT_EQ(LaneStatus(1, 5), "withdrawn");
  EXPECT_EQ(LaneStatus(2, 5), "withdrawn");
  EXPECT_EQ(LaneStatus(1, 1), "no_finish");

  // A touch repair from the window: lane 4's finish was a lap.
  ASSERT_EQ(rig.w->RepairTouches({1, 4, 2, RepairKind::AsLap, ""}), std::nullopt);
  ExpectSame(1, true, "repair");
  ExpectSame(2, false, "repair's copy");
  EXPECT_EQ(LaneStatus(1, 4), "no_finish");

  // The book: 7, reopened, done again.
  rig.Show(1);
  rig.txtKetugo.text = "7";
  rig.w->OnStatusBoxChange();
  ExpectSame(1, false, "status 7");
  EXPECT_NE(Exported(1).find("\"book_status\":\"7\""), std::string::npos);
  rig.txtKetugo.text = "0";
  rig.w->OnStatusBoxChange();
  ExpectNone(1, "0");
  rig.txtKetugo.text = "6";
  rig.w->OnStatusBoxChange();
  ExpectSame(1, false, "done again");

  // An edit of the race's heat on the competition screen.
  rig.meet.LoadMeetHeader();
  rig.meet.LoadCurrentHeat(1);
  rig.meet.CurrentHeat.EntryNo[5] = 606;
  rig.meet.SaveCurrentHeat(1);
  rig.meet.CloseMeetFile();
  ExpectSame(1, false, "heat edited");
  EXPECT_NE(Exported(1).find("\"entry\":606"), std::string::npos);

  // A recovery from the dialog: the captured race re-timed into race 1;
  // the journaled 8 is replayed.
  {
    FakeMessages messages;
    RecoveryPanel panel(rig.paths, {rig.tmp.File("capture")}, messages,
                        [this](int race) { return SourcesOf(rig.meet, race); });
    panel.onApplied = [this](const RaceFinished& recovered) {
      rig.w->ShowRecoveredRace(recovered);
    };
    ASSERT_TRUE(panel.Refresh());
    ASSERT_FALSE(panel.Races().empty());
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(rig.tmp.File("work"));
    const bool applied = panel.Apply(1, 1, false);
    std::filesystem::current_path(cwd);
    ASSERT_TRUE(applied) << (messages.errors.empty() ? "" : messages.errors[0]);
  }
  ExpectSame(1, true, "recovery");
  ExpectSame(2, false, "recovery's copy");
  EXPECT_EQ(LaneStatus(1, 5), "withdrawn");

  // A repair on the command line, for a folder no desk runs on: it exports
  // through the owner; the pages and the broker have it once a desk starts.
  desk.reset();
  std::string out;
  ASSERT_EQ(Command({"--touches", "1", "--lane", "1", "--as-finish", "1", "--apply"}, out), 0)
      << out;
  Restart();
  ExpectSame(1, false, "command-line repair, restarted");
  ExpectSame(2, false, "command-line repair's copy, restarted");
  EXPECT_EQ(LaneStatus(1, 5), "withdrawn");
  EXPECT_EQ(LaneStatus(1, 1), "time");

  // A recovery on the command line.
  desk.reset();
  ASSERT_EQ(
      Command({"--recover", rig.tmp.File("capture"), "--take", "1", "--as", "1", "--apply"}, out),
      0)
      << out;
  Restart();
  ExpectSame(1, false, "command-line recovery, restarted");
  ExpectSame(2, false, "command-line recovery's copy, restarted");
  EXPECT_EQ(LaneStatus(1, 5), "withdrawn");

  // A time typed into the finished race on screen and confirmed (確定).
  rig.Show(1);
  rig.TypeTime(6, 10500);
  rig.w->OnKakuteiClick();
  ExpectSame(1, true, "typed and confirmed");
  EXPECT_EQ(LaneStatus(1, 6), "time");

  // The broker's retained race follows what every other output says after
  // one more restart, with nothing changed.
  const std::string before = Exported(1);
  Restart();
  ExpectSame(1, false, "restarted");
  EXPECT_EQ(Exported(1), before);
}

TEST_F(OneResultTest, AFlagStaysInEveryOutputAfterTheFinishAndARestartUntilAccepted) {
  // Lane 3 touches again 5 s after its turn: an extra touch, flagged while
  // the race runs.
  rig.Show(3);
  rig.Start();
  rig.Deliver(ResultLine('3', '1', "   30.00", 'L'));
  rig.Deliver(ResultLine('4', '2', "   31.00", 'L'));
  rig.Deliver(ResultLine('3', '1', "   35.00", 'L'));
  rig.host.RunPosted();
  rig.Deliver(ResultLine('4', '1', " 1:03.00", 'G'));
  rig.Deliver(ResultLine('3', '2', " 1:05.00", 'G'));
  rig.Deliver(ClockLine("    0.00"));
  rig.host.RunPosted();
  ExpectSame(3, true, "finished with a flag open");
  const std::string flagged = Exported(3);
  EXPECT_NE(flagged.find("\"complete\":false"), std::string::npos) << flagged;
  const std::size_t words = flagged.find("\"flags\":[\"");
  ASSERT_NE(words, std::string::npos) << flagged;
  const std::string word = flagged.substr(words + 10, flagged.find('"', words + 10) - words - 10);
  EXPECT_TRUE(word == "extra_touch" || word == "too_fast") << word;
  ASSERT_EQ(desk->notices.size(), 1u);
  EXPECT_NE(desk->notices[0].find("3 コース"), std::string::npos) << desk->notices[0];
  const auto markOf = [&](int lane) {
    for (const ResultRow& row : desk->board.Rows()) {
      if (row.lane == lane) return row.mark;
    }
    return std::string("no row");
  };
  EXPECT_EQ(markOf(3).rfind("要確認: ", 0), 0u) << markOf(3);
  EXPECT_EQ(markOf(4), "");
  EXPECT_NE(Fetch(desk->live->Port(), "/results/3").find(markOf(3)), std::string::npos);

  // Kept across a restart; a lane without a flag cannot be accepted.
  Restart();
  ExpectSame(3, false, "flag kept across a restart");
  EXPECT_EQ(Exported(3), flagged);
  EXPECT_FALSE(desk->board.Accept(4).has_value());

  // The operator accepts lane 3 as it is: every output follows, the capture
  // keeps the acceptance, and a restart keeps it accepted.
  const auto accepted = desk->board.Accept(3);
  ASSERT_TRUE(accepted.has_value());
  rig.w->Feed().Publish(*accepted);
  ExpectSame(3, true, "accepted");
  EXPECT_NE(Exported(3).find("\"complete\":true"), std::string::npos) << Exported(3);
  EXPECT_EQ(Exported(3).find(word), std::string::npos);
  EXPECT_EQ(markOf(3), "");
  bool journaled = false;
  for (const auto& e : std::filesystem::directory_iterator(rig.tmp.File("capture"))) {
    const std::string text = rig.tmp.Read("capture/" + e.path().filename().string());
    journaled =
        journaled || text.find("lane_flagged race=3 lane=3 reason=accepted") != std::string::npos;
  }
  EXPECT_TRUE(journaled);
  Restart();
  ExpectSame(3, false, "accepted, restarted");
  EXPECT_EQ(Exported(3).find(word), std::string::npos);
  // The same touches judged again (the race's touches restored at a start)
  // raise the same flag: it stays accepted.
  rig.w->Feed().Publish(LaneFlagged{
      3, 3, word == "extra_touch" ? LaneFlagged::Reason::ExtraTouch : LaneFlagged::Reason::TooFast,
      "again"});
  EXPECT_EQ(Exported(3).find(word), std::string::npos);
  // Another kind of flag on the lane opens again.
  rig.w->Feed().Publish(LaneFlagged{3, 3, LaneFlagged::Reason::SplitBackwards, "backwards"});
  ExpectSame(3, false, "a new flag after the acceptance");
  EXPECT_NE(Exported(3).find("split_backwards"), std::string::npos);
}

// A decision on a lane's time and the referee's sign-off reach every output
// alike: the export, /api/races/N, the broker's retained race and the
// result view, and a restart keeps both.
TEST_F(OneResultTest, ADecisionAndTheSignOffReachEveryOutputAlike) {
  rig.Show(3);
  rig.Start();
  rig.Deliver(ResultLine('3', '1', "   30.00", 'L'));
  rig.Deliver(ResultLine('4', '2', "   30.50", 'L'));
  rig.Deliver(ResultLine('3', '1', " 1:02.00", 'G'));
  rig.Deliver(ResultLine('4', '2', " 1:02.40", 'G'));
  rig.Deliver(ClockLine("    0.00"));
  rig.host.RunPosted();
  ExpectSame(3, true, "finished");

  FakeMessages asked;
  BackupPanel panel(rig.meet, desk->results, rig.w->Feed(), asked);
  panel.Select(3);
  // Lane 4's pad was touched softly: the watches say 1:01.95 and the
  // referee takes the backup time, which puts lane 4 first.
  ASSERT_TRUE(panel.Decide(4, {"10195", "10196", "10194"}, "backup", "パッドのタッチが弱い"));
  ExpectSame(3, true, "decided");
  const std::string decided = Exported(3);
  EXPECT_NE(decided.find("\"used\":\"backup\""), std::string::npos) << decided;
  EXPECT_NE(decided.find("\"reason\":\"パッドのタッチが弱い\""), std::string::npos) << decided;
  EXPECT_EQ(desk->results.ResultOf(3)->lanes[LaneIndex(4)].rank, 1);

  ASSERT_TRUE(panel.SignOff());
  ExpectSame(3, true, "signed off");
  EXPECT_NE(Exported(3).find("\"official\":true"), std::string::npos) << Exported(3);
  Restart();
  ExpectSame(3, false, "decided and signed off, restarted");
  EXPECT_NE(Exported(3).find("\"official\":true"), std::string::npos) << Exported(3);
}

}  // namespace
}  // namespace poolside::testing
