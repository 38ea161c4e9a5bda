// The program: the timing window first, then the competition screen on
// demand; a script run drives both through the automation runner.

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <memory>

#include <QApplication>
#include <QFontDatabase>

#include "app/backups_command.h"
#include "app/desk.h"
#include "app/display_check.h"
#include "app/early_commands.h"
#include "app/options.h"
#include "app/qt_translations.h"
#include "app/relay_command.h"
#include "app/start_config.h"
#include "app/startup_guard.h"
#include "live/descriptor_budget.h"
#include "ui/setup_dialog.h"
#include "ui/slip_printer.h"

using namespace poolside;

int main(int argc, char** argv) {
  // --recover, --touches, --version, --help and --export-all answer before
  // QApplication, which needs a display (as in poolside-cli).
  const std::vector<std::string> early = ProgramArguments(argc, argv);
  // A decision or a sign-off on the command line writes its slip as a PDF:
  // Qt draws it, without a display.
  std::unique_ptr<QApplication> slipApp;
  int slipArgc = 3;
  char slipName[] = "poolside", slipPlatform[] = "-platform", slipOffscreen[] = "offscreen";
  char* slipArgv[] = {slipName, slipPlatform, slipOffscreen, nullptr};
  SetSlipWriter([&](const RaceResult& result, const std::string& pdf) {
    if (!QCoreApplication::instance()) slipApp = std::make_unique<QApplication>(slipArgc, slipArgv);
    return SaveSlipPdf(result, pdf);
  });
  if (const auto status = RunWindowlessCommand(early, std::cout, std::cerr, [] {
        return StartUserConfig(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
      }))
    return *status;
  SetSlipWriter({});
  // As many descriptors as the system allows: the desk's files and the live
  // pages' connections share them (the pages keep a reserve for the desk).
  RaiseDescriptorLimit();
  if (std::find(early.begin(), early.end(), "--relay") != early.end()) {
    // A relay has no window: no display needed.
    const Options options = ParseOptions(early);
    if (!options.error.empty()) {
      std::cerr << options.error << "\n" << UsageText();
      return 2;
    }
    return RunRelay(options, argc, argv, std::cerr);
  }
  if (const std::string wrong = ParseOptions(early).error; !wrong.empty()) {
    std::cerr << wrong << "\n" << UsageText();
    return 2;
  }
  if (!DisplayExpected({argv, argv + argc}, [](const char* n) { return std::getenv(n); })) {
    std::cerr << NoDisplayText("DISPLAY is not set");
    return 1;
  }
  StartupGuard guard;
  QApplication app(argc, argv);
  guard.Release();
  std::vector<std::string> args;
  for (const QString& a : app.arguments().mid(1)) args.push_back(a.toStdString());
  Options options = ParseOptions(args);
  if (!options.error.empty()) {
    std::cerr << options.error << "\n" << UsageText();
    return 2;
  }
  if (QFontDatabase::hasFamily("IPAexGothic")) app.setFont(QFont("IPAexGothic", 10));
  LoadQtJapaneseTexts(app);
  // The user's configuration; from the desktop menu, the first start's set-up.
  const QString platform = QGuiApplication::platformName();
  const bool interactive = options.script.empty() && options.screenshot.empty() &&
                           platform != "offscreen" && platform != "minimal";
  StartConfig start =
      PrepareStart(options, interactive, std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
  if (start.askSetup) {
    SetupDialog setup(start.folder);
    if (setup.exec() != QDialog::Accepted || !setup.Written()) {
      std::cerr << "初期設定を中止しました (set-up cancelled)\n";
      return 1;
    }
    MergeUserConfig(options, *setup.Written(), &start.notes);
    EnterWorkdir(setup.Written()->workdir, start.notes);
  }
  for (const std::string& note : start.notes) std::cerr << note << "\n";

  Desk desk(std::move(options), std::move(args));
  if (!desk.Start()) return 1;
  return desk.Run(app);
}
