#include "results/standings.h"

#include <algorithm>
#include <cstdlib>

#include "results/json_writer.h"
#include "vocabulary/race_status.h"

namespace poolside {

namespace {

// Lanes without a time, in the order they follow the times.
int StatusOrder(LaneStatus s) {
  switch (s) {
    case LaneStatus::Time:
      return 0;
    case LaneStatus::Dq:
      return 1;
    case LaneStatus::Withdrawn:
      return 2;
    case LaneStatus::NoFinish:
      return 3;
    case LaneStatus::NoTime:
      return 4;
    case LaneStatus::Unreadable:
      return 5;
  }
  return 6;
}

bool Swum(const LaneResult& l) {
  return l.entry != 0 || (l.status != LaneStatus::NoTime && l.status != LaneStatus::Unreadable) ||
         !l.splits.empty();
}

void Coded(JsonWriter& out, const char* key, const CodedText& t) {
  out.Key(key).BeginObject().Key("code").String(t.code).Key("label").String(t.label).EndObject();
}

}  // namespace

int QualifierRule::For(const std::string& roundCode) const {
  const auto it = byRound.find(roundCode);
  return it == byRound.end() ? 0 : it->second;
}

bool ParseQualifierSetting(const std::string& text, QualifierRule& rule) {
  const auto eq = text.find('=');
  if (eq == std::string::npos || eq == 0) return false;
  const std::string round = text.substr(0, eq), count = text.substr(eq + 1);
  if (round.size() != 1 || count.empty() || count.size() > 2) return false;
  for (char c : count) {
    if (c < '0' || c > '9') return false;
  }
  rule.byRound[round] = std::atoi(count.c_str());
  return true;
}

const char* EventStateText(EventState state) {
  switch (state) {
    case EventState::NotStarted:
      return "未";
    case EventState::Provisional:
      return "暫定";
    case EventState::Final:
      return "確定";
  }
  return "";
}

const char* EventStateName(EventState state) {
  switch (state) {
    case EventState::NotStarted:
      return "not_started";
    case EventState::Provisional:
      return "provisional";
    case EventState::Final:
      return "final";
  }
  return "";
}

Standings RankProgram(int program, const std::vector<std::shared_ptr<const RaceResult>>& races,
                      int heatCount, const QualifierRule& rule) {
  Standings s;
  s.program = program;
  int given = 0;
  for (const auto& r : races) {
    if (!r) continue;
    ++given;
    if (s.event.label.empty() && s.round.code.empty()) {
      s.sex = r->sex;
      s.raceClass = r->raceClass;
      s.event = r->event;
      s.round = r->round;
    }
    heatCount = std::max(heatCount, r->heats);
    if (!IsRaceDone(r->bookStatus)) continue;
    ++s.heatsDone;
    for (const LaneResult& l : r->lanes) {
      if (!Swum(l)) continue;
      StandingRow row;
      row.race = r->race;
      row.heat = r->heat;
      row.lane = l.lane;
      row.entry = l.entry;
      row.who = l.who;
      row.status = l.status;
      if (l.status == LaneStatus::Time) row.hundredths = l.hundredths;
      row.text = LaneResultText(l);
      s.rows.push_back(std::move(row));
    }
  }
  s.heats = std::max(heatCount, given);
  s.state = s.heatsDone == 0         ? EventState::NotStarted
            : s.heatsDone >= s.heats ? EventState::Final
                                     : EventState::Provisional;
  s.qualifiers = rule.For(s.round.code);

  auto timed = [](const StandingRow& r) { return r.status == LaneStatus::Time && r.hundredths; };
  std::sort(s.rows.begin(), s.rows.end(), [&](const StandingRow& a, const StandingRow& b) {
    const bool ta = timed(a), tb = timed(b);
    if (ta != tb) return ta;
    if (ta && *a.hundredths != *b.hundredths) return *a.hundredths < *b.hundredths;
    if (!ta && StatusOrder(a.status) != StatusOrder(b.status)) {
      return StatusOrder(a.status) < StatusOrder(b.status);
    }
    if (a.heat != b.heat) return a.heat < b.heat;
    return a.lane < b.lane;
  });
  // Places: equal times share the place of the first of them.
  for (std::size_t i = 0; i < s.rows.size() && timed(s.rows[i]); ++i) {
    const bool tie = i > 0 && *s.rows[i].hundredths == *s.rows[i - 1].hundredths;
    s.rows[i].place = tie ? *s.rows[i - 1].place : static_cast<int>(i) + 1;
  }
  if (s.qualifiers > 0) {
    // A group of equal times that starts within the first N and ends
    // beyond them is a swim-off; a group wholly within goes on.
    for (std::size_t i = 0; i < s.rows.size() && s.rows[i].place;) {
      std::size_t end = i + 1;
      while (end < s.rows.size() && s.rows[end].place == s.rows[i].place) ++end;
      const int first = *s.rows[i].place, last = first + static_cast<int>(end - i) - 1;
      for (std::size_t k = i; k < end; ++k) {
        s.rows[k].qualified = last <= s.qualifiers;
        s.rows[k].swimOff = first <= s.qualifiers && last > s.qualifiers;
      }
      i = end;
    }
  }
  return s;
}

Standings PublicStandings(Standings standings, PublicNames mode) {
  if (mode == PublicNames::Full) return standings;
  for (StandingRow& row : standings.rows) row.who = PublicEntry(row.who, mode);
  return standings;
}

std::string StandingsJson(const Standings& s) {
  JsonWriter out;
  out.BeginObject();
  out.Key("program").Int(s.program);
  out.Key("state").String(EventStateName(s.state));
  out.Key("state_text").String(EventStateText(s.state));
  out.Key("provisional").Bool(s.Provisional());
  out.Key("heats").Int(s.heats);
  out.Key("heats_done").Int(s.heatsDone);
  out.Key("qualifiers").Int(s.qualifiers);
  Coded(out, "sex", s.sex);
  Coded(out, "class", s.raceClass);
  Coded(out, "event", s.event);
  Coded(out, "round", s.round);
  out.Key("rows").BeginArray();
  for (const StandingRow& r : s.rows) {
    out.BeginObject();
    if (r.place) {
      out.Key("place").Int(*r.place);
    } else {
      out.Key("place").Null();
    }
    out.Key("race").Int(r.race);
    out.Key("heat").Int(r.heat);
    out.Key("lane").Int(r.lane);
    out.Key("entry").Int(r.entry);
    out.Key("name").String(r.who.name);
    out.Key("kana").String(r.who.kana);
    out.Key("club").String(r.who.club);
    out.Key("pref").String(r.who.pref);
    out.Key("grade").String(r.who.grade);
    out.Key("hundredths").OptionalInt(r.hundredths);
    out.Key("text").String(r.text);
    out.Key("status").String(LaneStatusName(r.status));
    out.Key("qualified").Bool(r.qualified);
    out.Key("swim_off").Bool(r.swimOff);
    out.EndObject();
  }
  out.EndArray();
  out.EndObject();
  return out.Take();
}

}  // namespace poolside
