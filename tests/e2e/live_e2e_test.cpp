// The live pages end to end: the program offscreen on the demo meet with the
// console simulator on a pseudo-terminal and the server on a free local
// port. A WebSocket client sees the race's events, the JSON and the result
// page are fetched over HTTP, and headless Chromium draws the scoreboard.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>
#include <QWebSocket>

#include "desk_run.h"
#include "http_client.h"
#include "support/wait_for.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
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

pid_t Spawn(const std::vector<std::string>& args, const fs::path& dir, const fs::path& out,
            const fs::path& err) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(dir.c_str()) != 0) _exit(126);
    const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(o, 1);
    dup2(e, 2);
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  return pid;
}

void End(pid_t pid) {
  if (pid <= 0) return;
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

using e2e::Get;
using e2e::Json;
using e2e::Reply;
using e2e::SpinUntil;

TEST(LivePagesEndToEnd, RaceReachesTheSocketTheJsonTheResultPageAndTheBrowser) {
  static int argc = 1;
  static char name[] = "test_live_e2e";
  static char* argv[] = {name, nullptr};
  QCoreApplication app(argc, argv);

  const fs::path dir =
      fs::temp_directory_path() / ("poolside-live-e2e-" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const fs::path meet = dir / "demo";
  ASSERT_TRUE(e2e::MakeDemoMeet(meet, 0));

  // No race done yet: race 1 is swum.
  const pid_t sim = Spawn({SIM_BIN, "--wait-open", "--races", "1", "--lanes", "6", "--laps", "2",
                           "--tick", "20", "--speed", "10", "--seed", "11"},
                          dir, dir / "sim.out", dir / "sim.err");
  const std::string pty = e2e::SimulatorPty(dir / "sim.out");
  ASSERT_EQ(pty.rfind("/dev/", 0), 0u) << ReadAll(dir / "sim.err");
  // Reception starts once the test's socket is connected (the test makes
  // ws.ready then); the program then runs while the test reads.
  std::ofstream(dir / "race.script")
      << "waitfile c:\\ws.ready 20000\nclick frmRace.cmdZushin\nwait 30000\nend\n";
  const pid_t program =
      Spawn({POOLSIDE_BIN, "-platform", "offscreen", "--drive", "c=" + meet.string(), "--com",
             "1=" + pty, "--script", (dir / "race.script").string(), "--http", "127.0.0.1:0"},
            meet / "prog", dir / "out", dir / "err");
  const int port = e2e::HttpPort(dir / "err");
  ASSERT_NE(port, 0) << ReadAll(dir / "err");

  // The WebSocket: the snapshot first, then the race's events in order.
  std::vector<QJsonObject> got;
  QWebSocket ws;
  QObject::connect(&ws, &QWebSocket::textMessageReceived,
                   [&](const QString& m) { got.push_back(Json(m.toStdString())); });
  ws.open(QUrl("ws://127.0.0.1:" + QString::number(port) + "/ws"));
  ASSERT_TRUE(SpinUntil([&] { return !got.empty(); }, 5000));
  std::ofstream(meet / "ws.ready") << "";
  EXPECT_EQ(got[0]["type"].toString(), "state");
  EXPECT_EQ(got[0]["race"].toObject()["race"].toInt(), 1);
  const auto finished = [&] {
    for (const auto& m : got) {
      if (m["type"].toString() == "race_shown") return true;  // the next race after the finish
    }
    return false;
  };
  ASSERT_TRUE(SpinUntil(finished, 30000)) << got.size() << " messages\n" << ReadAll(dir / "err");
  std::vector<std::string> kinds;
  int lanes = 0, clocks = 0;
  for (std::size_t i = 1; i < got.size(); ++i) {
    const std::string kind = got[i]["type"].toString().toStdString();
    if (kind == "heartbeat") continue;
    EXPECT_EQ(got[i]["seq"].toInt(), got[i - 1]["seq"].toInt() + 1) << i;
    if (kinds.empty() || kinds.back() != kind) kinds.push_back(kind);
    lanes += kind == "lane";
    clocks += kind == "clock";
  }
  EXPECT_EQ(kinds.front(), "reception");
  EXPECT_EQ(lanes, 6 * 2);  // every lap and finish of six lanes
  EXPECT_GT(clocks, 10);
  const auto result = std::find_if(
      got.begin(), got.end(), [](const QJsonObject& m) { return m["type"] == "race_finished"; });
  ASSERT_NE(result, got.end());
  EXPECT_EQ((*result)["result"].toObject()["race"].toInt(), 1);
  EXPECT_TRUE((*result)["hold"].toBool());

  // The JSON snapshot and the result page of race 1, read from its files.
  const Reply state = Get(port, "/api/state");
  EXPECT_EQ(state.status, 200);
  EXPECT_EQ(Json(state.body)["result"].toObject()["race"].toInt(), 1);
  EXPECT_TRUE(Json(state.body)["reception"].toObject()["on"].toBool());
  const Reply page = Get(port, "/results/1");
  EXPECT_EQ(page.status, 200);
  EXPECT_NE(page.body.find("レース 1 結果"), std::string::npos);
  const QJsonObject race = Json(Get(port, "/api/races/1").body);
  EXPECT_EQ(race["race"].toInt(), 1);
  EXPECT_TRUE(race["complete"].toBool());
  int ranked = 0;
  for (const auto& lane : race["lanes"].toArray()) {
    const QJsonObject l = lane.toObject();
    if (l["rank"].toInt() > 0) {
      ++ranked;
      EXPECT_NE(page.body.find(l["text"].toString().toStdString()), std::string::npos);
      EXPECT_EQ(l["splits"].toArray().size(), 2);
    }
  }
  EXPECT_EQ(ranked, 6);

  // Headless Chromium: the board holds race 1's result, one row per lane.
  const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/scoreboard";
  const std::string chrome =
      "chromium --headless --no-sandbox --disable-gpu --hide-scrollbars "
      "--window-size=1280,720 --virtual-time-budget=3000 ";
  ASSERT_EQ(std::system((chrome + "--dump-dom '" + url + "' >'" + (dir / "dom.html").string() +
                         "' 2>/dev/null")
                            .c_str()),
            0);
  const std::string dom = ReadAll(dir / "dom.html");
  EXPECT_NE(dom.find("data-ready=\"1\""), std::string::npos) << dom;
  EXPECT_NE(dom.find("data-race=\"1\""), std::string::npos);
  EXPECT_NE(dom.find("速報（非公式）"), std::string::npos);
  int rows = 0;
  for (auto at = dom.find("class=\"lane finished\""); at != std::string::npos;
       at = dom.find("class=\"lane finished\"", at + 1)) {
    ++rows;
  }
  EXPECT_EQ(rows, 6) << dom;
  const fs::path shot = dir / "scoreboard.png";
  std::system(
      (chrome + "--screenshot='" + shot.string() + "' '" + url + "' >/dev/null 2>&1").c_str());
  EXPECT_GT(fs::exists(shot) ? fs::file_size(shot) : 0, 10000u);

  ws.close();
  End(program);
  End(sim);
  if (!HasFailure()) fs::remove_all(dir);
}

}  // namespace
