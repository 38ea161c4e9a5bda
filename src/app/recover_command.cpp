#include "app/recover_command.h"

#include <chrono>
#include <exception>
#include <string>
#include <vector>

#include "app/export_setup.h"
#include "app/lease_gate.h"
#include "app/mirror_start.h"
#include "app/public_setup.h"
#include "capture/captured_races.h"
#include "export/command_feed.h"
#include "meetdata/meet_data.h"
#include "platform/cp932.h"
#include "platform/paths.h"
#include "recovery/race_retiming.h"
#include "recovery/recovered_race.h"
#include "results/race_result.h"

namespace poolside {

std::vector<std::string> ExportRetimed(const PathMapper& paths, const Retiming& retiming,
                                       const Options& options) {
  MeetData meet(paths);
  try {
    meet.ReadControlFile("..\\ctl\\dr_kyo.ctl");
    meet.LoadMeetSettings();
  } catch (const std::exception& e) {
    return {std::string("結果を書き出せません: ") + e.what()};
  }
  CommandFeed feed(meet, ExportEncodingOf(options), ResultRulesOf(options));
  feed.Publish(RecoveredRace(retiming, SourcesOf(meet, retiming.race)));
  for (const RetimedStatus& s : retiming.statuses) {
    feed.Publish(RaceStatusChanged{
        s.race, s.after == '\0' ? std::string() : Cp932ToUtf8(std::string(1, s.after))});
  }
  return feed.Finish();
}

int RunRecover(const Options& options, std::ostream& out, std::ostream& err) {
  if (!options.error.empty()) {
    err << options.error << "\n";
    return 2;
  }
  if ((options.take > 0) != (options.as > 0) || (options.apply && options.take == 0)) {
    err << "--take と --as は一緒に指定してください (--apply はその二つと一緒に)\n";
    return 2;
  }
  try {
    std::vector<std::string> skipped;  // empty or half-written files, named
    const std::vector<std::string> files = CaptureFiles(options.recover, skipped);
    for (const std::string& note : skipped) err << note << "\n";
    if (files.empty()) {
      err << "キャプチャファイルがありません\n";
      return 1;
    }
    const std::vector<CapturedRace> races = FindCapturedRaces(files);
    if (options.take == 0) {
      for (const CapturedRace& race : races) out << ListingLine(race) << "\n";
      if (races.empty()) err << files.front() << ": レースは記録されていません\n";
      return 0;
    }
    if (options.take > static_cast<int>(races.size())) {
      err << "記録されたレース " << options.take << " はありません (記録は " << races.size()
          << " レースです)\n";
      return 1;
    }
    PathMapper paths;
    for (const auto& [letter, dir] : options.drives) paths.MapDrive(letter, dir);
    const CapturedRace& captured = races[static_cast<std::size_t>(options.take - 1)];
    const Retiming retiming = RetimeRace(paths, files, captured, options.as);
    out << "take " << captured.index << " (race " << captured.race << ") as race " << options.as
        << (options.apply ? "" : " (preview: nothing written)") << "\n";
    out << DescribeRetiming(retiming);
    if (options.apply) {
      // Only one program writes the folder.
      std::unique_ptr<FolderLease> lease;
      if (!TakeLeaseForCommand(paths, "poolside --recover", options.takeOver, err, lease)) return 1;
      ApplyRetiming(retiming);
      out << "written\n";
      MirrorAfterCommand(paths, options.mirror, err);
      // Applied: an export that fails is told, the status stays 0.
      for (const std::string& failure : ExportRetimed(paths, retiming, options)) {
        err << failure << "\n";
      }
    }
    return 0;
  } catch (const std::exception& e) {
    err << e.what() << "\n";
    return 1;
  }
}

}  // namespace poolside
