#include "live/live_json.h"

#include <type_traits>

#include "results/json_writer.h"
#include "vocabulary/data_folder.h"

namespace poolside {

namespace {

void Coded(JsonWriter& w, const char* key, const CodedText& t) {
  w.Key(key).BeginObject().Key("code").String(t.code).Key("label").String(t.label).EndObject();
}

void Lane(JsonWriter& w, const LiveLane& l) {
  w.BeginObject()
      .Key("lane")
      .Int(l.lane)
      .Key("entry")
      .Int(static_cast<std::int64_t>(l.entry))
      .Key("rank")
      .Int(l.rank)
      .Key("time")
      .String(l.time)
      .Key("laps")
      .Int(l.laps)
      .Key("metres")
      .Int(l.metres)
      .Key("finished")
      .Bool(l.finished)
      .Key("flag")
      .String(l.flag)
      .Key("name")
      .String(l.name)
      .Key("club")
      .String(l.club)
      .EndObject();
}

void Race(JsonWriter& w, const std::optional<LiveRace>& race) {
  if (!race) {
    w.Null();
    return;
  }
  const RaceShown& h = race->header;
  w.BeginObject()
      .Key("race")
      .Int(h.race)
      .Key("status")
      .String(h.status)
      .Key("program")
      .Int(h.program)
      .Key("heat")
      .Int(h.heat)
      .Key("heats")
      .Int(h.heats);
  Coded(w, "sex", h.sex);
  Coded(w, "class", h.raceClass);
  Coded(w, "event", h.event);
  Coded(w, "round", h.round);
  w.Key("finished").Bool(race->finished);
  w.Key("official").Bool(race->official);
  w.Key("lanes").BeginArray();
  for (const LiveLane& l : race->lanes) Lane(w, l);
  w.EndArray().EndObject();
}

void Clock(JsonWriter& w, const LiveState& s) {
  w.Key("clock")
      .BeginObject()
      .Key("text")
      .String(s.Clock().text)
      .Key("running")
      .Bool(s.Clock().running)
      .EndObject();
}

void Reception(JsonWriter& w, const LiveState& s) {
  w.Key("reception")
      .BeginObject()
      .Key("on")
      .Bool(s.Receiving())
      .Key("port")
      .Int(s.Port())
      .EndObject();
}

void Link(JsonWriter& w, const LiveState& s) {
  w.Key("link")
      .BeginObject()
      .Key("lost")
      .Bool(s.LinkLost())
      .Key("text")
      .String(s.LinkText())
      .EndObject();
}

void Head(JsonWriter& w, const char* type, const LiveState& s) {
  w.BeginObject().Key("type").String(type).Key("seq").Int(static_cast<std::int64_t>(s.Sequence()));
}

}  // namespace

std::string StateJson(const LiveState& s) {
  JsonWriter w;
  Head(w, "state", s);
  Reception(w, s);
  Link(w, s);
  Clock(w, s);
  w.Key("race");
  Race(w, s.Current());
  w.Key("result");
  Race(w, s.Result());
  w.Key("hold").Bool(s.Holding());
  std::string book;
  for (int r = 1; r <= kBookRaces; ++r) {
    const std::string st = s.Status(r);
    book += st.empty() ? std::string(" ") : st;
  }
  book.erase(book.find_last_not_of(' ') + 1);
  w.Key("statuses").String(book);
  w.EndObject();
  return w.Text();
}

std::optional<std::string> EventJson(const RaceEvent& event, const LiveState& s) {
  std::optional<std::string> out;
  std::visit(
      [&](const auto& e) {
        using T = std::decay_t<decltype(e)>;
        JsonWriter w;
        if constexpr (std::is_same_v<T, RaceShown>) {
          Head(w, "race_shown", s);
          w.Key("race");
          Race(w, s.Current());
          w.Key("hold").Bool(s.Holding());
        } else if constexpr (std::is_same_v<T, ReceptionStarted> ||
                             std::is_same_v<T, ReceptionStopped>) {
          Head(w, "reception", s);
          Reception(w, s);
          Clock(w, s);
        } else if constexpr (std::is_same_v<T, ClockShown>) {
          Head(w, "clock", s);
          Clock(w, s);
          w.Key("hold").Bool(s.Holding());
        } else if constexpr (std::is_same_v<T, LaneTouched> ||
                             std::is_same_v<T, ManualEntryStored> ||
                             std::is_same_v<T, LaneFlagged>) {
          Head(w,
               std::is_same_v<T, LaneTouched>         ? "lane"
               : std::is_same_v<T, ManualEntryStored> ? "manual_entry"
                                                      : "lane_flagged",
               s);
          const int race = s.Current() ? s.Current()->header.race : 0;
          w.Key("race").Int(race);
          w.Key("lane");
          if (s.Current() && e.lane >= 1 && e.lane <= kLanes) {
            Lane(w, s.Current()->lanes[e.lane - 1]);
          } else {
            w.Null();
          }
          w.Key("hold").Bool(s.Holding());
        } else if constexpr (std::is_same_v<T, RaceFinished>) {
          Head(w, "race_finished", s);
          w.Key("result");
          Race(w, s.Result());
          w.Key("hold").Bool(s.Holding());
        } else if constexpr (std::is_same_v<T, TouchesRepaired>) {
          // The race on screen and the result held, as they are now.
          Head(w, "repair", s);
          w.Key("race");
          Race(w, s.Current());
          w.Key("result");
          Race(w, s.Result());
          w.Key("hold").Bool(s.Holding());
        } else if constexpr (std::is_same_v<T, RaceSignedOff>) {
          Head(w, "official", s);
          w.Key("race").Int(e.race).Key("official").Bool(e.official);
          w.Key("result");
          Race(w, s.Result());
          w.Key("hold").Bool(s.Holding());
        } else if constexpr (std::is_same_v<T, RaceStatusChanged>) {
          Head(w, "status", s);
          w.Key("race").Int(e.race).Key("status").String(e.status);
        } else if constexpr (std::is_same_v<T, LinkHealth>) {
          Head(w, "link", s);
          Link(w, s);
        } else if constexpr (std::is_same_v<T, PortProblem>) {
          // The operator's message names the device: only the port leaves.
          Head(w, "port_problem", s);
          w.Key("port").Int(e.port);
        } else {
          return;
        }
        w.EndObject();
        out = w.Text();
      },
      event);
  return out;
}

std::string LinkJson(const LiveState& s) {
  JsonWriter w;
  Head(w, "link", s);
  Link(w, s);
  w.EndObject();
  return w.Text();
}

std::string HeartbeatJson(const LiveState& s, std::int64_t unixMs) {
  JsonWriter w;
  Head(w, "heartbeat", s);
  w.Key("time").Int(unixMs).EndObject();
  return w.Text();
}

}  // namespace poolside
