// The overlays for a stream in a real browser (headless Chromium) at
// 1920x1080: the page is transparent, every pixel outside the text's own
// bars fully so; each text fits its bar; the clock overlay is hidden whole
// while reception is off; and ?delay holds an update back.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "live/live_json.h"
#include "live/meet_pages.h"
#include "support/temp_dir.h"

namespace poolside {
namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

const std::string kPages = std::string(POOLSIDE_SOURCE_DIR) + "/src/live/qt/pages/";

// Ten lanes with long names and clubs, touched; race 13 finished before.
LiveState Running(bool receiving) {
  const auto entries = std::make_shared<const EntryList>(ParseEntryList(
      "番号,氏名,所属\n"
      "101,寿限無寿限無五劫の擦り切れ海砂利水魚 長久命長助,東京都立第一高等学校水泳部ＯＢ会クラブ\n"
      "102,山田 太郎,第一中\n"
      "103,Maximilian-Alexander Wolfeschlegelsteinhausen,International School Swim Club\n"));
  LiveState s;
  s.SetNames([entries] { return entries; }, PublicNames::Full);
  RaceShown done;
  done.race = 13;
  done.program = 112;
  done.heat = 1;
  done.heats = 3;
  done.event.label = "4×100mメドレーリレー";
  for (int i = 0; i < kLanes; ++i) done.entries[static_cast<std::size_t>(i)] = 101 + i % 3;
  s.Apply(done);
  RaceFinished finished;
  finished.race = 13;
  for (int i = 0; i < kLanes; ++i) {
    finished.rank[static_cast<std::size_t>(i)] = i + 1;
    finished.time[static_cast<std::size_t>(i)] = 35999 - i;
  }
  s.Apply(finished);
  RaceShown shown = done;
  shown.race = 14;
  shown.heat = 2;
  shown.sex.label = "男女混合";
  shown.raceClass.label = "中学生・高校生・一般";
  shown.round.label = "タイム決勝";
  s.Apply(shown);
  s.Apply(ReceptionStarted{1, "", "1234567890"});
  for (int lane = 1; lane <= 10; ++lane) {
    s.Apply(LaneTouched{lane, lane, "12:34.56", 123456, 30, 1500, lane % 2 == 0});
  }
  s.Apply(ClockShown{"12:59.99"});
  if (!receiving) s.Apply(ReceptionStopped{1, ""});
  return s;
}

// The overlay page as served, its assets taken from the folder it is
// written to, with `before` put ahead of its scripts.
std::string Overlay(const std::string& kind, const LiveState& state,
                    const std::string& before = "") {
  MeetPages::Sources sources;
  sources.overlayPage = ReadAll(kPages + "overlay.html");
  const MeetPages pages(sources);
  RouteMatch match;
  match.route = LiveRoute::Overlay;
  match.asset = kind;
  std::string html = pages.Answer(match, "", state)->body;
  for (const char* asset : {"live.css", "feed.js", "overlay.js"}) {
    const std::string from = std::string("/static/") + asset;
    for (auto at = html.find(from); at != std::string::npos; at = html.find(from))
      html.replace(at, from.size(), asset);
  }
  const auto at = html.find("<script src=\"feed.js\">");
  html.insert(at, before);
  return html;
}

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

// No socket in a file: a stand-in that never delivers, or delivers
// `message` (JSON, which is a script's object too) at 100 ms.
std::string FakeSocket(const std::string& message = "") {
  return "<script>window.WebSocket = function () { const ws = this; ws.close = function () {};"
         "setTimeout(function () { if (ws.onopen) ws.onopen(); }, 0);" +
         (message.empty() ? std::string()
                          : "setTimeout(function () { ws.onmessage({data: JSON.stringify(" +
                                message + ")}); }, 100);") +
         "};</script>";
}

std::string Chromium(const std::string& args) {
  return "chromium --headless --no-sandbox --disable-gpu --hide-scrollbars "
         "--default-background-color=00000000 --virtual-time-budget=3000 " +
         args + " 2>/dev/null";
}

const char* kFrameCheck = R"JS(
function check(frame) {
  const d = frame.contentDocument, w = frame.contentWindow, bad = [], bars = [];
  if (d.body.dataset.ready !== '1') bad.push('not drawn');
  for (const el of [d.documentElement, d.body]) {
    const bg = w.getComputedStyle(el).backgroundColor;
    if (bg !== 'rgba(0, 0, 0, 0)') bad.push(el.tagName + ' background ' + bg);
  }
  for (const el of d.querySelectorAll('.bar')) {
    const r = el.getBoundingClientRect();
    if (r.width === 0 || r.height === 0) continue;
    bars.push([r.left, r.top, r.right, r.bottom].map(Math.round).join(','));
    if (r.left < 0 || r.top < 0 || r.right > 1920 || r.bottom > 1080) bad.push('bar off the frame');
  }
  for (const el of d.querySelectorAll('.bar span')) {
    if (el.scrollWidth > el.clientWidth + 1) bad.push('"' + el.textContent.slice(0, 10) + '" cut');
    if (el.getClientRects().length > 1 || el.scrollHeight > el.clientHeight + 1) bad.push('"' + el.textContent.slice(0, 10) + '" wrapped');
  }
  return {bad, bars};
}
window.addEventListener('load', () => setTimeout(() => {
  const out = [];
  for (const f of document.querySelectorAll('iframe')) {
    const r = check(f);
    out.push(f.id + '=' + (r.bad.length ? 'BAD ' + r.bad.join(' | ') : 'ok') + '=' + r.bars.join(';'));
  }
  document.body.dataset.result = out.join('\n');
}, 500));
)JS";

TEST(Overlays, TransparentOutsideTheirBarsTextFitsAndTheClockHidesWhenStale) {
  if (std::system("command -v chromium >/dev/null 2>&1") != 0) GTEST_SKIP() << "no chromium";
  if (std::system("command -v convert >/dev/null 2>&1") != 0) GTEST_SKIP() << "no convert";
  testing::TempDir dir;
  for (const char* asset : {"live.css", "feed.js", "overlay.js"}) {
    dir.Write(asset, ReadAll(kPages + asset));
  }
  struct Frame {
    std::string id, html;
    bool barsShown;
  };
  const std::vector<Frame> frames = {
      {"lanes", Overlay("lanes", Running(true), FakeSocket()), true},
      {"result", Overlay("result", Running(true), FakeSocket()), true},
      {"clock", Overlay("clock", Running(true), FakeSocket()), true},
      {"clock-off", Overlay("clock", Running(false), FakeSocket()), false},
  };
  std::string wrapper = "<!DOCTYPE html><html><body style=\"margin:0\">";
  for (const Frame& f : frames) {
    wrapper += "<iframe id=\"" + f.id +
               "\" width=\"1920\" height=\"1080\" "
               "style=\"border:0;display:block;background:transparent\" "
               "allowtransparency=\"true\" srcdoc=\"" +
               AttributeEscaped(f.html) + "\"></iframe>";
  }
  dir.Write("frames.html",
            wrapper + std::string("<script>") + kFrameCheck + "</script></body></html>");
  const std::string page = "'file://" + dir.File("frames.html") + "'";
  ASSERT_EQ(std::system(Chromium("--window-size=1920,1080 --dump-dom " + page + " >'" +
                                 dir.File("dom.html") + "'")
                            .c_str()),
            0);
  const std::string dom = ReadAll(dir.File("dom.html"));
  const auto at = dom.find("data-result=\"");
  ASSERT_NE(at, std::string::npos) << "the checks did not run";
  std::istringstream lines(dom.substr(at + 13, dom.find('"', at + 13) - at - 13));

  ASSERT_EQ(std::system(Chromium("--window-size=1920,4320 --screenshot='" + dir.File("shot.png") +
                                 "' " + page)
                            .c_str()),
            0);
  ASSERT_EQ(std::system(("convert '" + dir.File("shot.png") + "' -depth 8 rgba:'" +
                         dir.File("shot.raw") + "'")
                            .c_str()),
            0);
  const std::string pixels = ReadAll(dir.File("shot.raw"));
  ASSERT_EQ(pixels.size(), 1920u * 4320u * 4u);

  for (std::size_t k = 0; k < frames.size(); ++k) {
    std::string line;
    ASSERT_TRUE(std::getline(lines, line));
    const auto first = line.find('='), second = line.find('=', first + 1);
    EXPECT_EQ(line.substr(0, first), frames[k].id);
    EXPECT_EQ(line.substr(first + 1, second - first - 1), "ok") << line;
    // The bars, each widened by a pixel for the edges' smoothing.
    std::vector<std::array<int, 4>> bars;
    std::istringstream list(line.substr(second + 1));
    for (std::string bar; std::getline(list, bar, ';');) {
      std::array<int, 4> r{};
      ASSERT_EQ(std::sscanf(bar.c_str(), "%d,%d,%d,%d", &r[0], &r[1], &r[2], &r[3]), 4);
      bars.push_back({r[0] - 1, r[1] - 1, r[2] + 1, r[3] + 1});
    }
    EXPECT_EQ(!bars.empty(), frames[k].barsShown) << frames[k].id;
    long outside = 0, opaqueInside = 0;
    for (int y = 0; y < 1080; ++y) {
      for (int x = 0; x < 1920; ++x) {
        const auto alpha = static_cast<unsigned char>(
            pixels[((k * 1080 + static_cast<std::size_t>(y)) * 1920 + x) * 4 + 3]);
        bool inside = false;
        for (const auto& b : bars)
          inside = inside || (x >= b[0] && x < b[2] && y >= b[1] && y < b[3]);
        if (inside) {
          opaqueInside += alpha > 0;
        } else {
          outside += alpha != 0;
        }
      }
    }
    EXPECT_EQ(outside, 0) << frames[k].id << ": pixels outside the bars not transparent";
    EXPECT_EQ(opaqueInside > 0, frames[k].barsShown) << frames[k].id;
  }
}

TEST(Overlays, TheDelayHoldsAnUpdateBack) {
  if (std::system("command -v chromium >/dev/null 2>&1") != 0) GTEST_SKIP() << "no chromium";
  testing::TempDir dir;
  for (const char* asset : {"live.css", "feed.js", "overlay.js"}) {
    dir.Write(asset, ReadAll(kPages + asset));
  }
  LiveState state = Running(true);
  const std::string snapshotState = StateJson(state);
  // Lane 3's finish, as the feed sends it.
  const LaneTouched touch{3, 1, "12:50.00", 125000, 31, 1550, true};
  state.Apply(touch);
  const std::string message = *EventJson(touch, state);
  const char* probe = R"JS(<script>
window.addEventListener('load', function () {
  const lane3 = () => [...document.querySelectorAll('#ov-lanes .ov-row')]
      .filter((r) => r.firstChild.textContent === '3').map((r) => r.lastChild.textContent).join();
  setTimeout(() => { document.body.dataset.at600 = lane3(); }, 600);
  setTimeout(() => { document.body.dataset.at2000 = lane3(); }, 2000);
});
</script>)JS";
  // The live state's snapshot is the one the page carries.
  std::string html = Overlay("lanes", Running(true), FakeSocket(message));
  ASSERT_NE(html.find(snapshotState.substr(0, 40)), std::string::npos);
  html.insert(html.find("</body>"), probe);
  dir.Write("lanes.html", html);
  ASSERT_EQ(
      std::system(Chromium("--window-size=1920,1080 --dump-dom 'file://" + dir.File("lanes.html") +
                           "?delay=1500' >'" + dir.File("dom.html") + "'")
                      .c_str()),
      0);
  const std::string dom = ReadAll(dir.File("dom.html"));
  EXPECT_NE(dom.find("data-at600=\"12:34.56\""), std::string::npos) << "not held";
  EXPECT_NE(dom.find("data-at2000=\"12:50.00\""), std::string::npos) << "never shown";
}

}  // namespace
}  // namespace poolside
