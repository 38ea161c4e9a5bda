#include "finish/repair_intent.h"

#include <chrono>
#include <random>
#include <sstream>

#include "platform/errors.h"
#include "platform/record_file.h"
#include "vocabulary/lap_goal_files.h"

namespace poolside {

namespace {

constexpr const char* kHeader = "poolside-touch-repair 1";

std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2 + 1);
  for (unsigned char c : bytes) {
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out.empty() ? "-" : out;  // a word even when empty
}

std::optional<std::string> Unhex(const std::string& hex) {
  if (hex == "-") return std::string();
  if (hex.size() % 2 != 0) return std::nullopt;
  auto digit = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  std::string out;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const int hi = digit(hex[i]), lo = digit(hex[i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    out += static_cast<char>(hi * 16 + lo);
  }
  return out;
}

std::string NewId() {
  const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(
                          std::chrono::system_clock::now().time_since_epoch())
                          .count();
  std::random_device random;
  return std::to_string(micros) + "-" + std::to_string(random() % 10000000);
}

std::string IntentPath(const MeetData& meet) { return meet.DataPath(kPendingRepairName); }

}  // namespace

RepairIntent IntentOf(const MeetData& meet, const RepairPlan& plan, const TouchesRepaired& event) {
  RepairIntent intent;
  intent.id = NewId();
  intent.repair = plan.repair;
  intent.event = event;
  intent.event.intent = intent.id;
  for (PlannedFile& f : PlannedFiles(meet, plan)) {
    intent.files.push_back({std::move(f.path), std::move(f.before), std::move(f.after)});
  }
  return intent;
}

std::string IntentText(const RepairIntent& intent) {
  std::string text = std::string(kHeader) + "\n";
  text += "id " + intent.id + "\n";
  text += "race " + std::to_string(intent.repair.race) + "\n";
  text += "lane " + std::to_string(intent.repair.lane) + "\n";
  text += "what " + RepairWords(intent.repair) + "\n";
  const TouchesRepaired& e = intent.event;
  text += "event " + std::to_string(e.laps) + " " + std::to_string(e.metres) + " " +
          (e.noFinish ? "1" : "0") + " " + (e.finished ? "1" : "0") + "\n";
  text += "targets";
  for (std::size_t i = 0; i < e.combinedTargets.size(); ++i) {
    text += (i == 0 ? " " : ",") + std::to_string(e.combinedTargets[i]);
  }
  text += "\n";
  for (const RepairIntent::File& f : intent.files) {
    text += "file " + Hex(f.path) + " " + Hex(f.before) + " " + Hex(f.after) + "\n";
  }
  return text + "end\n";
}

std::optional<RepairIntent> ParseIntentText(const std::string& text, int race) {
  std::istringstream in(text);
  std::string line;
  if (!std::getline(in, line) || line != kHeader) return std::nullopt;
  RepairIntent intent;
  bool ended = false;
  bool told = false;  // the event line was there
  std::string what;
  while (std::getline(in, line)) {
    const auto blank = line.find(' ');
    const std::string key = line.substr(0, blank);
    const std::string value = blank == std::string::npos ? "" : line.substr(blank + 1);
    if (key == "id" && !value.empty()) {
      intent.id = value;
    } else if (key == "race" || key == "lane") {
      if (value.empty() || value.size() > 4 ||
          value.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
      }
      (key == "race" ? intent.repair.race : intent.repair.lane) = std::stoi(value);
    } else if (key == "what") {
      what = value;
    } else if (key == "event") {
      std::istringstream words(value);
      int noFinish = -1, finished = -1;
      std::string extra;
      if (!(words >> intent.event.laps >> intent.event.metres >> noFinish >> finished) ||
          (words >> extra) || noFinish < 0 || noFinish > 1 || finished < 0 || finished > 1) {
        return std::nullopt;
      }
      told = true;
      intent.event.noFinish = noFinish == 1;
      intent.event.finished = finished == 1;
    } else if (key == "targets") {
      std::istringstream words(value);
      for (std::string t; std::getline(words, t, ',');) {
        if (t.empty() || t.size() > 4 || t.find_first_not_of("0123456789") != std::string::npos) {
          return std::nullopt;
        }
        intent.event.combinedTargets.push_back(std::stoi(t));
      }
    } else if (key == "file") {
      std::istringstream words(value);
      std::string p, b, a, extra;
      if (!(words >> p >> b >> a) || (words >> extra)) return std::nullopt;
      auto path = Unhex(p), before = Unhex(b), after = Unhex(a);
      if (!path || !before || !after || path->empty()) return std::nullopt;
      intent.files.push_back({*path, *before, *after});
    } else if (key == "end" && value.empty()) {
      ended = true;
      break;
    } else {
      return std::nullopt;
    }
  }
  TouchRepair words;
  if (!ended || !told || intent.id.empty() || intent.files.empty() ||
      !ParseRepairWords(what, words)) {
    return std::nullopt;
  }
  words.race = intent.repair.race;
  words.lane = intent.repair.lane;
  intent.repair = words;
  intent.event.race = words.race;
  intent.event.lane = words.lane;
  intent.event.what = RepairWords(words);
  intent.event.intent = intent.id;
  if (race > 0 && intent.repair.race != race) return std::nullopt;
  return intent;
}

std::string IntentName(const RepairIntent& intent) {
  return "レース " + std::to_string(intent.repair.race) + " コース " +
         std::to_string(intent.repair.lane) + " の修正 (" + RepairWords(intent.repair) + ")";
}

void ApplyRepairInOneStep(const MeetData& meet, const RepairIntent& intent,
                          const std::function<void()>& journal) {
  const std::string path = IntentPath(meet);
  ReplaceFileAtomically(path, IntentText(intent));
  if (journal) journal();
  CompleteRepair(meet, intent);
}

std::optional<RepairIntent> PendingRepair(const MeetData& meet) {
  const std::string path = IntentPath(meet);
  if (!FileExists(path)) return std::nullopt;
  auto intent = ParseIntentText(ReadWholeFile(path), 0);
  if (!intent) {
    throw IoError("中断された修正の記録 " + path +
                  " が読めません。確かめてから消してください (damaged repair intent)");
  }
  return intent;
}

void CompleteRepair(const MeetData& meet, const RepairIntent& intent) {
  std::vector<std::pair<std::string, std::string>> replace;
  for (const RepairIntent::File& f : intent.files) {
    // Lap and goal files alike (a goal file is far within a lap file's bound).
    const std::string now = FileExists(f.path) ? LapFileBytes(f.path) : std::string();
    if (now == f.after) continue;
    if (now != f.before) {
      throw IoError(IntentName(intent) + " を完了できません: " + f.path +
                    " が修正の前とも後とも違います。確かめてから " + IntentPath(meet) +
                    " を消してください");
    }
    replace.emplace_back(f.path, f.after);
  }
  ReplaceFilesTogether(replace);
  if (!RemoveFileDurably(IntentPath(meet))) {
    throw IoError("中断された修正の記録 " + IntentPath(meet) + " を消せません");
  }
}

}  // namespace poolside
