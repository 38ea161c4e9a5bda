#include "capture/capture_journal.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "capture/capture_format.h"
#include "platform/fs_path.h"
#include "platform/local_time.h"
#include "platform/os_calls.h"

namespace poolside {

using namespace capture;

namespace {

std::string JoinInts(const int* values, std::size_t n) {
  std::string out;
  for (std::size_t i = 0; i < n; ++i) {
    if (i) out += ',';
    out += std::to_string(values[i]);
  }
  return out;
}

std::string Num(long long v) { return std::to_string(v); }

// How reception took the block, for a person reading the file.
std::string BlockKindField(BlockKind kind) {
  switch (kind) {
    case BlockKind::Clock:
      return " kind=clock";
    case BlockKind::Result:
      return " kind=result";
    case BlockKind::Ignored:
      return " kind=ignored";
    case BlockKind::Noise:
      return " kind=noise";
    case BlockKind::OutOfStep:
      return " kind=out_of_step";
  }
  return "";
}

// The fields of one event's line (blocks are written by the journal itself).
struct FieldsOf {
  std::string operator()(const RaceShown& e) const {
    return "race=" + Num(e.race) + " status=" + Quoted(CutUtf8(e.status)) +
           " program=" + Num(e.program) + " heat=" + Num(e.heat) + " heats=" + Num(e.heats);
  }
  std::string operator()(const ReceptionStarted& e) const {
    return "port=" + Num(e.port) + " device=" + Quoted(CutUtf8(e.device)) +
           " lanes=" + Quoted(e.laneMap.substr(0, kLanes), true);
  }
  std::string operator()(const ReceptionStopped& e) const {
    return "port=" + Num(e.port) + " device=" + Quoted(CutUtf8(e.device));
  }
  std::string operator()(const BlockRead&) const { return {}; }
  std::string operator()(const BytesReceived&) const { return {}; }
  std::string operator()(const ClockShown&) const { return {}; }
  std::string operator()(const LaneTouched& e) const {
    return "lane=" + Num(e.lane) + " rank=" + Num(e.rank) + " time=" + Quoted(CutUtf8(e.timeText)) +
           " laps=" + Num(e.laps) + " finish=" + (e.finish ? "1" : "0");
  }
  std::string operator()(const ManualEntryStored& e) const {
    return "race=" + Num(e.race) + " lane=" + Num(e.lane) + " value=" + Num(e.value) +
           " text=" + Quoted(CutUtf8(e.text));
  }
  std::string operator()(const RaceFinished& e) const {
    std::array<int, kLanes> times{};
    for (int i = 0; i < kLanes; ++i) times[i] = static_cast<int>(e.time[i]);
    std::vector<int> targets(e.combinedTargets.begin(), e.combinedTargets.end());
    if (targets.size() > 64) targets.resize(64);
    return "race=" + Num(e.race) + " ranks=\"" + JoinInts(e.rank.data(), e.rank.size()) +
           "\" times=\"" + JoinInts(times.data(), times.size()) +
           "\" goal=" + Quoted(CutUtf8(e.goalFile)) + " lap=" + Quoted(CutUtf8(e.lapFile)) +
           " combined=\"" + JoinInts(targets.data(), targets.size()) + "\"";
  }
  std::string operator()(const RaceStatusChanged& e) const {
    return "race=" + Num(e.race) + " status=" + Quoted(CutUtf8(e.status));
  }
  std::string operator()(const LinkHealth& e) const {
    static const char* const kStates[] = {"fine", "silence", "noise", "vanished"};
    return "port=" + Num(e.port) + " state=" + kStates[static_cast<int>(e.state)] +
           " seconds=" + Num(e.seconds) + " message=" + Quoted(CutUtf8(e.message));
  }
  std::string operator()(const PortProblem& e) const {
    return "port=" + Num(e.port) + " message=" + Quoted(CutUtf8(e.message));
  }
  std::string operator()(const TouchesRepaired& e) const { return RepairFields(e); }
  std::string operator()(const LaneFlagged& e) const {
    return "race=" + Num(e.race) + " lane=" + Num(e.lane) + " reason=accepted";
  }
  std::string operator()(const RaceResultChanged&) const { return {}; }
  std::string operator()(const RaceRestarted& e) const {
    static const char* const kChoices[] = {"start_over", "same_race", "next_race", "held"};
    return "race=" + Num(e.race) + " choice=" + kChoices[static_cast<int>(e.choice)] +
           " console=" + (e.console ? "1" : "0");
  }
  std::string operator()(const BackupsRecorded& e) const {
    std::string watches;
    for (std::int64_t t : e.watches) watches += (watches.empty() ? "" : ",") + Num(t);
    std::vector<int> targets(e.combinedTargets.begin(), e.combinedTargets.end());
    if (targets.size() > 64) targets.resize(64);
    return "race=" + Num(e.race) + " lane=" + Num(e.lane) + " watches=\"" + watches +
           "\" use=" + Quoted(e.use) + " typed=" + Num(e.typed) +
           " reason=" + Quoted(CutUtf8(e.reason)) + " at=" + Quoted(e.at) + " combined=\"" +
           JoinInts(targets.data(), targets.size()) + "\"";
  }
  std::string operator()(const RaceSignedOff& e) const {
    return "race=" + Num(e.race) + " official=" + (e.official ? "1" : "0") + " at=" + Quoted(e.at);
  }
};

}  // namespace

CaptureJournal::CaptureJournal(const ProgramStart& start)
    : origin_(std::chrono::steady_clock::now()), startWall_(std::chrono::system_clock::now()) {
  std::string args;
  for (const std::string& a : start.args) {
    if (!args.empty()) args += ' ';
    args += a;
  }
  Emit("start", startWall_, origin_,
       "version=" + Quoted(CutUtf8(start.version)) + " args=" + Quoted(CutUtf8(args)));
}

CaptureJournal::~CaptureJournal() { Close(); }

std::string CaptureJournal::FileName(WallTime start, int attempt) {
  const std::time_t tt = std::chrono::system_clock::to_time_t(start);
  const std::tm local = LocalTime(tt).tm;
  char name[40];
  std::strftime(name, sizeof name, "%Y%m%d-%H%M%S", &local);
  std::string out = name;
  if (attempt > 1) out += "-" + std::to_string(attempt);
  return out + ".cap";
}

bool CaptureJournal::Open(const std::string& folder) {
  if (fd_ >= 0 || failed_) return fd_ >= 0;
  std::error_code ec;
  std::filesystem::create_directories(FsPath(folder), ec);
  if (ec) {
    Fail("キャプチャフォルダ " + folder + " を作成できません。(" + ec.message() + ")");
    return false;
  }
  for (int attempt = 1; attempt <= 100; ++attempt) {
    const std::string path = JoinNative(folder, FileName(startWall_, attempt));
    const int fd = CreateToAppend(path.c_str());
    if (fd >= 0) {
      fd_ = fd;
      path_ = path;
      break;
    }
    if (errno != EEXIST) {
      Fail("キャプチャファイル " + path + " を作成できません。(" + std::strerror(errno) + ")");
      return false;
    }
  }
  if (fd_ < 0) {
    Fail("キャプチャファイルを " + folder + " に作成できません。(同じ名前のファイルがあります)");
    return false;
  }
  WriteLine(kHeader);
  for (const std::string& line : held_) {
    if (fd_ < 0) break;
    WriteLine(line);
  }
  held_.clear();
  held_.shrink_to_fit();
  return fd_ >= 0;
}

void CaptureJournal::Close() {
  if (fd_ >= 0) Os().close(fd_);
  fd_ = -1;
}

void CaptureJournal::OnRaceEvent(const RaceEvent& event) {
  if (failed_) return;
  if (const auto* block = std::get_if<BlockRead>(&event)) {
    std::string_view rest = block->bytes;
    // A read longer than one line goes on in "block+" lines, so that a
    // line keeps its bounded size and the reader can join them again.
    do {
      const std::string_view part = rest.substr(0, kBlockBytesPerLine);
      rest.remove_prefix(part.size());
      Emit(rest.empty() ? "block" : "block+", block->wall, block->mono,
           "n=" + std::to_string(part.size()) + " hex=" + HexOf(part) +
               " text=" + Quoted(part, true) + (rest.empty() ? BlockKindField(block->kind) : ""));
    } while (!rest.empty() && !failed_);
    return;
  }
  if (const auto* piece = std::get_if<BytesReceived>(&event)) {
    // A piece as the line delivered it; a long one in several lines, each a
    // piece of its own with the same time.
    std::string_view rest = piece->bytes;
    while (!rest.empty() && !failed_) {
      const std::string_view part = rest.substr(0, kBlockBytesPerLine);
      rest.remove_prefix(part.size());
      Emit("received", piece->wall, piece->mono,
           "n=" + std::to_string(part.size()) + " hex=" + HexOf(part) +
               " text=" + Quoted(part, true));
    }
    return;
  }
  // The clock and the flags of suspicious touches follow from the blocks,
  // a race's result from its files; only the operator's acceptance of a
  // flagged lane is the operator's own.
  if (const auto* flag = std::get_if<LaneFlagged>(&event);
      flag && flag->reason != LaneFlagged::Reason::Accepted) {
    return;
  }
  if (std::holds_alternative<ClockShown>(event) ||
      std::holds_alternative<RaceResultChanged>(event)) {
    return;
  }
  // A recovery's finish is no event of this run's console: the blocks it
  // was re-timed from are in a capture already, and the status lines that
  // follow it keep what it changed. Journaled, it would end the captured
  // stretch of the race on screen.
  if (const auto* finished = std::get_if<RaceFinished>(&event); finished && finished->recovered) {
    return;
  }
  Emit(EventKindName(event), std::chrono::system_clock::now(), std::chrono::steady_clock::now(),
       std::visit(FieldsOf{}, event));
}

void CaptureJournal::Emit(std::string_view kind, WallTime wall, MonoTime mono,
                          std::string_view fields) {
  const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(mono - origin_).count();
  std::string line = WallText(wall) + " " + MonoText(micros) + " " + std::string(kind);
  if (!fields.empty()) line += " " + std::string(fields);
  if (fd_ >= 0) {
    WriteLine(line);
  } else if (!failed_ && held_.size() < kMaxHeldLines) {
    held_.push_back(std::move(line));
  }
}

void CaptureJournal::WriteLine(const std::string& text) {
  const std::string line = text + "\n";
  std::size_t done = 0;
  while (done < line.size()) {
    const ssize_t w = Os().write(fd_, line.data() + done, line.size() - done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) {
      Fail("キャプチャファイル " + path_ + " に書き込めません。受信は続けます。(" +
           std::strerror(w < 0 ? errno : ENOSPC) + ")");
      return;
    }
    done += static_cast<std::size_t>(w);
  }
}

void CaptureJournal::Fail(const std::string& message) {
  Close();
  held_.clear();
  if (failed_) return;
  failed_ = true;
  if (onFailure) onFailure(message);
}

}  // namespace poolside
