#include "app/touches_command.h"

#include <chrono>
#include <exception>
#include <string>

#include "app/capture_setup.h"
#include "app/export_setup.h"
#include "app/lease_gate.h"
#include "app/mirror_start.h"
#include "app/public_setup.h"
#include "capture/capture_journal.h"
#include "export/command_feed.h"
#include "finish/race_files.h"
#include "finish/touch_repair.h"
#include "meetdata/meet_data.h"
#include "platform/errors.h"
#include "platform/paths.h"
#include "platform/record_file.h"
#include "recovery/interrupted_repair.h"
#include "vocabulary/data_folder.h"
#include "vocabulary/lap_goal_files.h"

namespace poolside {

namespace {

void ListTouches(const MeetData& meet, int race, std::ostream& out) {
  const std::string path = LapPath(meet, race);
  const LapTouches parsed = ParseLapText(LapFileBytes(path));
  if (!parsed.problem.empty()) throw IoError("ラップファイル " + path + ": " + parsed.problem);
  out << "race " << race << " file " << path << "\n";
  for (int lane = 1; lane <= kLanes; ++lane) {
    const std::vector<std::string> lines = LaneTouchLines(parsed.touches, lane);
    if (lines.empty()) continue;
    out << "lane " << lane << "\n";
    for (const std::string& line : lines) out << "  " << line << "\n";
  }
}

// The repair as a marker in a capture file of this run, as the timing
// window journals its repairs, so that re-timing the race makes it again.
void JournalRepair(const Options& options, const std::vector<std::string>& args,
                   const MeetData& meet, const TouchesRepaired& repaired, std::ostream& err) {
  if (options.noCapture) return;
  CaptureJournal journal(ProgramStart{ProgramVersion(), args});
  journal.onFailure = [&err](const std::string& text) { err << text << "\n"; };
  if (!journal.Open(options.capture.empty() ? meet.DataPath(kCaptureFolderName) : options.capture))
    return;
  journal.OnRaceEvent(repaired);
  journal.Close();
}

}  // namespace

int RunTouches(const Options& options, const std::vector<std::string>& args, std::ostream& out,
               std::ostream& err) {
  if (!options.error.empty()) {
    err << options.error << "\n";
    return 2;
  }
  TouchRepair repair;
  repair.race = options.touches;
  repair.lane = options.lane;
  const bool repairing = !options.repair.empty();
  if (repairing != (options.lane > 0) || (options.apply && !repairing)) {
    err << "--lane と修正 (--drop, --insert-after, --as-finish, --as-lap) は一緒に指定してください"
           " (--apply はその二つと一緒に)\n";
    return 2;
  }
  if (repairing && !ParseRepairWords(options.repair, repair)) {
    err << "修正の指定が正しくありません: --" << options.repair
        << " (K は 1 から、--insert-after は 0 から; TIME は 1:02.34 の形)\n";
    return 2;
  }
  try {
    PathMapper paths;
    for (const auto& [letter, dir] : options.drives) paths.MapDrive(letter, dir);
    MeetData meet(paths);
    meet.ReadControlFile("..\\ctl\\dr_kyo.ctl");
    meet.LoadMeetSettings();
    if (!repairing) {
      ListTouches(meet, options.touches, out);
      return 0;
    }
    const auto journal = [&](const TouchesRepaired& e) {
      JournalRepair(options, args, meet, e, err);
    };
    std::unique_ptr<FolderLease> lease;
    if (options.apply) {
      // Only one program writes the folder.
      if (!TakeLeaseForCommand(paths, "poolside --touches", options.takeOver, err, lease)) return 1;
      // A repair interrupted before is completed first; the same command
      // run again completes it and stops there.
      if (const auto interrupted = CompleteInterruptedRepair(meet, journal)) {
        err << interrupted->message << "\n";
        if (!interrupted->completed) return 1;
        const TouchRepair& done = interrupted->intent.repair;
        CommandFeed feed(meet, ExportEncodingOf(options), ResultRulesOf(options));
        feed.Publish(RepairEventOf(interrupted->intent));
        for (const std::string& failure : feed.Finish()) err << failure << "\n";
        if (done.race == repair.race && done.lane == repair.lane &&
            RepairWords(done) == RepairWords(repair)) {
          out << "written\n";
          return 0;
        }
      }
    } else if (FileExists(meet.DataPath(kPendingRepairName))) {
      err << "中断された修正が " << meet.DataPath(kPendingRepairName)
          << " にあります (--apply か次の起動で完了します)\n";
    }
    const RepairPlan plan = PlanRepair(meet, repair);
    out << (options.apply ? "" : "(preview: nothing written)\n") << DescribeRepairPlan(plan);
    if (!options.apply) return 0;
    // One step: the intent, the capture's line, then the files.
    const TouchesRepaired event = RepairedEvent(
        plan, MetresPerLap(meet.Settings.LapBaseCode, meet.Settings.LapDoubleCode), false);
    const RepairIntent intent = IntentOf(meet, plan, event);
    ApplyRepairInOneStep(meet, intent, [&] { journal(RepairEventOf(intent)); });
    out << "written\n";
    MirrorAfterCommand(paths, options.mirror, err);
    // What the result's owner, the export and the desk's knowledge of the
    // lane follow from, as a desk's repair.
    CommandFeed feed(meet, ExportEncodingOf(options), ResultRulesOf(options));
    feed.Publish(RepairEventOf(intent));
    // Applied: an export that fails is told, the status stays 0.
    for (const std::string& failure : feed.Finish()) err << failure << "\n";
    return 0;
  } catch (const std::exception& e) {
    err << e.what() << "\n";
    return 1;
  }
}

}  // namespace poolside
