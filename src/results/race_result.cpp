#include "results/race_result.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>

#include "format/labels.h"
#include "format/time_text.h"
#include "format/time_values.h"
#include "meetdata/competition_record.h"
#include "meetdata/meet_data.h"
#include "meetdata/settings.h"
#include "platform/cp932.h"
#include "platform/file_read.h"
#include "platform/fs_path.h"
#include "platform/local_time.h"
#include "platform/paths.h"
#include "vocabulary/data_folder.h"
#include "vocabulary/lap_goal_files.h"

namespace poolside {

namespace {

std::string ErrnoText(int err) { return std::strerror(err); }

void LoadHeader(const RaceSources& src, RaceResult& r) {
  const std::string name = kMeetFileName;
  CompetitionRecord heat;
  if (src.race < 1 || src.race > kLastNumberedRecord) {
    r.problems.push_back({name, "レース番号 " + std::to_string(src.race) + " は範囲外です"});
  } else {
    std::ifstream in(FsPath(src.meetFile), std::ios::binary);
    if (!in) {
      r.problems.push_back({name, "開けません: " + ErrnoText(errno)});
    } else {
      Bytes record(kMeetRecordLength, 0);
      in.seekg(static_cast<std::streamoff>(src.race + 10 - 1) * kMeetRecordLength);
      in.read(reinterpret_cast<char*>(record.data()), kMeetRecordLength);
      if (in.gcount() < static_cast<std::streamsize>(kMeetRecordLength)) {
        r.problems.push_back({name, "競技 " + std::to_string(src.race) +
                                        " のレコードがありません (ファイルが短い)"});
      }
      heat = DecodeCompetitionRecord(record);
    }
  }
  r.program = heat.ProgramNo;
  r.heat = heat.HeatNo;
  r.heats = heat.HeatCount;
  r.sex = {TrimmedItem(heat.SexCode), SexLabel(heat.SexCode)};
  r.classLow = heat.ClassLow;
  r.classHigh = heat.ClassHigh;
  r.raceClass = {std::to_string(heat.ClassLow) + "-" + std::to_string(heat.ClassHigh),
                 ClassLabel(heat.ClassLow, heat.ClassHigh, src.classLabelMode)};
  r.eventCode = heat.EventCode;
  r.event = {std::to_string(heat.EventCode), EventLabel(heat.EventCode)};
  r.round = {TrimmedItem(heat.RoundCode), RoundLabel(heat.RoundCode)};
  for (int i = 0; i < kLanes; ++i) {
    r.lanes[i].entry = heat.EntryNo[i];
    r.lanes[i].meetRecord = heat.Record[i];
  }
}

// The file's bytes, or false with its problem noted under `name`.
bool NoteRead(FileRead read, const std::string& name, std::string& bytes, RaceResult& r,
              std::int64_t* modified = nullptr) {
  if (modified != nullptr && read.described) *modified = read.modified;
  switch (read.outcome) {
    case FileReadOutcome::Ok:
      bytes = std::move(read.bytes);
      return true;
    case FileReadOutcome::Missing:
      r.problems.push_back({name, "ありません"});
      return false;
    case FileReadOutcome::NotAFile:
      r.problems.push_back({name, "読めません: ファイルではありません"});
      return false;
    case FileReadOutcome::TooLarge:
      r.problems.push_back(
          {name, "読めません: 大きすぎます (" + std::to_string(read.size) + " バイト)"});
      return false;
    case FileReadOutcome::Failed:
      break;
  }
  // Opened and described, then the read failed.
  r.problems.push_back(
      {name, "読めません: " +
                 (read.described ? std::string("読み取りに失敗しました") : ErrnoText(read.error))});
  return false;
}

void LoadBookStatus(const RaceSources& src, RaceResult& r) {
  std::string bytes;
  FileReadOptions options;
  options.maxBytes = 1024 * 1024;
  if (!NoteRead(ReadFileBounded(src.bookFile, options), kBookFileName, bytes, r)) return;
  if (src.race < 1 || src.race > kBookRaces) return;
  if (static_cast<std::size_t>(src.race) > bytes.size()) return;
  const char c = bytes[src.race - 1];
  if (c != '\0') r.bookStatus = Cp932ToUtf8(std::string(1, c));
}

void LoadGoal(const RaceSources& src, const std::string* given, RaceResult& r) {
  const std::string name = GoalFileName(r.race);
  std::string bytes;
  if (given != nullptr) {
    bytes = *given;
  } else {
    std::int64_t modified = 0;
    if (!NoteRead(ReadGoalFile(src.goalFile), name, bytes, r, &modified)) return;
    r.finishedAt =
        IsoLocalTime(std::chrono::system_clock::from_time_t(static_cast<std::time_t>(modified)));
  }
  const GoalItems goal = ReadGoalItems(bytes);
  for (const std::string& p : goal.problems) r.problems.push_back({name, p});
  for (LaneResult& lane : r.lanes) {
    const GoalLane& g = goal.lanes[LaneIndex(lane.lane)];
    if (!g.read) continue;
    lane.goalRead = true;
    lane.rank = g.rank;
    lane.packed = g.value;
  }
}

void LoadLaps(const RaceSources& src, const std::string* given, RaceResult& r) {
  const std::string name = LapFileName(r.race);
  std::string bytes;
  if (given != nullptr) {
    bytes = *given;
  } else if (!NoteRead(ReadLapFile(src.lapFile), name, bytes, r)) {
    return;
  }
  LapItems laps = ReadLapItems(bytes);
  for (const std::string& p : laps.problems) r.problems.push_back({name, p});
  for (LaneResult& lane : r.lanes) lane.lapsRead = laps.lanesRead[LaneIndex(lane.lane)];
  for (LapItem& item : laps.records) {
    LaneResult& lane = r.lanes[LaneIndex(item.lane)];
    Split split;
    split.hundredths = TimeTextHundredths(item.timeText);
    split.text = std::move(item.timeText);
    split.kind = item.kind;
    split.distance = static_cast<int>(lane.splits.size() + 1) * src.metresPerLap;
    lane.splits.push_back(std::move(split));
  }
  // The console's finish: the lane's last record when it is one.
  for (LaneResult& lane : r.lanes) {
    if (!lane.splits.empty() && lane.splits.back().kind == 'G') {
      lane.consoleTime = lane.splits.back().hundredths;
    }
  }
}

}  // namespace

const char* LaneStatusName(LaneStatus status) {
  switch (status) {
    case LaneStatus::Time:
      return "time";
    case LaneStatus::Dq:
      return "dq";
    case LaneStatus::Withdrawn:
      return "withdrawn";
    case LaneStatus::NoTime:
      return "no_time";
    case LaneStatus::Unreadable:
      return "unreadable";
    case LaneStatus::NoFinish:
      return "no_finish";
  }
  return "unreadable";
}

RaceSources SourcesOf(const PathMapper& paths, const std::string& dataFolder,
                      const MeetSettings& settings, int race) {
  RaceSources s;
  s.race = race;
  s.meetFile = paths.Resolve(dataFolder + kMeetFileName);
  s.bookFile = paths.Resolve(dataFolder + kBookFileName);
  s.goalFile = paths.Resolve(dataFolder + GoalFileName(race));
  s.lapFile = paths.Resolve(dataFolder + LapFileName(race));
  s.classLabelMode = settings.ClassLabelMode;
  s.metresPerLap = MetresPerLap(settings.LapBaseCode, settings.LapDoubleCode);
  return s;
}

RaceSources SourcesOf(const MeetData& meet, int race) {
  return SourcesOf(meet.Paths(), meet.DataFolder, meet.Settings, race);
}

RaceResult LoadRaceResult(const RaceSources& sources) {
  return LoadRaceResult(sources, nullptr, nullptr);
}

RaceResult LoadRaceResult(const RaceSources& sources, const std::string* goalBytes,
                          const std::string* lapBytes) {
  RaceResult r;
  r.race = sources.race;
  r.raceText = RaceFileNumber(sources.race);
  for (int i = 0; i < kLanes; ++i) r.lanes[i].lane = i + 1;
  LoadHeader(sources, r);
  LoadBookStatus(sources, r);
  LoadGoal(sources, goalBytes, r);
  LoadLaps(sources, lapBytes, r);
  // The status of a lane without a time depends on its splits.
  for (LaneResult& lane : r.lanes) {
    if (lane.goalRead) ClassifyLaneValue(lane);
  }
  return r;
}

void ClassifyLaneValue(LaneResult& lane) {
  const std::int32_t v = lane.packed;
  lane.hundredths.reset();
  lane.dqCode = 0;
  lane.text = TrimmedItem(TimeText(v));
  if (IsTimeValue(v)) {
    lane.status = LaneStatus::Time;
    lane.hundredths = static_cast<std::int64_t>(v / 10000) * 6000 + (v / 100 % 100) * 100 + v % 100;
  } else if (IsDisqualifiedValue(v)) {
    lane.status = LaneStatus::Dq;
    lane.dqCode = v - kDisqualifiedBase;
  } else if (v == kWithdrawn && lane.entry != 0 && lane.meetRecord == kWithdrawn) {
    lane.status = LaneStatus::Withdrawn;
  } else if ((v == kWithdrawn || v == kNoTime) && lane.rank == 0 && !lane.splits.empty() &&
             lane.splits.back().kind == 'L') {
    lane.status = LaneStatus::NoFinish;
  } else {
    lane.status = LaneStatus::NoTime;
  }
}

namespace {

// The lane's watches and decision, and its backup flags when the race's
// watches are being looked at.
void ApplyBackup(LaneResult& lane, const LaneBackup& backup, bool judge, std::int64_t threshold) {
  lane.watches = backup.watches;
  lane.backup = BackupTime(backup.watches);
  lane.use = backup.use;
  lane.typed = backup.typed;
  lane.reason = backup.reason;
  if (!judge) return;
  BackupFacts facts;
  facts.entry = lane.entry != 0;
  facts.judged = lane.goalRead;
  facts.otherStatus = lane.status == LaneStatus::Dq || lane.status == LaneStatus::Withdrawn;
  facts.console = lane.consoleTime;
  facts.watches = backup.watches;
  lane.backupFlags = BackupFlags(facts, threshold);
  if (lane.use != TimeUse::Undecided) return;
  for (const std::string& word : lane.backupFlags) {
    lane.flags.push_back(word);
    if (lane.flagText.empty()) lane.flagText = BackupFlagText(word);
  }
}

}  // namespace

void ApplyDeskLanes(RaceResult& result, const DeskLanes& desk, std::int64_t threshold) {
  const bool judge = desk.AnyBackup();
  for (int i = 0; i < kLanes; ++i) {
    LaneResult& lane = result.lanes[static_cast<std::size_t>(i)];
    lane.flags = desk.flags[static_cast<std::size_t>(i)];
    lane.flagText = desk.flagText[static_cast<std::size_t>(i)];
    if (lane.goalRead && lane.packed == kWithdrawn) {
      if (desk.withdrawn[static_cast<std::size_t>(i)]) {
        lane.status = LaneStatus::Withdrawn;
      } else if (desk.noFinish[static_cast<std::size_t>(i)]) {
        lane.status = LaneStatus::NoFinish;
      } else if (lane.meetRecord != kWithdrawn) {
        lane.status = LaneStatus::NoTime;
      }
    }
    ApplyBackup(lane, desk.backups[static_cast<std::size_t>(i)], judge, threshold);
  }
}

bool DeskLanes::AnyBackup() const {
  for (const LaneBackup& b : backups) {
    if (!b.watches.empty()) return true;
  }
  return false;
}

std::string LaneResult::UsedWord() const {
  if (use != TimeUse::Undecided) return TimeUseWord(use);
  return consoleTime ? "console" : "";
}

std::vector<int> RaceResult::UndecidedLanes() const {
  std::vector<int> out;
  for (const LaneResult& lane : lanes) {
    if (lane.use == TimeUse::Undecided && !lane.backupFlags.empty()) out.push_back(lane.lane);
  }
  return out;
}

bool DeskLanes::AnyFlag() const {
  for (const auto& f : flags) {
    if (!f.empty()) return true;
  }
  return false;
}

bool RaceResult::Complete() const { return problems.empty() && FlaggedLanes().empty(); }

std::vector<int> RaceResult::FlaggedLanes() const {
  std::vector<int> out;
  for (const LaneResult& lane : lanes) {
    if (!lane.flags.empty()) out.push_back(lane.lane);
  }
  return out;
}

const char* FlagWord(LaneFlagged::Reason reason) {
  switch (reason) {
    case LaneFlagged::Reason::MissedTouch:
      return "missed_touch";
    case LaneFlagged::Reason::ExtraTouch:
      return "extra_touch";
    case LaneFlagged::Reason::EarlyFinish:
      return "early_finish";
    case LaneFlagged::Reason::SplitBackwards:
      return "split_backwards";
    case LaneFlagged::Reason::BeyondDistance:
      return "beyond_distance";
    case LaneFlagged::Reason::TooFast:
      return "too_fast";
    case LaneFlagged::Reason::LeaderMissed:
      return "leader_missed";
    case LaneFlagged::Reason::ConsoleRestart:
      return "console_restart";
    case LaneFlagged::Reason::Cleared:
    case LaneFlagged::Reason::Accepted:
      break;
  }
  return "";
}

std::string LaneFlagNote(const LaneResult& lane) {
  if (lane.flags.empty()) return {};
  return "要確認: " + (lane.flagText.empty() ? lane.flags.front() : lane.flagText);
}

std::string OpenFlagsNotice(const RaceResult& result) {
  const std::vector<int> lanes = result.FlaggedLanes();
  if (lanes.empty()) return {};
  std::string names;
  for (int lane : lanes) names += (names.empty() ? "" : "、") + std::to_string(lane);
  return "レース " + std::to_string(result.race) + " は確認待ちのコース (" + names +
         " コース) "
         "を残したまま終わりました。結果表示で確かめ、タッチを修正するか、そのまま受け入れてくださ"
         "い。";
}

DeskLanes DeskLanesOf(const RaceFinished& finished) {
  DeskLanes desk;
  for (int i = 0; i < kLanes; ++i) {
    desk.withdrawn[static_cast<std::size_t>(i)] = finished.withdrawn[static_cast<std::size_t>(i)];
    desk.noFinish[static_cast<std::size_t>(i)] = finished.noFinish[static_cast<std::size_t>(i)];
  }
  return desk;
}

std::optional<std::int64_t> TimeTextHundredths(const std::string& text) {
  const std::string t = TrimmedItem(text);
  const std::size_t colon = t.find(':');
  const std::size_t point = t.find('.');
  if (point == std::string::npos || t.size() - point - 1 != 2) return std::nullopt;
  if (colon != std::string::npos && colon > point) return std::nullopt;
  auto digits = [](std::string_view s, std::size_t maxLen, bool mayBeEmpty) -> std::optional<int> {
    if (s.size() > maxLen || (s.empty() && !mayBeEmpty)) return std::nullopt;
    int v = 0;
    for (char c : s) {
      if (c < '0' || c > '9') return std::nullopt;
      v = v * 10 + (c - '0');
    }
    return v;
  };
  const std::size_t secStart = colon == std::string::npos ? 0 : colon + 1;
  const auto minutes = colon == std::string::npos
                           ? std::optional<int>(0)
                           : digits(std::string_view(t).substr(0, colon), 2, false);
  const auto seconds =
      digits(std::string_view(t).substr(secStart, point - secStart), 2, colon == std::string::npos);
  const auto hundredths = digits(std::string_view(t).substr(point + 1), 2, false);
  if (!minutes || !seconds || !hundredths) return std::nullopt;
  return static_cast<std::int64_t>(*minutes) * 6000 + *seconds * 100 + *hundredths;
}

std::string IsoLocalTime(WallTime time) {
  const std::time_t t = std::chrono::system_clock::to_time_t(time);
  const LocalTimeOf local = LocalTime(t);
  char buf[40];
  std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S", &local.tm);
  // The offset in ISO 8601's extended form (+09:00), from the offset itself:
  // strftime's %z is the zone's name on Windows.
  const long offset = local.utcOffsetSeconds < 0 ? -local.utcOffsetSeconds : local.utcOffsetSeconds;
  char zone[16];
  std::snprintf(zone, sizeof zone, "%c%02ld:%02ld", local.utcOffsetSeconds < 0 ? '-' : '+',
                offset / 3600, offset % 3600 / 60);
  return std::string(buf) + zone;
}

std::string LaneResultText(const LaneResult& lane) {
  switch (lane.status) {
    case LaneStatus::Dq:
      return "失格 " + std::to_string(lane.dqCode) + "（" + lane.text + "）";
    case LaneStatus::Withdrawn:
      return "棄権";
    case LaneStatus::NoFinish:
      return "ゴール未検出";
    case LaneStatus::Unreadable:
      return "（読めません）";
    case LaneStatus::NoTime:
      return lane.packed == kWithdrawn || lane.packed == kNoTime ? "記録なし" : lane.text;
    default:
      return lane.text;
  }
}

std::shared_ptr<const RaceResult> PublicView(std::shared_ptr<const RaceResult> result,
                                             PublicNames mode) {
  if (!result || mode == PublicNames::Full) return result;
  auto copy = std::make_shared<RaceResult>(*result);
  for (LaneResult& lane : copy->lanes) lane.who = PublicEntry(lane.who, mode);
  return copy;
}

}  // namespace poolside
