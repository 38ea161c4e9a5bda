#include "app/backups_command.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <exception>
#include <memory>
#include <optional>

#include "app/capture_setup.h"
#include "app/export_setup.h"
#include "app/lane_change.h"
#include "app/lease_gate.h"
#include "app/mirror_start.h"
#include "app/public_setup.h"
#include "capture/capture_journal.h"
#include "export/command_feed.h"
#include "meetdata/meet_data.h"
#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/fs_path.h"
#include "platform/paths.h"
#include "results/backup_sheet.h"
#include "results/backup_times.h"
#include "vocabulary/data_folder.h"
#include "vocabulary/race_status.h"

namespace poolside {

namespace {

// The meet's folder as the options map it.
struct Meet {
  PathMapper paths;
  std::unique_ptr<MeetData> meet;
};

Meet OpenMeet(const Options& options) {
  Meet m;
  for (const auto& [letter, dir] : options.drives) m.paths.MapDrive(letter, dir);
  m.meet = std::make_unique<MeetData>(m.paths);
  m.meet->ReadControlFile("..\\ctl\\dr_kyo.ctl");
  m.meet->LoadMeetSettings();
  return m;
}

std::string Now() { return IsoLocalTime(std::chrono::system_clock::now()); }

// The change as a line of a capture file of this run, as the desk journals
// it, so that re-timing the race applies it again.
void Journal(const Options& options, const std::vector<std::string>& args, const MeetData& meet,
             const RaceEvent& event, std::ostream& err) {
  if (options.noCapture) return;
  CaptureJournal journal(ProgramStart{ProgramVersion(), args});
  journal.onFailure = [&err](const std::string& text) { err << text << "\n"; };
  if (!journal.Open(options.capture.empty() ? meet.DataPath(kCaptureFolderName) : options.capture))
    return;
  journal.OnRaceEvent(event);
  journal.Close();
}

void Tell(CommandFeed& feed, std::ostream& err) {
  for (const std::string& failure : feed.Finish()) err << failure << "\n";
}

std::string LaneList(const std::vector<int>& lanes) {
  std::string out;
  for (int lane : lanes) out += (out.empty() ? "" : ", ") + std::to_string(lane);
  return out;
}

SlipWriter& Writer() {
  static SlipWriter writer;
  return writer;
}

}  // namespace

void SetSlipWriter(SlipWriter writer) { Writer() = std::move(writer); }

std::string SlipPath(const MeetData& meet, int race) {
  return JoinNative(meet.DataPath(kExportFolderName), "r" + RaceFileNumber(race) + "-slip.pdf");
}

void WriteSlip(const MeetData& meet, const RaceResult& result, std::ostream& out,
               std::ostream& err) {
  if (!Writer()) {
    err << "時間調整票 (PDF) は poolside が書きます (poolside-cli writes no slip)\n";
    return;
  }
  const std::string path = SlipPath(meet, result.race);
  const std::string folder = NativeFolderOf(path);
  if (const FolderMade made = MakeFolder(folder); !made.ok) {
    err << "フォルダを作れません: " << folder << "\n";
    return;
  }
  if (const std::string failure = Writer()(result, path); !failure.empty()) {
    err << failure << "\n";
    return;
  }
  out << "時間調整票: " << path << "\n";
}

int RunBackups(const Options& options, const std::vector<std::string>& args, std::ostream& out,
               std::ostream& err) {
  if (!options.error.empty()) {
    err << options.error << "\n";
    return 2;
  }
  const bool deciding = !options.use.empty();
  const bool changing = options.watchGiven || deciding;
  if (changing != (options.lane > 0) || (options.apply && !changing) ||
      (options.reasonGiven && !deciding)) {
    err << "--lane と --watch か --use は一緒に指定してください (--reason は --use と、"
           "--apply はその二つと一緒に)\n";
    return 2;
  }
  if (deciding && options.use != "console" &&
      options.reason.find_first_not_of(' ') == std::string::npos) {
    err << "計時以外の時間を使うには理由が必要です: --reason TEXT (a reason is needed)\n";
    return 2;
  }
  try {
    Meet m = OpenMeet(options);
    MeetData& meet = *m.meet;
    const int race = options.backups;
    CommandFeed feed(meet, ExportEncodingOf(options), ResultRulesOf(options));
    const auto before = feed.Results().ResultOf(race);
    if (!changing) {
      out << "race " << race << (before->official ? " 公式" : " 速報") << "\n"
          << BackupListing(*before);
      return 0;
    }
    LaneChange change =
        PlanLaneChange(meet, *before, options.lane,
                       options.watchGiven ? std::optional<std::vector<std::string>>(options.watches)
                                          : std::nullopt,
                       options.use, options.reason);
    out << (options.apply ? "" : "(preview: nothing written)\n") << DescribeLaneChange(change);
    if (!options.apply) {
      if (deciding && before->official) {
        out << "レース " << race << " は公式です: --apply で書くと速報に戻ります\n";
      }
      return 0;
    }
    std::unique_ptr<FolderLease> lease;
    if (!TakeLeaseForCommand(m.paths, "poolside --backups", options.takeOver, err, lease)) return 1;
    // The capture's line first: a decision cut short is applied again by a
    // recovery of the race.
    ApplyLaneChange(meet, change,
                    [&](const RaceEvent& event) { Journal(options, args, meet, event, err); });
    feed.Publish(change.event);
    out << "written\n";
    if (deciding && before->official) {
      out << "レース " << race << " は速報に戻りました (もう一度 --official で公式にします)\n";
    }
    Tell(feed, err);
    if (deciding) WriteSlip(meet, *feed.Results().ResultOf(race), out, err);
    MirrorAfterCommand(m.paths, options.mirror, err);
    return 0;
  } catch (const std::exception& e) {
    err << e.what() << "\n";
    return 1;
  }
}

int RunOfficial(const Options& options, const std::vector<std::string>& args, std::ostream& out,
                std::ostream& err) {
  if (!options.error.empty()) {
    err << options.error << "\n";
    return 2;
  }
  try {
    Meet m = OpenMeet(options);
    MeetData& meet = *m.meet;
    const int race = options.official;
    CommandFeed feed(meet, ExportEncodingOf(options), ResultRulesOf(options));
    const auto result = feed.Results().ResultOf(race);
    if (!IsRaceDone(result->bookStatus)) {
      err << "レース " << race << " はまだ終わっていません (公式にできません)\n";
      return 1;
    }
    std::vector<int> open = result->UndecidedLanes();
    for (int lane : result->FlaggedLanes()) {
      if (std::find(open.begin(), open.end(), lane) == open.end()) open.push_back(lane);
    }
    std::sort(open.begin(), open.end());
    out << "race " << race << (result->official ? " 公式 " + result->officialAt : " 速報") << "\n";
    if (!open.empty()) out << "決定のないフラグのコース: " << LaneList(open) << "\n";
    if (!options.apply) {
      out << "(preview: nothing written)\n";
      return 0;
    }
    std::unique_ptr<FolderLease> lease;
    if (!TakeLeaseForCommand(m.paths, "poolside --official", options.takeOver, err, lease))
      return 1;
    const RaceSignedOff signedOff{race, true, Now()};
    Journal(options, args, meet, signedOff, err);
    feed.Publish(signedOff);
    if (!open.empty()) out << "フラグのコースを残したまま公式にしました (審判長の判断)\n";
    out << "レース " << race << " は公式です\n";
    Tell(feed, err);
    MirrorAfterCommand(m.paths, options.mirror, err);
    return 0;
  } catch (const std::exception& e) {
    err << e.what() << "\n";
    return 1;
  }
}

}  // namespace poolside
