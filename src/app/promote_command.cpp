#include "app/promote_command.h"

#include <chrono>
#include <cstdio>

#include "app/lease_gate.h"
#include "app/mirror_start.h"
#include "app/recover_command.h"
#include "capture/captured_races.h"
#include "meetdata/shadow_folder.h"
#include "platform/file_system.h"
#include "platform/local_time.h"
#include "platform/record_file.h"
#include "recovery/promotion.h"
#include "recovery/race_retiming.h"
#include "vocabulary/data_folder.h"

namespace poolside {

namespace {

constexpr std::size_t kMaxJournalBytes = 16 * 1024 * 1024;

std::string NowText() {
  const auto now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  const LocalTimeOf t = LocalTime(now);
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.tm.tm_year + 1900,
                t.tm.tm_mon + 1, t.tm.tm_mday, t.tm.tm_hour, t.tm.tm_min, t.tm.tm_sec);
  return text;
}

std::string Trimmed(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

// The journal grows by one line per promotion, replaced whole.
void JournalPromotion(const std::string& target, const std::string& line) {
  const std::string path = target + "/" + kPromotionJournalName;
  std::string text = FileExists(path) ? ReadWholeFile(path, kMaxJournalBytes) : std::string();
  ReplaceFileAtomically(path, text + line + "\n");
}

}  // namespace

Promotion PromoteShadow(const PathMapper& paths, const std::string& shadowGiven,
                        const std::string& captureFolder, const Options& options, std::ostream& out,
                        std::ostream& err, std::unique_ptr<FolderLease>& lease) {
  const std::string shadow = Trimmed(paths.Resolve(shadowGiven));
  const std::string marker = shadow + "/" + kShadowFileName;
  if (!FileExists(marker)) {
    err << "控えのフォルダではありません (" << kShadowFileName << " がありません): " << shadow
        << "\n";
    return {};
  }
  const std::string target = Trimmed(DataFolderOf(paths));
  if (target.empty()) {
    err << "制御ファイル ..\\ctl\\dr_kyo.ctl を読めません\n";
    return {};
  }
  if (!PathExists(target)) {
    err << "昇格先のフォルダがありません: " << target << "\n";
    return {};
  }
  if (target == shadow) {
    err << "控えのフォルダには昇格できません: " << target << "\n";
    return {};
  }
  const std::string captures =
      captureFolder.empty() ? paths.Resolve(shadow + "/" + kCaptureFolderName) : captureFolder;
  try {
    std::vector<std::string> notes;
    const std::vector<std::string> files = CaptureFiles({captures}, notes);
    for (const std::string& note : notes) err << note << "\n";
    if (files.empty()) {
      err << "控えのキャプチャがありません: " << captures << "\n";
      return {};
    }
    // One writer: the folder promoted into is ours from here on.
    if (!TakeLeaseForCommand(paths, "poolside --promote", options.takeOver, err, lease)) return {};
    const std::string bookPath = paths.Resolve(target + "/" + kBookFileName);
    const std::string book = FileExists(bookPath) ? ReadWholeFile(bookPath) : std::string();
    const PromotionPlan plan = PlanPromotion(book, FindCapturedRaces(files));
    int status = 0;
    PromotionPlan done;
    done.open = plan.open;
    for (const PromotedRace& p : plan.retime) {
      try {
        const Retiming retiming = RetimeRace(paths, files, p.captured, p.race);
        ApplyRetiming(retiming);
        done.retime.push_back(p);
        out << "race " << p.race << ": re-timed from captured race " << p.captured.index << " ("
            << p.captured.start << " - " << p.captured.end << ")\n";
        for (const std::string& failure : ExportRetimed(paths, retiming, options)) {
          err << failure << "\n";
        }
      } catch (const std::exception& e) {
        err << "レース " << p.race << " を写せません: " << e.what() << "\n";
        status = 1;
      }
    }
    for (const CapturedRace& c : plan.open) {
      out << "race " << c.race << ": not finished in the capture, left open (once it is over: "
          << "poolside --recover " << captures << " --take " << c.index << " --as " << c.race
          << " --apply)\n";
    }
    JournalPromotion(target, PromotionJournalLine(NowText(), HostName(), UserName(), shadow, done));
    out << "promoted: " << shadow << " -> " << target << "\n";
    return {status, true};
  } catch (const std::exception& e) {
    err << e.what() << "\n";
    return {};
  }
}

int RunPromote(const Options& options, std::ostream& out, std::ostream& err) {
  if (!options.error.empty()) {
    err << options.error << "\n";
    return 2;
  }
  PathMapper paths;
  for (const auto& [letter, dir] : options.drives) paths.MapDrive(letter, dir);
  // The meet's folder was on the lost PC: its copy becomes the desk's folder.
  if (!options.mirror.empty()) paths.MapDataFolder(paths.Resolve(options.mirror));
  std::unique_ptr<FolderLease> lease;
  const Promotion done =
      PromoteShadow(paths, options.promote, options.capture, options, out, err, lease);
  out.flush();
  return done.status;
}

}  // namespace poolside
