// The live pages on the screens they are read on: a phone held upright
// (390x844) and sideways, a 1920x1080 TV and a 1024x768 projector. Headless
// Chromium lays out the pages (the program's own style sheet and script)
// with long event names, ten lanes and many splits; in every element with
// text the content must fit its box (scroll size = client size), nothing
// may reach past the screen's sides, and the board must fit the screen.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "live/live_json.h"
#include "live/live_pages.h"
#include "live/meet_pages.h"
#include "live/qr_svg.h"
#include "support/temp_dir.h"

namespace poolside {
namespace {

namespace fs = std::filesystem;

const char* kMeet = "第５８回 市民水泳競技大会 兼 県民体育大会水泳競技 予選会";

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

RaceShown LongRace(int race) {
  RaceShown r;
  r.race = race;
  r.status = "1";
  r.program = 112;
  r.heat = 12;
  r.heats = 14;
  r.sex.label = "男女混合";
  r.raceClass.label = "中学生・高校生・一般";
  r.event.label = "4×100mメドレーリレー";
  r.round.label = "タイム決勝";
  for (int i = 0; i < 10; ++i) r.entries[static_cast<std::size_t>(i)] = 100 + i;
  return r;
}

// A race running with all ten lanes touched, or stopped with the link down.
// Long names and clubs for entries 100..109, a relay team among them.
std::shared_ptr<const EntryList> LongNames() {
  std::string csv = "番号,氏名,所属\n";
  for (int i = 0; i < 10; ++i) {
    csv += std::to_string(100 + i) + "," +
           (i % 3 == 0   ? "寿限無寿限無五劫の擦り切れ 海砂利水魚"
            : i % 3 == 1 ? "Maximilian-Alexander Wolfeschlegelsteinhausen"
                         : "東京都立第一高等学校水泳部Ａ") +
           ",東京都立第一高等学校水泳部ＯＢ会スイミングクラブ\n";
  }
  return std::make_shared<const EntryList>(ParseEntryList(csv));
}

LiveState Board(bool running) {
  LiveState s;
  const auto names = LongNames();
  s.SetNames([names] { return names; }, PublicNames::Full);
  s.Apply(LongRace(113));
  s.Apply(ReceptionStarted{1, "", "1234567890"});
  for (int lane = 1; lane <= 10; ++lane) {
    s.Apply(LaneTouched{lane, lane, "12:34.56", 123456, 30, 1500, lane % 2 == 0});
  }
  // Two lanes flagged with the longest reasons the desk gives: 要確認 and
  // the reason go under the time.
  s.Apply(LaneFlagged{113, 3, LaneFlagged::Reason::LeaderMissed,
                      "先頭のタッチ漏れ? (ラップ 1:00.71 前の 31.06)"});
  s.Apply(LaneFlagged{113, 8, LaneFlagged::Reason::BeyondDistance,
                      "距離を超えたタッチ (1550m / 1500m)"});
  s.Apply(ClockShown{"12:59.99"});
  if (!running) {
    LinkHealth lost;
    lost.port = 1;
    lost.state = LinkHealth::State::Silence;
    lost.seconds = 5;
    lost.message = "COM1 から 5 秒間データが来ません";
    s.Apply(lost);
    s.Apply(ReceptionStopped{1, ""});
  }
  return s;
}

std::vector<RaceListEntry> Races() {
  std::vector<RaceListEntry> out;
  for (int n = 1; n <= 40; ++n) {
    RaceListEntry e;
    e.race = n;
    e.status = n < 20 ? "6" : "1";
    e.program = n;
    e.heat = 12;
    e.heats = 14;
    e.sex = "男女混合";
    e.raceClass = "中学生・高校生・一般";
    e.event = n % 2 ? "4×100mメドレーリレー" : "1500m自由形";
    e.round = "タイム決勝";
    out.push_back(e);
  }
  return out;
}

RaceResult LongResult() {
  RaceResult r;
  r.race = 113;
  r.program = 112;
  r.heat = 12;
  r.heats = 14;
  r.sex.label = "男女混合";
  r.raceClass.label = "中学生・高校生・一般";
  r.event.label = "1500m自由形";
  r.round.label = "タイム決勝";
  r.finishedAt = "2026-12-09T10:15:30+09:00";
  for (int i = 0; i < kLanes; ++i) {
    LaneResult& l = r.lanes[static_cast<std::size_t>(i)];
    l.lane = i + 1;
    l.entry = 100 + i;
    l.rank = i + 1;
    l.status = i == 9 ? LaneStatus::Dq : LaneStatus::Time;
    l.dqCode = 3;
    l.text = i == 9 ? "折返" : "16:59.99";
    l.who = *LongNames()->Find(100 + i);
    for (int k = 1; k <= 30; ++k)
      l.splits.push_back(
          {k * 50, std::to_string(k / 2) + ":0" + std::to_string(k % 10) + ".99", {}, 'L'});
  }
  r.problems.push_back({"lap\\r0113", "ラップファイルの 31 件目が読めません (途中で切れています)"});
  return r;
}

// A program of 14 heats: long names and clubs, a swim-off, statuses last.
Standings LongStandings() {
  Standings s;
  s.program = 112;
  s.heats = 14;
  s.heatsDone = 12;
  s.state = EventState::Provisional;
  s.qualifiers = 8;
  s.sex.label = "男女混合";
  s.raceClass.label = "中学生・高校生・一般";
  s.event.label = "1500m自由形";
  s.round.label = "予選";
  for (int i = 0; i < 30; ++i) {
    StandingRow r;
    if (i < 27) r.place = i < 8 ? i + 1 : 9;
    r.heat = 1 + i % 14;
    r.lane = 1 + i % 10;
    r.who = *LongNames()->Find(100 + i % 10);
    r.text = i < 27 ? "16:59.99" : "失格 3（折返）";
    r.qualified = i < 8;
    r.swimOff = i >= 8 && i < 10;
    s.rows.push_back(r);
  }
  return s;
}

// The checks, run in the wrapper page on each frame once it is laid out.
const char* kChecker = R"JS(
function check(frame) {
  const w = frame.contentWindow, d = frame.contentDocument, bad = [];
  const W = w.innerWidth, H = w.innerHeight;
  const board = d.body.classList.contains('board');
  if (d.documentElement.scrollWidth > W + 1) bad.push('page ' + d.documentElement.scrollWidth + ' wide');
  if (board && d.body.scrollHeight > d.body.clientHeight + 1) bad.push('board ' + d.body.scrollHeight + ' high');
  for (const el of d.body.querySelectorAll('*')) {
    const cs = w.getComputedStyle(el);
    if (cs.display === 'none' || cs.display === 'inline' || el.closest('svg') || el.tagName === 'SCRIPT') continue;
    if (![...el.childNodes].some((n) => n.nodeType === 3 && n.textContent.trim())) continue;
    const name = el.tagName + (el.id ? '#' + el.id : '') + '"' + el.textContent.trim().slice(0, 12) + '"';
    if (el.scrollWidth > el.clientWidth + 1) bad.push(name + ' cut sideways ' + el.scrollWidth + '>' + el.clientWidth);
    if (el.scrollHeight > el.clientHeight + 1) bad.push(name + ' cut ' + el.scrollHeight + '>' + el.clientHeight);
    const r = el.getBoundingClientRect();
    if (r.right > W + 1 || r.left < -1) bad.push(name + ' past the side');
    if (board && r.bottom > H + 1) bad.push(name + ' below the screen');
  }
  const title = d.getElementById('race-title');
  if (title && title.getBoundingClientRect().width < W * 0.4) bad.push('race title squeezed');
  // The board: the meet's name heads it; with reception off and the link
  // warning on, the clock stands at the console's last time, dimmed, and
  // the board says so.
  if (board) {
    const $ = (id) => d.getElementById(id);
    if ($('meet-name').textContent.indexOf('市民水泳競技大会') < 0) bad.push('no meet name');
    const stopped = frame.id.startsWith('board-stopped');
    if ($('reception-off').hidden === stopped) bad.push('受信停止 shown wrongly');
    if ($('link-lost').hidden === stopped) bad.push('link mark shown wrongly');
    if (stopped && $('clock').textContent !== '12:59.99') bad.push('clock ran on: ' + $('clock').textContent);
    if ($('clock').classList.contains('stopped') !== stopped) bad.push('clock not dimmed');
  }
  return bad;
}
window.addEventListener('load', () => setTimeout(() => {
  const out = [];
  for (const f of document.querySelectorAll('iframe')) {
    for (const b of check(f)) out.push(f.id + ': ' + b);
  }
  document.body.dataset.fit = out.length ? out.join(' | ') : 'ok';
}, 500));
)JS";

std::string AttributeEscaped(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '&')
      out += "&amp;";
    else if (c == '"')
      out += "&quot;";
    else
      out += c;
  }
  return out;
}

TEST(PageFit, PagesFitPhonesEitherWayUpATvAndAProjector) {
  if (std::system("command -v chromium >/dev/null 2>&1") != 0) GTEST_SKIP() << "no chromium";
  testing::TempDir dir;
  const std::string pages = std::string(POOLSIDE_SOURCE_DIR) + "/src/live/qt/pages/";
  dir.Write("live.css", ReadAll(pages + "live.css"));
  dir.Write("scoreboard.js", ReadAll(pages + "scoreboard.js"));
  dir.Write("feed.js", ReadAll(pages + "feed.js"));
  const std::string boardPage = ReadAll(pages + "scoreboard.html");
  ASSERT_FALSE(boardPage.empty());

  struct Page {
    std::string name, html;
  };
  LiveState home = Board(true);
  const std::vector<Page> list = {
      {"board", RenderScoreboard(boardPage, StateJson(Board(true)), kMeet)},
      {"board-stopped", RenderScoreboard(boardPage, StateJson(Board(false)), kMeet)},
      {"home", RenderHome(home, Races(), "http://192.168.100.200:8080/",
                          QrSvg("http://192.168.100.200:8080/"), kMeet)},
      {"result", RenderRaceResult(LongResult())},
      {"standings", RenderStandings(LongStandings())},
  };
  const int sizes[][2] = {{390, 844}, {844, 390}, {1920, 1080}, {1024, 768}};
  std::string wrapper = "<!DOCTYPE html><html><body style=\"margin:0\">";
  for (const Page& p : list) {
    std::string html = p.html;
    for (const char* asset : {"live.css", "feed.js", "scoreboard.js"}) {
      const std::string from = std::string("/static/") + asset;
      for (auto at = html.find(from); at != std::string::npos; at = html.find(from))
        html.replace(at, from.size(), asset);
    }
    for (const auto& s : sizes) {
      wrapper += "<iframe id=\"" + p.name + "@" + std::to_string(s[0]) + "x" +
                 std::to_string(s[1]) + "\" width=\"" + std::to_string(s[0]) + "\" height=\"" +
                 std::to_string(s[1]) + "\" style=\"border:0;display:block\" srcdoc=\"" +
                 AttributeEscaped(html) + "\"></iframe>";
    }
  }
  wrapper += std::string("<script>") + kChecker + "</script></body></html>";
  dir.Write("fit.html", wrapper);

  const std::string dom = dir.File("dom.html");
  const std::string command =
      "chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --window-size=1920,1080 "
      "--virtual-time-budget=4000 --dump-dom 'file://" +
      dir.File("fit.html") + "' >'" + dom + "' 2>/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const std::string out = ReadAll(dom);
  const auto at = out.find("data-fit=\"");
  ASSERT_NE(at, std::string::npos) << "the checks did not run";
  const std::string verdict = out.substr(at + 10, out.find('"', at + 10) - at - 10);
  EXPECT_EQ(verdict, "ok");
}

}  // namespace
}  // namespace poolside
