#include "app/early_commands.h"

#include <algorithm>
#include <functional>
#include <iostream>
#include <memory>

#include "app/backups_command.h"
#include "app/compare_command.h"
#include "app/export_setup.h"
#include "app/lease_gate.h"
#include "app/mirror_start.h"
#include "app/option_table.h"
#include "app/options.h"
#include "app/promote_command.h"
#include "app/public_setup.h"
#include "app/recover_command.h"
#include "app/start_config.h"
#include "app/touches_command.h"
#include "export/race_export.h"
#include "meetdata/meet_data.h"
#include "platform/command_line.h"
#include "platform/paths.h"

#ifndef POOLSIDE_VERSION
#define POOLSIDE_VERSION "0.0.0"
#endif

namespace poolside {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  const std::vector<std::string> given = Utf8Arguments(argc, argv);
  std::vector<std::string> args;
  for (std::size_t i = 1; i < given.size(); ++i) {
    const std::string& a = given[i];
    if (a.size() > 1 && a[0] == '-' && a[1] != '-' && a != "-h") {
      // Qt's options; these three take a value.
      if ((a == "-platform" || a == "-display" || a == "-style") && i + 1 < given.size()) ++i;
      continue;
    }
    args.push_back(a);
  }
  return args;
}

namespace {

bool Asks(const std::vector<std::string>& args, const char* command) {
  return std::find(args.begin(), args.end(), command) != args.end();
}

std::optional<int> RunEarly(const Options& options, std::ostream& out, std::ostream& err) {
  if (!options.error.empty()) return std::nullopt;
  if (options.help) {
    out << HelpText();
    return 0;
  }
  if (options.version) {
    out << VersionText();
    return 0;
  }
  if (!options.compareLeft.empty()) return RunCompare(options, out, err);
  if (!options.verifyMirror.empty()) {
    PathMapper paths;
    for (const auto& [letter, dir] : options.drives) paths.MapDrive(letter, dir);
    const int status = VerifyMirror(paths, options.verifyMirror, out, err);
    out.flush();
    return status;
  }
  if (!options.exportAll) return std::nullopt;
  PathMapper paths;
  for (const auto& [letter, dir] : options.drives) paths.MapDrive(letter, dir);
  // The export is the folder's too: a desk writing it at the same moment
  // could see its newer file replaced by this one's older reading.
  std::unique_ptr<FolderLease> lease;
  if (!TakeLeaseForCommand(paths, "poolside --export-all", options.takeOver, err, lease)) {
    return 1;
  }
  MeetData meet(paths);
  const CsvEncoding encoding = ExportEncodingOf(options);
  const int status = ExportAllFinished(meet, encoding, out, ResultRulesOf(options));
  out.flush();
  MirrorAfterCommand(paths, options.mirror, err);
  return status;
}

}  // namespace

Options WindowlessOptions(const std::vector<std::string>& args,
                          const std::function<UserConfig()>& readConfig, std::ostream& err) {
  Options options = ParseOptions(args);
  const bool result = Asks(args, "--recover") || Asks(args, "--touches") ||
                      Asks(args, "--backups") || Asks(args, "--official") ||
                      Asks(args, "--export-all") || Asks(args, "--promote");
  if (!result || !options.error.empty() || !readConfig) return options;
  const UserConfig config = readConfig();
  const std::string mirror = options.mirror;
  std::vector<std::string> notes = config.problems;
  MergeUserConfig(options, config, &notes);
  for (const std::string& note : notes) err << note << "\n";
  // A promotion's --mirror names the copy that becomes the data folder: the
  // configuration's mirror is not that.
  if (Asks(args, "--promote")) options.mirror = mirror;
  return options;
}

std::optional<int> RunWindowlessCommand(const std::vector<std::string>& args, std::ostream& out,
                                        std::ostream& err,
                                        const std::function<UserConfig()>& readConfig) {
  const Options options = WindowlessOptions(args, readConfig, err);
  if (Asks(args, "--recover")) return RunRecover(options, out, err);
  if (Asks(args, "--promote")) return RunPromote(options, out, err);
  if (Asks(args, "--touches")) return RunTouches(options, args, out, err);
  if (Asks(args, "--backups")) return RunBackups(options, args, out, err);
  if (Asks(args, "--official")) return RunOfficial(options, args, out, err);
  return RunEarly(options, out, err);
}

std::string VersionText() { return std::string("poolside ") + POOLSIDE_VERSION + "\n"; }

std::string HelpText() {
  return "使い方 / usage: poolside [OPTION]...\n"
         "競泳大会の計時席プログラム: 計時盤 (RS-232) から記録を受信し、\n"
         "ラップ・ゴールファイルとレース状況 (Race.dat) を書きます。\n"
         "The timing desk of a swimming meet: reads the timing console over RS-232\n"
         "and writes the lap and goal files and the race status book.\n"
         "\n" +
         OptionHelpLines() +
         "\n"
         "The data folder is found through ..\\ctl\\dr_kyo.ctl relative to the\n"
         "working folder. See man poolside and the README.\n";
}

std::string UsageText() {
  return "使い方 / usage: poolside [-platform offscreen] [--drive X=DIR]... [--com N=DEVICE]...\n"
         "                [--script FILE] [--competition] [--http [ADDR:]PORT] [OPTION]...\n"
         "       poolside --recover FILE|DIR... [--take K --as N [--apply]]\n"
         "       poolside --backups N [--lane L [--watch T...] [--use WHICH --reason TEXT]"
         " [--apply]]\n"
         "       poolside --official N [--apply]\n"
         "       poolside --shadow FOLDER [OPTION]...\n"
         "       poolside --compare DIR_A DIR_B | --promote FOLDER [--mirror DIR]\n"
         "       poolside --export-all | --version | --help\n"
         "オプションの一覧は poolside --help (the options: poolside --help)\n";
}

std::optional<int> RunEarlyCommand(const std::vector<std::string>& args, std::ostream& out) {
  return RunEarly(ParseOptions(args), out, std::cerr);
}

}  // namespace poolside
