#include "recovery/race_retiming.h"

#include <filesystem>
#include <optional>
#include <system_error>

#include "capture/captured_repairs.h"
#include "finish/lane_decision.h"
#include "finish/touch_repair.h"
#include "meetdata/meet_data.h"
#include "platform/cp932.h"
#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/fs_path.h"
#include "platform/record_file.h"
#include "racebook/race_book.h"
#include "reception/console_line.h"
#include "recovery/headless_window.h"
#include "results/backup_times.h"
#include "vocabulary/data_folder.h"
#include "vocabulary/lap_goal_files.h"

namespace poolside {

namespace fs = std::filesystem;

namespace {

// A fresh folder removed with its content when it goes out of scope.
class StagingFolder {
 public:
  StagingFolder() {
    std::string pattern = FsText(fs::temp_directory_path() / "poolside-retime-XXXXXX");
    if (!MakeUniqueFolder(pattern)) {
      throw IoError("作業フォルダを作成できません: " + pattern);
    }
    path_ = pattern;
  }
  ~StagingFolder() {
    std::error_code ec;
    fs::remove_all(FsPath(path_), ec);
  }
  StagingFolder(const StagingFolder&) = delete;
  StagingFolder& operator=(const StagingFolder&) = delete;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

std::string ReadBookIfThere(const std::string& bookPath, bool& there) {
  std::error_code ec;
  there = fs::is_regular_file(FsPath(bookPath), ec);
  return there ? ReadWholeFile(bookPath) : std::string();
}

// A decision on a lane's official time, taken again on race `race`.
void ApplyCapturedDecision(const MeetData& staging, const CapturedRepair& captured, int race) {
  TimeUse use = TimeUse::Undecided;
  std::optional<std::int32_t> packed;
  if (ParseTimeUse(captured.use, use) && use == TimeUse::Backup) {
    if (const auto backup = BackupTime(captured.watches)) packed = PackedTime(*backup);
  } else if (use == TimeUse::Typed) {
    packed = PackedTime(captured.typed);
  }
  if (use == TimeUse::Undecided || (use != TimeUse::Console && !packed)) {
    throw RuntimeError("再計時できません: " + captured.wall + " の決定 (" +
                       std::to_string(captured.lane) + " コース " + captured.use +
                       ") が読めません");
  }
  try {
    ApplyDecisionPlan(staging, PlanDecision(staging, race, captured.lane, packed));
  } catch (const RuntimeError& e) {
    throw RuntimeError("再計時できません: " + captured.wall + " の決定 (" +
                       std::to_string(captured.lane) + " コース " + captured.use +
                       ") を適用できません: " + e.what());
  }
}

// The repairs the operator made to the captured race, made again to race
// `race` in the staging folder, in order.
void ApplyCapturedRepairs(const MeetData& staging, const std::vector<CapturedRepair>& repairs,
                          int race) {
  for (const CapturedRepair& captured : repairs) {
    if (captured.IsDecision()) {
      ApplyCapturedDecision(staging, captured, race);
      continue;
    }
    TouchRepair repair;
    repair.race = race;
    repair.lane = captured.lane;
    if (!ParseRepairWords(captured.what, repair)) {
      throw RuntimeError("再計時できません: " + captured.wall + " の修正 「" + captured.what +
                         "」 が読めません");
    }
    try {
      ApplyRepairPlan(staging, PlanRepair(staging, repair));
    } catch (const RuntimeError& e) {
      throw RuntimeError("再計時できません: " + captured.wall + " の修正 (" +
                         std::to_string(captured.lane) + " コース " + captured.what +
                         ") を適用できません: " + e.what());
    }
  }
}

}  // namespace

Retiming RetimeRace(const PathMapper& paths, const std::vector<std::string>& captureFiles,
                    const CapturedRace& captured, int race) {
  if (race < 1 || race > kBookRaces) {
    throw RuntimeError("レース番号 " + std::to_string(race) + " は 1 から " +
                       std::to_string(kBookRaces) + " までです");
  }
  std::vector<CapturedStep> steps = StepsOf(captureFiles, captured, IsNoiseRecord);
  // A restarted console's run that the operator gave to this race was held
  // in the stretch before it: its blocks come first.
  if (captured.index > 1) {
    const std::vector<CapturedRace> all = FindCapturedRaces(captureFiles);
    if (captured.index - 1 <= static_cast<int>(all.size())) {
      std::vector<CapturedStep> carried = CarriedSteps(
          captureFiles, all[static_cast<std::size_t>(captured.index - 2)], IsNoiseRecord);
      steps.insert(steps.begin(), std::make_move_iterator(carried.begin()),
                   std::make_move_iterator(carried.end()));
    }
  }

  MeetData meet(paths);
  HeadlessRaceWindow headless(meet);
  headless.Window().Load();  // reads only: the control file, the meet file, the book
  const std::string realFolder = meet.DataFolder;
  MeetData real(paths);
  real.DataFolder = realFolder;

  // The staging copy: the data folder's own files, empty lap and goal folders.
  StagingFolder staging;
  std::error_code ec;
  const std::string dataDir = real.DataPath("");
  for (const fs::directory_entry& entry : fs::directory_iterator(FsPath(dataDir), ec)) {
    if (!entry.is_regular_file()) continue;
    fs::copy_file(entry.path(), FsPath(staging.Path()) / entry.path().filename(), ec);
    if (ec)
      throw IoError("ファイル " + FsText(entry.path()) + " を複写できません (" + ec.message() +
                    ")");
  }
  if (ec) throw IoError("データフォルダ " + dataDir + " を読めません (" + ec.message() + ")");
  fs::create_directories(FsPath(staging.Path()) / "lap");
  fs::create_directories(FsPath(staging.Path()) / "goal");
  meet.DataFolder = staging.Path() + "/";
  const std::string bookBefore = [&] {
    bool there = false;
    return ReadBookIfThere(meet.DataPath(kBookFileName), there);
  }();

  // What the desk knew at the finish of race N: the typed withdrawals.
  struct FinishWatch : RaceListener {
    int race = 0;
    LaneArray<bool> withdrawn{};
    void OnRaceEvent(const RaceEvent& event) override {
      if (const auto* f = std::get_if<RaceFinished>(&event); f && f->race == race) {
        withdrawn = f->withdrawn;
      }
    }
  } watch;
  watch.race = race;
  headless.Window().Feed().Attach(watch);
  headless.ShowRace(race);
  headless.SetLaneMap(captured.laneMap);
  if (!headless.StartReception()) {
    throw RuntimeError("受信を始められません");
  }
  // The typed entries go in where they were typed, so that a console result
  // after one overrides it and one after a result stands, as they did live.
  for (const CapturedStep& step : steps) {
    if (headless.Window().BookState().RaceNo != race) break;  // finished
    if (step.restarted && step.restarted->console &&
        step.restarted->choice == RaceRestarted::Choice::NextRace) {
      break;  // the rest of the stretch is the next race's (CarriedSteps)
    }
    if (step.restarted) {
      headless.ReplayRestart(*step.restarted);
    } else if (step.typed) {
      headless.Window().StoreTypedTime(step.lane, step.value);
    } else {
      headless.Deliver(step.bytes);
    }
  }
  if (headless.Window().BookState().RaceNo == race) headless.Window().FinishRace();
  headless.StopReception();

  if (!headless.Messages().empty()) {
    std::string text = "再計時できません:";
    for (const std::string& m : headless.Messages()) text += "\n" + m;
    throw RuntimeError(text);
  }
  headless.Window().Feed().Detach(watch);
  const std::vector<CapturedRepair> repairs = RepairsOf(captureFiles, captured);
  ApplyCapturedRepairs(meet, repairs, race);

  Retiming out;
  out.race = race;
  out.withdrawn = watch.withdrawn;
  // A repaired lane's end follows from its touches, as after a repair live.
  for (const CapturedRepair& r : repairs) {
    if (IsLane(r.lane) && !r.IsDecision()) out.withdrawn[LaneIndex(r.lane)] = false;
  }
  out.bookPath = real.DataPath(kBookFileName);
  bool there = false;
  const std::string bookAfter = ReadBookIfThere(meet.DataPath(kBookFileName), there);
  std::vector<int> races = {race};
  for (std::size_t k = 0; k < bookAfter.size() && k < static_cast<std::size_t>(kBookRaces); ++k) {
    const char before = k < bookBefore.size() ? bookBefore[k] : '\0';
    if (bookAfter[k] == before) continue;
    out.statuses.push_back({static_cast<int>(k) + 1, before, bookAfter[k]});
    if (static_cast<int>(k) + 1 != race) races.push_back(static_cast<int>(k) + 1);
  }
  for (int r : races) {
    for (const bool goal : {false, true}) {
      const std::string name = goal ? GoalFileName(r) : LapFileName(r);
      const std::string path = meet.DataPath(name);
      if (!fs::is_regular_file(FsPath(path))) continue;
      out.files.push_back({real.DataPath(name), goal ? GoalFileBytes(path) : LapFileBytes(path)});
    }
  }
  bool goalWritten = false;
  for (const RetimedFile& f : out.files) {
    if (f.path == real.DataPath(GoalFileName(race))) goalWritten = true;
  }
  if (!goalWritten) throw RuntimeError("レース " + std::to_string(race) + " を終了できません");
  return out;
}

void ApplyRetiming(const Retiming& retiming) {
  // Every new file is written beside its old one before the first is
  // replaced: a full disk or a read-only file stops it with nothing changed.
  std::vector<std::pair<std::string, std::string>> files;
  for (const RetimedFile& f : retiming.files) files.emplace_back(f.path, f.bytes);
  if (!retiming.statuses.empty()) {
    bool there = false;
    std::string book = ReadBookIfThere(retiming.bookPath, there);
    for (const RetimedStatus& s : retiming.statuses) {
      const std::size_t k = static_cast<std::size_t>(s.race - 1);
      if (book.size() <= k) book.resize(k + 1, '\0');
      book[k] = s.after;
    }
    files.emplace_back(retiming.bookPath, std::move(book));  // the book last
  }
  ReplaceFilesTogether(files);
}

std::vector<int> FinishedRaces(const Retiming& retiming) {
  std::vector<int> races = {retiming.race};
  for (const RetimedStatus& s : retiming.statuses) {
    if (s.after == '6' && s.race != retiming.race) races.push_back(s.race);
  }
  return races;
}

std::string DescribeRetiming(const Retiming& r) {
  std::string out;
  for (const RetimedFile& f : r.files) {
    out += "file " + f.path + " size=" + std::to_string(f.bytes.size()) + "\n";
    out += Cp932ToUtf8(f.bytes) + "\n";
  }
  auto shown = [](char c) { return c == '\0' ? std::string() : Cp932ToUtf8(std::string(1, c)); };
  for (const RetimedStatus& s : r.statuses) {
    out += "status race=" + std::to_string(s.race) + " \"" + shown(s.before) + "\" -> \"" +
           shown(s.after) + "\"\n";
  }
  return out;
}

}  // namespace poolside
