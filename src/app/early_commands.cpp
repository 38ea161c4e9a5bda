#include "app/early_commands.h"

#include "app/options.h"
#include "export/race_export.h"
#include "meetdata/meet_data.h"
#include "platform/paths.h"

#ifndef POOLSIDE_VERSION
#define POOLSIDE_VERSION "0.0.0"
#endif

namespace poolside {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a.size() > 1 && a[0] == '-' && a[1] != '-' && a != "-h") {
      // Qt's options; these three take a value.
      if ((a == "-platform" || a == "-display" || a == "-style") && i + 1 < argc) ++i;
      continue;
    }
    args.push_back(a);
  }
  return args;
}

std::string VersionText() { return std::string("poolside ") + POOLSIDE_VERSION + "\n"; }

std::string HelpText() {
  return "使い方 / usage: poolside [OPTION]...\n"
         "競泳大会の計時席プログラム: 計時盤 (RS-232) から記録を受信し、\n"
         "ラップ・ゴールファイルとレース状況 (Race.dat) を書きます。\n"
         "The timing desk of a swimming meet: reads the timing console over RS-232\n"
         "and writes the lap and goal files and the race status book.\n"
         "\n"
         "  -platform offscreen      run without a display (Qt's own option)\n"
         "  --drive X=DIR            drive X: of the meet office's paths is folder DIR\n"
         "                           (default /mnt/x)\n"
         "  --com N=DEVICE           serial port N is DEVICE (default /dev/ttyS{N-1})\n"
         "  --competition            also open the competition screen\n"
         "  --script FILE            run an automation script against the windows\n"
         "  --print-to-pdf FILE      print into a PDF file instead of the printer\n"
         "  --screenshot FILE        save the windows as PNG images and exit\n"
         "  --export-encoding ENC    CSV of the per-race export: utf8 (with BOM,\n"
         "                           the default) or cp932\n"
         "  --export-all             write export\\rNNNN.json and .csv for every race\n"
         "                           marked 6 in Race.dat, then exit (no window)\n"
         "  --capture DIR            keep the capture journal in DIR (default: the\n"
         "                           folder capture in the data folder)\n"
         "  --no-capture             keep no capture journal\n"
         "  --com N=replay:FILE[@S]  port N plays a capture file (S times faster; @0 at once)\n"
         "  --recover FILE|DIR       list the races of a capture and exit (no window);\n"
         "    --take K --as N        print what re-timing captured race K as race N writes\n"
         "    --apply                and write it\n"
         "  --touches N              list race N's touches per lane and exit (no window);\n"
         "    --lane L --drop K      print what removing lane L's touch K writes,\n"
         "    --lane L --insert-after K [TIME]  inserting one after touch K (0: before\n"
         "                           the first; no TIME: time unknown),\n"
         "    --lane L --as-finish K | --as-lap K  making touch K the finish or a lap\n"
         "    --apply                and write it\n"
         "  --http [ADDR:]PORT       serve the live pages (scoreboard, results, WebSocket\n"
         "                           feed) on ADDR:PORT; off by default\n"
         "  --mqtt HOST[:PORT]       publish the race to an MQTT broker (port 1883);\n"
         "                           off by default: no connection is made\n"
         "  --mqtt-prefix PREFIX     first level of the topics (default poolside)\n"
         "  --mqtt-auth FILE         broker user (line 1) and password (line 2) from\n"
         "                           FILE, which only its owner may read\n"
         "  --mqtt-cafile FILE       TLS to the broker, its certificate checked with FILE\n"
         "  --relay HOST[:PORT]      no window, no port: serve the live pages of --http\n"
         "                           from the broker's race (with --mqtt-prefix)\n"
         "  --version                print the version and exit\n"
         "  -h, --help               print this help and exit\n"
         "\n"
         "The data folder is found through ..\\ctl\\dr_kyo.ctl relative to the\n"
         "working folder. See man poolside and the README.\n";
}

std::string UsageText() {
  return "使い方 / usage: poolside [-platform offscreen] [--drive X=DIR]... [--com N=DEVICE]...\n"
         "                [--script FILE] [--competition] [--http [ADDR:]PORT] [OPTION]...\n"
         "       poolside --recover FILE|DIR... [--take K --as N [--apply]]\n"
         "       poolside --export-all | --version | --help\n"
         "オプションの一覧は poolside --help (the options: poolside --help)\n";
}

std::optional<int> RunEarlyCommand(const std::vector<std::string>& args, std::ostream& out) {
  const Options options = ParseOptions(args);
  if (!options.error.empty()) return std::nullopt;
  if (options.help) {
    out << HelpText();
    return 0;
  }
  if (options.version) {
    out << VersionText();
    return 0;
  }
  if (!options.exportAll) return std::nullopt;
  PathMapper paths;
  for (const auto& [letter, dir] : options.drives) paths.MapDrive(letter, dir);
  MeetData meet(paths);
  const CsvEncoding encoding =
      options.exportEncoding == "cp932" ? CsvEncoding::Cp932 : CsvEncoding::Utf8Bom;
  const int status = ExportAllFinished(meet, encoding, out);
  out.flush();
  return status;
}

}  // namespace poolside
