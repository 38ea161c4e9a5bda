#include "live/live_json.h"

#include <type_traits>

#include "live/json_text.h"

namespace poolside {

namespace {

void Coded(JsonWriter& w, const char* key, const CodedText& t) {
  w.Key(key).BeginObject().Member("code", t.code).Member("label", t.label).EndObject();
}

void Lane(JsonWriter& w, const LiveLane& l) {
  w.BeginObject()
      .Member("lane", l.lane)
      .Member("entry", static_cast<std::int64_t>(l.entry))
      .Member("rank", l.rank)
      .Member("time", l.time)
      .Member("laps", l.laps)
      .Member("metres", l.metres)
      .Member("finished", l.finished)
      .EndObject();
}

void Race(JsonWriter& w, const std::optional<LiveRace>& race) {
  if (!race) {
    w.Null();
    return;
  }
  const RaceShown& h = race->header;
  w.BeginObject()
      .Member("race", h.race)
      .Member("status", h.status)
      .Member("program", h.program)
      .Member("heat", h.heat)
      .Member("heats", h.heats);
  Coded(w, "sex", h.sex);
  Coded(w, "class", h.raceClass);
  Coded(w, "event", h.event);
  Coded(w, "round", h.round);
  w.Member("finished", race->finished);
  w.Key("lanes").BeginArray();
  for (const LiveLane& l : race->lanes) Lane(w, l);
  w.EndArray().EndObject();
}

void Clock(JsonWriter& w, const LiveState& s) {
  w.Key("clock")
      .BeginObject()
      .Member("text", s.Clock().text)
      .Member("running", s.Clock().running)
      .EndObject();
}

void Reception(JsonWriter& w, const LiveState& s) {
  w.Key("reception").BeginObject().Member("on", s.Receiving()).Member("port", s.Port()).EndObject();
}

void Link(JsonWriter& w, const LiveState& s) {
  w.Key("link").BeginObject().Member("lost", s.LinkLost()).Member("text", s.LinkText()).EndObject();
}

void Head(JsonWriter& w, const char* type, const LiveState& s) {
  w.BeginObject().Member("type", type).Member("seq", static_cast<std::int64_t>(s.Sequence()));
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
  w.Member("hold", s.Holding());
  std::string book;
  for (int r = 1; r <= 1024; ++r) {
    const std::string st = s.Status(r);
    book += st.empty() ? std::string(" ") : st;
  }
  book.erase(book.find_last_not_of(' ') + 1);
  w.Member("statuses", book);
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
          w.Member("hold", s.Holding());
        } else if constexpr (std::is_same_v<T, ReceptionStarted> ||
                             std::is_same_v<T, ReceptionStopped>) {
          Head(w, "reception", s);
          Reception(w, s);
          Clock(w, s);
        } else if constexpr (std::is_same_v<T, ClockShown>) {
          Head(w, "clock", s);
          Clock(w, s);
          w.Member("hold", s.Holding());
        } else if constexpr (std::is_same_v<T, LaneTouched> ||
                             std::is_same_v<T, ManualEntryStored>) {
          Head(w, std::is_same_v<T, LaneTouched> ? "lane" : "manual_entry", s);
          const int race = s.Current() ? s.Current()->header.race : 0;
          w.Member("race", race);
          w.Key("lane");
          if (s.Current() && e.lane >= 1 && e.lane <= kFeedLanes) {
            Lane(w, s.Current()->lanes[e.lane - 1]);
          } else {
            w.Null();
          }
          w.Member("hold", s.Holding());
        } else if constexpr (std::is_same_v<T, RaceFinished>) {
          Head(w, "race_finished", s);
          w.Key("result");
          Race(w, s.Result());
          w.Member("hold", s.Holding());
        } else if constexpr (std::is_same_v<T, RaceStatusChanged>) {
          Head(w, "status", s);
          w.Member("race", e.race).Member("status", e.status);
        } else if constexpr (std::is_same_v<T, PortProblem>) {
          // The operator's message names the device: only the port leaves.
          Head(w, "port_problem", s);
          w.Member("port", e.port);
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
  w.Member("time", unixMs).EndObject();
  return w.Text();
}

}  // namespace poolside
