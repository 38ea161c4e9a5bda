#include "live/live_pages.h"

#include <algorithm>

#include "live/utf8_text.h"
#include "vocabulary/race_status.h"

namespace poolside {

namespace {

std::string Cell(std::string_view text) { return "<td>" + HtmlEscape(text) + "</td>"; }
std::string Num(int n) { return n == 0 ? std::string() : std::to_string(n); }

std::string RaceLink(int race) {
  return "<a href=\"/results/" + std::to_string(race) + "\">" + std::to_string(race) + "</a>";
}

std::string ListHead() {
  return "<tr><th>レース</th><th>プログラム</th><th>組</th><th>種目</th><th>状況</th></tr>";
}

std::string ListRow(const RaceListEntry& e, bool link) {
  std::string event = e.sex + " " + e.raceClass + " " + e.event + " " + e.round;
  std::string heat = std::to_string(e.heat) + "/" + std::to_string(e.heats);
  return "<tr>" + (link ? "<td>" + RaceLink(e.race) + "</td>" : Cell(std::to_string(e.race))) +
         Cell(std::to_string(e.program)) + Cell(heat) + Cell(event) + Cell(StatusText(e.status)) +
         "</tr>";
}

}  // namespace

std::string PageShell(std::string_view title, std::string_view body, int refreshSeconds) {
  const std::string refresh = refreshSeconds > 0 ? "<meta http-equiv=\"refresh\" content=\"" +
                                                       std::to_string(refreshSeconds) + "\">"
                                                 : std::string();
  return "<!DOCTYPE html>\n<html lang=\"ja\"><head><meta charset=\"utf-8\">"
         "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">" +
         refresh + "<title>" + HtmlEscape(title) +
         "</title><link rel=\"stylesheet\" href=\"/static/live.css\"></head>\n<body>" +
         std::string(body) + "</body></html>\n";
}

std::string StatusText(std::string_view status) {
  if (status.empty() || status == "0" || status == " ") return "未";
  switch (status[0]) {
    case '1':
      return "未";
    case '2':
    case '3':
    case '4':
    case '5':
      return "結合 " + std::string(1, status[0]) + " レース";
    case '6':
      return "終了";
    case '7':
      return "入力済";
    case '8':
      return "印刷済";
    default:
      return std::string(status);
  }
}

std::string RaceHeading(const RaceShown& h) {
  std::string s = "レース " + std::to_string(h.race);
  if (h.program != 0) s += "　プログラム " + std::to_string(h.program);
  if (h.heat != 0) s += "　第" + std::to_string(h.heat) + "組/" + std::to_string(h.heats) + "組";
  for (const CodedText* t : {&h.sex, &h.raceClass, &h.event, &h.round}) {
    if (!t->label.empty()) s += "　" + t->label;
  }
  return s;
}

std::string MeetNameOf(const MeetSettings& settings) {
  // Blanks around it, half- or full-width (U+3000), in any mix.
  std::string name = settings.Item1;
  const std::string wide = "\xe3\x80\x80";
  for (bool trimmed = true; trimmed && !name.empty();) {
    trimmed = false;
    if (std::string(" \t\r\n").find(name.front()) != std::string::npos) {
      name.erase(0, 1);
      trimmed = true;
    } else if (name.rfind(wide, 0) == 0) {
      name.erase(0, wide.size());
      trimmed = true;
    }
  }
  for (bool trimmed = true; trimmed && !name.empty();) {
    trimmed = false;
    if (std::string(" \t\r\n").find(name.back()) != std::string::npos) {
      name.pop_back();
      trimmed = true;
    } else if (name.size() >= wide.size() &&
               name.compare(name.size() - wide.size(), wide.size(), wide) == 0) {
      name.erase(name.size() - wide.size());
      trimmed = true;
    }
  }
  return name;
}

std::string RenderHome(const LiveState& state, const std::vector<RaceListEntry>& races,
                       std::string_view address, std::string_view qrSvg,
                       std::string_view meetName) {
  std::string body = "<header>";
  if (!meetName.empty()) body += "<p class=\"meet-name\">" + HtmlEscape(meetName) + "</p>";
  body += "<h1>競泳 速報</h1><p class=\"unofficial\">速報（非公式）</p>";
  body +=
      "<nav><a href=\"/scoreboard\">スコアボード</a> <a href=\"/results\">結果一覧</a> "
      "<a href=\"/events\">種目別順位</a> <a href=\"/find\">選手検索</a></nav>"
      "</header>";
  body += "<section><h2>現在のレース</h2>";
  if (const auto& cur = state.Current()) {
    body += "<p class=\"heading\">" + HtmlEscape(RaceHeading(cur->header)) + "</p>";
    body +=
        "<table class=\"lanes\"><tr><th>コース</th><th>順位</th><th>記録</th><th>距離</th></tr>";
    for (const LiveLane& l : cur->lanes) {
      if (l.entry == 0 && l.time.empty()) continue;
      body += std::string("<tr") + (l.finished ? " class=\"done\"" : "") + ">" +
              Cell(std::to_string(l.lane)) + Cell(Num(l.rank)) + Cell(l.time) +
              Cell(l.metres ? std::to_string(l.metres) + "m" : "") + "</tr>";
    }
    body += "</table>";
  } else {
    body += "<p>まだレースがありません。</p>";
  }
  body += "</section><section><h2>レース一覧</h2><table class=\"races\">" + ListHead();
  const int current = state.Current() ? state.Current()->header.race : 0;
  for (RaceListEntry e : races) {
    const std::string live = state.Status(e.race);
    if (!live.empty()) e.status = live;
    std::string row = ListRow(e, IsRaceDone(e.status));
    if (e.race == current) row.insert(3, " class=\"current\"");
    body += row;
  }
  body += "</table></section>";
  if (!qrSvg.empty()) {
    body += "<section class=\"share\"><h2>このページ</h2>" + std::string(qrSvg) + "<p>" +
            HtmlEscape(address) + "</p></section>";
  }
  return PageShell(
      meetName.empty() ? std::string("競泳 速報") : std::string(meetName) + " 競泳 速報", body, 15);
}

std::string RenderResults(const std::vector<RaceListEntry>& races) {
  std::string body =
      "<header><h1>結果一覧</h1><p class=\"unofficial\">速報（非公式）</p>"
      "<nav><a href=\"/\">トップ</a> <a href=\"/scoreboard\">スコアボード</a></nav></header>";
  body += "<table class=\"races\">" + ListHead();
  int shown = 0;
  for (const RaceListEntry& e : races) {
    if (!IsRaceDone(e.status)) continue;
    body += ListRow(e, true);
    ++shown;
  }
  body += "</table>";
  if (shown == 0) body += "<p>終了したレースはまだありません。</p>";
  return PageShell("結果一覧", body);
}

std::string RenderRaceResult(const RaceResult& r) {
  const std::string title = "レース " + std::to_string(r.race) + " 結果";
  std::string body =
      "<header><h1>" + HtmlEscape(title) + "</h1>" +
      (r.official ? std::string("<p class=\"official\">公式</p>")
                  : std::string("<p class=\"unofficial\">速報（非公式）</p>")) +
      "<nav><a href=\"/results\">結果一覧</a> <a href=\"/\">トップ</a></nav></header>";
  RaceShown h;
  h.race = r.race;
  h.program = r.program;
  h.heat = r.heat;
  h.heats = r.heats;
  h.sex = r.sex;
  h.raceClass = r.raceClass;
  h.event = r.event;
  h.round = r.round;
  body += "<p class=\"heading\">" + HtmlEscape(RaceHeading(h)) + "</p>";
  if (!r.finishedAt.empty()) body += "<p class=\"time\">" + HtmlEscape(r.finishedAt) + "</p>";
  // Ranked lanes by rank, then the others by lane; empty lanes left out.
  std::vector<const LaneResult*> lanes;
  for (const LaneResult& l : r.lanes) {
    if (l.entry != 0 || (l.status != LaneStatus::NoTime && l.status != LaneStatus::Unreadable) ||
        !l.splits.empty()) {
      lanes.push_back(&l);
    }
  }
  std::stable_sort(lanes.begin(), lanes.end(), [](const LaneResult* a, const LaneResult* b) {
    const int ra = a->rank > 0 ? a->rank : 1000, rb = b->rank > 0 ? b->rank : 1000;
    return ra < rb;
  });
  body +=
      "<table class=\"result\"><tr><th>順位</th><th>コース</th><th>氏名</th><th>所属</th>"
      "<th>記録</th><th>確認</th><th>ラップ</th></tr>";
  for (const LaneResult* l : lanes) {
    std::string splits;
    for (const Split& sp : l->splits) {
      splits += "<span class=\"split\">";
      if (sp.distance > 0) splits += std::to_string(sp.distance) + "m ";
      splits += HtmlEscape(sp.text) + "</span> ";
    }
    // A lane with an open flag: 要確認 and the reason, until the desk
    // repairs or accepts it.
    const std::string note = LaneFlagNote(*l);
    body += std::string(note.empty() ? "<tr>" : "<tr class=\"checking\">") + Cell(Num(l->rank)) +
            Cell(std::to_string(l->lane)) + Cell(l->who.name) + Cell(l->who.club) +
            Cell(LaneResultText(*l)) + Cell(note) + "<td>" + splits + "</td></tr>";
  }
  body += "</table>";
  if (!r.problems.empty()) {
    body += "<ul class=\"problems\">";
    for (const ReadProblem& p : r.problems)
      body += "<li>" + HtmlEscape(p.file + ": " + p.what) + "</li>";
    body += "</ul>";
  }
  return PageShell(title, body);
}

std::string RenderScoreboard(std::string_view page, std::string_view stateJson,
                             std::string_view meetName) {
  constexpr std::string_view marker = "<!--SNAPSHOT-->";
  constexpr std::string_view meetMarker = "<!--MEET-->";
  std::string out(page);
  if (const auto m = out.find(meetMarker); m != std::string::npos) {
    out.replace(m, meetMarker.size(), HtmlEscape(meetName));
  }
  const auto at = out.find(marker);
  if (at == std::string::npos) return out;
  // StateJson escapes <, > and &, so the text cannot end the script element.
  out.replace(
      at, marker.size(),
      "<script id=\"snapshot\" type=\"application/json\">" + std::string(stateJson) + "</script>");
  return out;
}

std::string RenderError(int status) {
  std::string text;
  switch (status) {
    case 400:
      text = "リクエストが正しくありません (400 Bad Request)";
      break;
    case 404:
      text = "ページが見つかりません (404 Not Found)";
      break;
    case 405:
      text = "GET のみ使えます (405 Method Not Allowed)";
      break;
    case 503:
      text = "混み合っています。しばらくしてから再読み込みしてください (503)";
      break;
    default:
      text = "エラー (" + std::to_string(status) + ")";
  }
  return PageShell(text, "<h1>" + HtmlEscape(text) + "</h1><p><a href=\"/\">トップへ</a></p>");
}

}  // namespace poolside
