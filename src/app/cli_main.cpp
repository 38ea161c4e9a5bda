// poolside-cli: the command lines that need no window (--touches, --backups,
// --official, --recover, --compare, --promote, --export-all), through the same code as poolside. It
// links no Qt, so it is also the program of the Windows build (poolside-cli.exe).

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "app/early_commands.h"
#include "app/options.h"
#include "app/start_config.h"
#include "platform/command_line.h"

using namespace poolside;

namespace {

const char* const kUsage =
    "使い方 / usage: poolside-cli [--drive X=DIR]... [--export-encoding utf8|cp932]\n"
    "                [--capture DIR | --no-capture] COMMAND\n"
    "  --touches N [--lane L (--drop K | --insert-after K [TIME] | --as-finish K | --as-lap K)"
    " [--apply]]\n"
    "  --recover FILE|DIR... [--take K --as N [--apply]]\n"
    "  --backups N [--lane L [--watch T [T [T]]] [--use console|backup|T --reason TEXT]"
    " [--apply]]\n"
    "  --official N [--apply]\n"
    "  --compare DIR_A DIR_B\n"
    "  --promote FOLDER [--mirror DIR] [--take-over]\n"
    "  --export-all\n"
    "  --version | --help\n";

std::string CliHelpText() {
  return std::string(kUsage) +
         "\n"
         "画面を使わないコマンドだけを実行します。オプションの意味は poolside と同じです\n"
         "(README の「Command line」)。\n"
         "Runs the commands of poolside that need no window, with the same options\n"
         "(see the README, \"Command line\"). The data folder is found through\n"
         "..\\ctl\\dr_kyo.ctl relative to the working folder.\n";
}

}  // namespace

int main(int argc, char** argv) {
  UseUtf8StandardStreams();
  const std::vector<std::string> args = ProgramArguments(argc, argv);
  const Options options = ParseOptions(args);
  if (options.error.empty() && options.help) {
    std::cout << CliHelpText();
    return 0;
  }
  if (options.error.empty() && options.version) {
    std::cout << "poolside-cli " << VersionText().substr(VersionText().find(' ') + 1);
    return 0;
  }
  if (const auto status = RunWindowlessCommand(args, std::cout, std::cerr, [] {
        return StartUserConfig(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
      }))
    return *status;
  if (!options.error.empty()) {
    std::cerr << options.error << "\n" << kUsage;
    return 2;
  }
  std::cerr << "poolside-cli は画面のいらないコマンドだけを実行します; ほかは poolside で"
               " (only the commands that need no window; the rest is poolside's)\n"
            << kUsage;
  return 2;
}
