#include "capture/captured_races.h"

#include <algorithm>

#include "capture/capture_reader.h"

namespace poolside {

namespace {

std::string Trim(const std::string& s) {
  const auto first = s.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

}  // namespace

std::vector<CapturedRace> FindCapturedRaces(const std::string& path) {
  CaptureReader reader;
  reader.Open(path);
  std::vector<CapturedRace> races;
  bool open = false;  // the last race's stretch is still going on
  CaptureRecord r;
  while (reader.Next(r)) {
    if (r.kind == "race_shown") {
      const int race = static_cast<int>(r.Number("race"));
      if (open && races.back().race == race) {
        races.back().lastLine = r.line;
        continue;
      }
      CapturedRace c;
      c.index = static_cast<int>(races.size()) + 1;
      c.race = race;
      c.program = static_cast<int>(r.Number("program"));
      c.heat = static_cast<int>(r.Number("heat"));
      c.start = c.end = r.wall;
      c.firstLine = c.lastLine = r.line;
      races.push_back(std::move(c));
      open = true;
      continue;
    }
    if (!open) continue;
    CapturedRace& c = races.back();
    c.end = r.wall;
    c.lastLine = r.line;
    if (r.kind == "block") {
      ++c.blocks;
    } else if (r.kind == "lane" && r.Number("finish") == 1) {
      const int lane = static_cast<int>(r.Number("lane"));
      if (lane < 1 || lane > 10) continue;
      auto same = std::find_if(c.lanes.begin(), c.lanes.end(),
                               [&](const CapturedLane& l) { return l.lane == lane; });
      if (same == c.lanes.end()) {
        c.lanes.push_back({lane, Trim(r.Text("time"))});
      } else {
        same->time = Trim(r.Text("time"));
      }
    } else if (r.kind == "race_finished") {
      c.finished = true;
      c.goalFile = r.Text("goal");
      open = false;
    }
  }
  for (CapturedRace& c : races) {
    std::sort(c.lanes.begin(), c.lanes.end(),
              [](const CapturedLane& a, const CapturedLane& b) { return a.lane < b.lane; });
  }
  return races;
}

std::vector<std::string> BlocksOf(const std::string& path, const CapturedRace& race) {
  CaptureReader reader;
  reader.Open(path);
  std::vector<std::string> blocks;
  CaptureRecord r;
  while (reader.Next(r)) {
    if (r.line > race.lastLine) break;
    if (r.line >= race.firstLine && r.kind == "block") blocks.push_back(std::move(r.bytes));
  }
  return blocks;
}

std::string ListingLine(const CapturedRace& c) {
  std::string line = std::to_string(c.index) + " race=" + std::to_string(c.race) +
                     " program=" + std::to_string(c.program) + " heat=" + std::to_string(c.heat) +
                     " start=" + c.start + " end=" + c.end +
                     (c.finished ? " finished" : " unfinished") +
                     " blocks=" + std::to_string(c.blocks);
  for (const CapturedLane& l : c.lanes) line += " " + std::to_string(l.lane) + ":" + l.time;
  return line;
}

}  // namespace poolside
