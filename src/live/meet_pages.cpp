#include "live/meet_pages.h"

#include <algorithm>
#include <map>

#include "live/live_answers.h"
#include "live/live_json.h"
#include "live/live_pages.h"
#include "live/utf8_text.h"
#include "platform/utf8.h"
#include "vocabulary/race_status.h"

namespace poolside {

namespace {

std::string Cell(std::string_view text) { return "<td>" + HtmlEscape(text) + "</td>"; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Half-width katakana U+FF66..U+FF9D as full-width.
constexpr char16_t kHalfKana[] = {
    0x30F2, 0x30A1, 0x30A3, 0x30A5, 0x30A7, 0x30A9, 0x30E3, 0x30E5, 0x30E7, 0x30C3, 0x30FC, 0x30A2,
    0x30A4, 0x30A6, 0x30A8, 0x30AA, 0x30AB, 0x30AD, 0x30AF, 0x30B1, 0x30B3, 0x30B5, 0x30B7, 0x30B9,
    0x30BB, 0x30BD, 0x30BF, 0x30C1, 0x30C4, 0x30C6, 0x30C8, 0x30CA, 0x30CB, 0x30CC, 0x30CD, 0x30CE,
    0x30CF, 0x30D2, 0x30D5, 0x30D8, 0x30DB, 0x30DE, 0x30DF, 0x30E0, 0x30E1, 0x30E2, 0x30E4, 0x30E6,
    0x30E8, 0x30E9, 0x30EA, 0x30EB, 0x30EC, 0x30ED, 0x30EF, 0x30F3};

// The voiced form of a katakana (ガ of カ), or 0.
char32_t Voiced(char32_t k) {
  if (k == 0x30A6) return 0x30F4;  // ヴ
  if ((k >= 0x30AB && k <= 0x30C2 && (k - 0x30AB) % 2 == 0) || k == 0x30C4 || k == 0x30C6 ||
      k == 0x30C8) {
    return k + 1;
  }
  if (k >= 0x30CF && k <= 0x30DB && (k - 0x30CF) % 3 == 0) return k + 1;
  return 0;
}

char32_t SemiVoiced(char32_t k) {
  if (k >= 0x30CF && k <= 0x30DB && (k - 0x30CF) % 3 == 0) return k + 2;
  return 0;
}

std::string ProgramTitle(const RaceListEntry& e) {
  std::string t;
  for (const std::string* s : {&e.sex, &e.raceClass, &e.event, &e.round}) {
    if (s->empty()) continue;
    if (!t.empty()) t += "　";
    t += *s;
  }
  return t;
}

std::string CodedTitle(const Standings& s) {
  std::string t;
  for (const CodedText* c : {&s.sex, &s.raceClass, &s.event, &s.round}) {
    if (c->label.empty()) continue;
    if (!t.empty()) t += "　";
    t += c->label;
  }
  return t;
}

PageAnswer Html(std::string body) { return {200, std::move(body), kHtmlType}; }
PageAnswer NotFound() { return {404, RenderError(404), kHtmlType}; }

}  // namespace

std::string QueryValue(std::string_view query, std::string_view key) {
  while (!query.empty()) {
    const auto amp = query.find('&');
    const std::string_view pair = query.substr(0, amp);
    query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
    const auto eq = pair.find('=');
    if (pair.substr(0, eq) != key) continue;
    if (eq == std::string_view::npos) return {};
    std::string out;
    const std::string_view v = pair.substr(eq + 1);
    for (std::size_t i = 0; i < v.size(); ++i) {
      if (v[i] == '+') {
        out += ' ';
      } else if (v[i] == '%') {
        if (i + 2 >= v.size()) return {};
        const int hi = HexDigit(v[i + 1]), lo = HexDigit(v[i + 2]);
        if (hi < 0 || lo < 0) return {};
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
      } else {
        out += v[i];
      }
    }
    return ValidUtf8(out) == out ? out : std::string();
  }
  return {};
}

std::string SearchKey(std::string_view text) {
  std::u32string chars;
  for (std::size_t i = 0; i < text.size();) {
    char32_t c = 0;
    const std::size_t n = Utf8SequenceLength(text, i, &c);
    if (n == 0) {
      ++i;
      continue;
    }
    i += n;
    if (c >= 0xFF01 && c <= 0xFF5E) c -= 0xFEE0;  // full-width ASCII
    if (c >= 'A' && c <= 'Z') c += 'a' - 'A';
    if (c == ' ' || c == '\t' || c == 0x3000 || c == 0x30FB || c == 0xFF65) continue;
    if (c >= 0x3041 && c <= 0x3096) c += 0x60;  // hiragana as katakana
    if (c >= 0xFF66 && c <= 0xFF9D) c = kHalfKana[c - 0xFF66];
    if ((c == 0xFF9E || c == 0x309B || c == 0x3099) && !chars.empty()) {
      if (const char32_t v = Voiced(chars.back())) chars.back() = v;
      continue;
    }
    if ((c == 0xFF9F || c == 0x309C || c == 0x309A) && !chars.empty()) {
      if (const char32_t v = SemiVoiced(chars.back())) chars.back() = v;
      continue;
    }
    chars.push_back(c);
  }
  std::string out;
  for (char32_t c : chars) AppendUtf8(out, c);
  return out;
}

std::vector<ProgramLine> ProgramLines(const std::vector<RaceListEntry>& races,
                                      const LiveState& state) {
  std::vector<ProgramLine> lines;
  std::map<int, std::size_t> at;
  std::map<int, int> counted;  // the meet file's count of heats of each program
  const auto& current = state.Current();
  for (const RaceListEntry& e : races) {
    if (e.program == 0) continue;
    auto [it, added] = at.try_emplace(e.program, lines.size());
    if (added) {
      ProgramLine line;
      line.program = e.program;
      line.title = ProgramTitle(e);
      lines.push_back(line);
    }
    ProgramLine& line = lines[it->second];
    ++line.heats;  // races found; the meet file's count is taken below
    counted[e.program] = std::max(counted[e.program], static_cast<int>(e.heats));
    const std::string live = state.Status(e.race);
    if (IsRaceDone(live.empty() ? e.status : live)) ++line.heatsDone;
    if (current && !current->finished && current->header.race == e.race) line.onScreen = true;
  }
  for (ProgramLine& line : lines) {
    line.heats = std::max(line.heats, counted[line.program]);
    line.state = line.heatsDone == 0            ? EventState::NotStarted
                 : line.heatsDone >= line.heats ? EventState::Final
                                                : EventState::Provisional;
  }
  return lines;
}

std::string RenderStandings(const Standings& s) {
  const std::string title = "プログラム " + std::to_string(s.program) + " 順位";
  std::string body = "<header><h1>" + HtmlEscape(title) +
                     "</h1><p class=\"unofficial\">速報（非公式）</p>"
                     "<nav><a href=\"/events\">種目一覧</a> <a href=\"/\">トップ</a> "
                     "<a href=\"/find\">選手検索</a></nav></header>";
  body += "<p class=\"heading\">" + HtmlEscape(CodedTitle(s)) + "</p>";
  body += "<p class=\"event-state\"><span class=\"state-" + std::string(EventStateName(s.state)) +
          "\">" + EventStateText(s.state) + "</span> " + std::to_string(s.heatsDone) + "/" +
          std::to_string(s.heats) + " 組終了";
  if (s.Provisional() && s.heatsDone > 0) body += "（全組終了まで順位は変わります）";
  body += "</p>";
  if (s.qualifiers > 0) {
    body += "<p class=\"qualify-note\">上位 " + std::to_string(s.qualifiers) + " 名が通過</p>";
  }
  body +=
      "<table class=\"standings\"><tr><th>順位</th><th>氏名・所属</th><th>組・コース</th>"
      "<th>記録</th><th></th></tr>";
  for (const StandingRow& r : s.rows) {
    std::string mark;
    if (r.swimOff) {
      mark = "スイムオフ";
    } else if (r.qualified) {
      mark = "通過";
    }
    const char* rowClass = r.swimOff     ? " class=\"swim-off\""
                           : r.qualified ? " class=\"qualified\""
                                         : "";
    body += std::string("<tr") + rowClass + ">" + Cell(r.place ? std::to_string(*r.place) : "") +
            "<td>" + HtmlEscape(r.who.name) + "<span class=\"club\">" + HtmlEscape(r.who.club) +
            "</span></td>" + Cell(std::to_string(r.heat) + "組 " + std::to_string(r.lane)) +
            Cell(r.text) + Cell(mark) + "</tr>";
  }
  body += "</table>";
  if (s.rows.empty()) body += "<p>まだ終了した組がありません。</p>";
  return PageShell(title, body, 15);
}

std::vector<FoundSwimmer> FindSwimmers(
    std::string_view text, const EntryList& entries, PublicNames names,
    const std::vector<RaceListEntry>& races,
    const std::function<std::shared_ptr<const RaceResult>(int race)>& results) {
  std::vector<FoundSwimmer> found;
  const std::string key = SearchKey(text);
  if (key.empty()) return found;
  for (const auto& [number, who] : entries.entries) {
    bool match = SearchKey(who.club).find(key) != std::string::npos;
    if (names == PublicNames::Full) {
      match = match || SearchKey(who.name).find(key) != std::string::npos ||
              SearchKey(who.kana).find(key) != std::string::npos;
    }
    if (!match) continue;
    FoundSwimmer s;
    s.entry = number;
    s.who = PublicEntry(who, names);
    for (const RaceListEntry& e : races) {
      for (int lane = 1; lane <= 10; ++lane) {
        if (e.entries[static_cast<std::size_t>(lane - 1)] != number) continue;
        FoundRace r;
        r.race = e.race;
        r.program = e.program;
        r.heat = e.heat;
        r.lane = lane;
        r.startTime = e.startTime;
        r.title = ProgramTitle(e);
        if (IsRaceDone(e.status) && results) {
          if (const auto result = results(e.race)) {
            const LaneResult& l = result->lanes[static_cast<std::size_t>(lane - 1)];
            r.result =
                (l.rank > 0 ? std::to_string(l.rank) + "位 " : std::string()) + LaneResultText(l);
          }
        }
        s.races.push_back(std::move(r));
      }
    }
    found.push_back(std::move(s));
    if (found.size() >= kMaxFound) break;
  }
  return found;
}

std::optional<PageAnswer> MeetPages::Answer(const RouteMatch& match, std::string_view query,
                                            const LiveState& state) const {
  switch (match.route) {
    case LiveRoute::Events:
      return EventsPage(state);
    case LiveRoute::EventPage:
      return Standing(match.program, false);
    case LiveRoute::EventJson:
      return Standing(match.program, true);
    case LiveRoute::Find:
      return FindPage(query);
    case LiveRoute::Overlay:
      return OverlayPage(match.asset, query, state);
    default:
      return std::nullopt;
  }
}

PageAnswer MeetPages::EventsPage(const LiveState& state) const {
  static const std::vector<RaceListEntry> none;
  const auto& races = sources_.races ? sources_.races() : none;
  std::string body =
      "<header><h1>種目一覧</h1><p class=\"unofficial\">速報（非公式）</p>"
      "<nav><a href=\"/\">トップ</a> <a href=\"/results\">結果一覧</a> "
      "<a href=\"/find\">選手検索</a></nav></header>";
  body +=
      "<table class=\"races\"><tr><th>プログラム</th><th>種目</th><th>組</th><th>状況</th></tr>";
  for (const ProgramLine& p : ProgramLines(races, state)) {
    const std::string program = std::to_string(p.program);
    std::string status = EventStateText(p.state);
    if (p.onScreen) status += " 競技中";
    body += std::string("<tr") + (p.onScreen ? " class=\"current\"" : "") +
            "><td><a href=\"/events/" + program + "\">" + program + "</a></td>" + Cell(p.title) +
            Cell(std::to_string(p.heatsDone) + "/" + std::to_string(p.heats)) + Cell(status) +
            "</tr>";
  }
  body += "</table>";
  return Html(PageShell("種目一覧", body, 15));
}

PageAnswer MeetPages::Standing(int program, bool json) const {
  if (!sources_.standings) return NotFound();
  const Standings s = sources_.standings(program);
  if (s.heats == 0) return NotFound();
  if (json) return {200, StandingsJson(s), kJsonType};
  return Html(RenderStandings(s));
}

PageAnswer MeetPages::FindPage(std::string_view query) const {
  const std::string text = QueryValue(query, "q");
  std::string body =
      "<header><h1>選手検索</h1><p class=\"unofficial\">速報（非公式）</p>"
      "<nav><a href=\"/\">トップ</a> <a href=\"/events\">種目一覧</a> "
      "<a href=\"/scoreboard\">スコアボード</a></nav></header>";
  body += "<form action=\"/find\" method=\"get\" class=\"find\"><input name=\"q\" value=\"" +
          HtmlEscape(text) + "\" placeholder=\"" +
          (sources_.names == PublicNames::Full ? "氏名・フリガナ・所属" : "所属") +
          "\"> <button type=\"submit\">検索</button></form>";
  const auto entries = sources_.entries ? sources_.entries() : nullptr;
  if (!text.empty()) {
    static const std::vector<RaceListEntry> none;
    const auto found = FindSwimmers(text, entries ? *entries : EntryList{}, sources_.names,
                                    sources_.races ? sources_.races() : none, sources_.results);
    if (found.empty()) body += "<p>見つかりません。</p>";
    for (const FoundSwimmer& f : found) {
      std::string who = f.who.name;
      if (who.empty()) {
        who = f.who.club;
      } else if (!f.who.club.empty()) {
        who += "（" + f.who.club + "）";
      }
      body += "<section class=\"swimmer\"><h2>" + HtmlEscape(who) + "</h2>";
      if (f.races.empty()) {
        body += "<p>組み合わせにありません。</p></section>";
        continue;
      }
      body +=
          "<table class=\"races\"><tr><th>プログラム</th><th>種目</th><th>組</th><th>コース</th>"
          "<th>開始</th><th>結果</th></tr>";
      for (const FoundRace& r : f.races) {
        const std::string program = std::to_string(r.program);
        const std::string result = r.result.empty()
                                       ? HtmlEscape(r.result)
                                       : "<a href=\"/results/" + std::to_string(r.race) + "\">" +
                                             HtmlEscape(r.result) + "</a>";
        body += "<tr><td><a href=\"/events/" + program + "\">" + program + "</a></td>" +
                Cell(r.title) + Cell(std::to_string(r.heat)) + Cell(std::to_string(r.lane)) +
                Cell(r.startTime) + "<td>" + result + "</td></tr>";
      }
      body += "</table></section>";
    }
  }
  return Html(PageShell("選手検索", body));
}

PageAnswer MeetPages::OverlayPage(std::string_view name, std::string_view,
                                  const LiveState& state) const {
  constexpr std::string_view kindMarker = "<!--KIND-->";
  std::string page = RenderScoreboard(sources_.overlayPage, StateJson(state));
  if (const auto at = page.find(kindMarker); at != std::string::npos) {
    page.replace(at, kindMarker.size(), std::string(name));
  }
  return Html(std::move(page));
}

}  // namespace poolside
