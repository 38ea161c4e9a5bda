#include "capture/captured_races.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "capture/capture_format.h"
#include "capture/capture_reader.h"
#include "platform/errors.h"
#include "platform/fs_path.h"

namespace poolside {

namespace {

std::string Trim(const std::string& s) {
  const auto first = s.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// Start-time order of the journal's file names: "20261209-100203.cap" is
// the first run of that second and "20261209-100203-2.cap" the second (in
// plain name order "-2" would come first). Other names keep name order.
bool StartedBefore(const std::string& a, const std::string& b) {
  auto key = [](const std::string& path) {
    const std::string name = FsText(FsPath(path).filename());
    std::string stamp = name.size() >= 4 ? name.substr(0, name.size() - 4) : name;  // no ".cap"
    long attempt = 1;
    const std::size_t dash = stamp.size() > 15 ? stamp.rfind('-') : std::string::npos;
    if (dash == 15 && stamp.size() > 16 &&
        stamp.find_first_not_of("0123456789", 16) == std::string::npos && stamp.size() < 22) {
      attempt = std::stol(stamp.substr(16));
      stamp.resize(15);
    }
    return std::make_pair(JoinNative(FsText(FsPath(path).parent_path()), stamp), attempt);
  };
  return key(a) < key(b);
}

}  // namespace

std::vector<std::string> CaptureFiles(const std::vector<std::string>& paths) {
  std::vector<std::string> notes;
  return CaptureFiles(paths, notes);
}

std::vector<std::string> CaptureFiles(const std::vector<std::string>& paths,
                                      std::vector<std::string>& notes) {
  std::vector<std::string> files;
  auto add = [&](const std::string& file) {
    switch (CaptureReader::ShapeOf(file)) {
      case CaptureReader::FileShape::Unwritten:
        notes.push_back("キャプチャファイル " + file +
                        " は空か書きかけです。読み飛ばします (empty or half-written capture "
                        "file skipped)");
        return;
      case CaptureReader::FileShape::CutLastLine:
        notes.push_back("キャプチャファイル " + file +
                        " の最後の行は書きかけです。その前の行までを読みます (last line cut "
                        "short, skipped)");
        break;
      case CaptureReader::FileShape::Sound:
        break;
    }
    files.push_back(file);
  };
  for (const std::string& p : paths) {
    std::error_code ec;
    if (!std::filesystem::is_directory(FsPath(p), ec)) {
      add(p);
      continue;
    }
    std::vector<std::string> inFolder;
    for (const auto& e : std::filesystem::directory_iterator(FsPath(p), ec)) {
      if (e.path().extension() == ".cap") inFolder.push_back(FsText(e.path()));
    }
    std::sort(inFolder.begin(), inFolder.end(), StartedBefore);
    for (const std::string& file : inFolder) add(file);
  }
  return files;
}

std::vector<CapturedRace> FindCapturedRaces(const std::vector<std::string>& files) {
  std::vector<CapturedRace> races;
  bool open = false;  // the last race's stretch is still going on
  std::string laneMap;
  for (std::size_t f = 0; f < files.size(); ++f) {
    CaptureReader reader;
    reader.Open(files[f], true);
    CaptureRecord r;
    while (reader.Next(r)) {
      if (r.kind == "reception_started") {
        laneMap = r.Text("lanes");
        if (open && races.back().blocks == 0) races.back().laneMap = laneMap;
      }
      if (r.kind == "race_shown") {
        const int race = static_cast<int>(r.Number("race"));
        if (!(open && races.back().race == race)) {
          CapturedRace c;
          c.index = static_cast<int>(races.size()) + 1;
          c.race = race;
          c.program = static_cast<int>(r.Number("program"));
          c.heat = static_cast<int>(r.Number("heat"));
          c.start = r.wall;
          c.laneMap = laneMap;
          races.push_back(std::move(c));
          open = true;
        }
      }
      if (!open) continue;
      CapturedRace& c = races.back();
      if (c.spans.empty() || c.spans.back().file != f) c.spans.push_back({f, r.line, r.line});
      c.spans.back().lastLine = r.line;
      c.end = r.wall;
      if (r.kind == "block") {
        ++c.blocks;
      } else if (r.kind == "lane") {
        ++c.touches;
        const int lane = static_cast<int>(r.Number("lane"));
        if (r.Number("finish") != 1 || lane < 1 || lane > 10) continue;
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
  }
  for (CapturedRace& c : races) {
    std::sort(c.lanes.begin(), c.lanes.end(),
              [](const CapturedLane& a, const CapturedLane& b) { return a.lane < b.lane; });
  }
  return races;
}

bool IsFramingNoise(const CaptureRecord& block, const ConsoleNoiseTest& consoleNoise) {
  if (block.kind != "block") return false;
  for (const auto& [key, value] : block.fields) {
    if (key == "kind") return value == "noise" && !consoleNoise(block.bytes);
  }
  return false;
}

std::vector<CapturedStep> StepsOf(const std::vector<std::string>& files, const CapturedRace& race,
                                  const ConsoleNoiseTest& consoleNoise) {
  std::vector<CapturedStep> steps;
  for (const CapturedRace::Span& span : race.spans) {
    if (span.file >= files.size()) continue;
    CaptureReader reader;
    reader.Open(files[span.file], true);
    CaptureRecord r;
    while (reader.Next(r)) {
      if (r.line > span.lastLine) break;
      if (r.line < span.firstLine) continue;
      // Bytes the port's framing dropped never reached reception.
      if (r.kind == "block" && !IsFramingNoise(r, consoleNoise)) {
        CapturedStep step;
        step.bytes = std::move(r.bytes);
        steps.push_back(std::move(step));
      } else if (r.kind == "manual_entry" && r.Number("race") == race.race) {
        const long long lane = r.Number("lane");
        const long long value = r.Number("value");
        if (lane < 1 || lane > 10 || value < INT32_MIN || value > INT32_MAX) {
          throw IoError("キャプチャファイル " + files[span.file] + " の " + std::to_string(r.line) +
                        " 行目の手入力が正しくありません: lane=" + std::to_string(lane) +
                        " value=" + std::to_string(value));
        }
        CapturedStep step;
        step.typed = true;
        step.lane = static_cast<int>(lane);
        step.value = static_cast<std::int32_t>(value);
        steps.push_back(std::move(step));
      } else if (r.kind == "race_restarted" && r.Number("race") == race.race) {
        const std::string& choice = r.Text("choice");
        RaceRestarted restarted;
        restarted.race = race.race;
        restarted.console = r.Number("console") == 1;
        if (choice == "start_over") {
          restarted.choice = RaceRestarted::Choice::StartOver;
        } else if (choice == "same_race") {
          restarted.choice = RaceRestarted::Choice::SameRace;
        } else if (choice == "next_race") {
          restarted.choice = RaceRestarted::Choice::NextRace;
        } else if (choice == "held") {
          restarted.choice = RaceRestarted::Choice::Held;
        } else {
          throw IoError("キャプチャファイル " + files[span.file] + " の " + std::to_string(r.line) +
                        " 行目の選択が読めません: choice=" + choice);
        }
        CapturedStep step;
        step.restarted = restarted;
        steps.push_back(std::move(step));
      }
    }
  }
  return steps;
}

std::vector<CapturedStep> CarriedSteps(const std::vector<std::string>& files,
                                       const CapturedRace& previous,
                                       const ConsoleNoiseTest& consoleNoise) {
  std::vector<CapturedStep> held;
  bool holding = false;
  bool carried = false;
  for (CapturedStep& step : StepsOf(files, previous, consoleNoise)) {
    if (step.restarted && step.restarted->console) {
      switch (step.restarted->choice) {
        case RaceRestarted::Choice::Held:
          holding = true;
          held.clear();
          break;
        case RaceRestarted::Choice::NextRace:
          carried = holding;
          holding = false;
          break;
        default:
          holding = false;
          held.clear();
          break;
      }
    } else if (holding && !step.typed && !step.restarted) {
      held.push_back(std::move(step));
    }
  }
  if (!carried) held.clear();
  return held;
}

std::vector<std::string> BlocksOf(const std::vector<std::string>& files, const CapturedRace& race,
                                  const ConsoleNoiseTest& consoleNoise) {
  std::vector<std::string> blocks;
  for (CapturedStep& step : StepsOf(files, race, consoleNoise)) {
    if (!step.typed && !step.restarted) blocks.push_back(std::move(step.bytes));
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
