// The program: the timing window first, then the competition screen on
// demand; a script run drives both through the automation runner.

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <memory>

#include <QApplication>
#include <QFontDatabase>
#include <QPixmap>
#include <QTimer>

#include "app/capture_setup.h"
#include "app/display_check.h"
#include "app/early_commands.h"
#include "app/export_setup.h"
#include "app/live_start.h"
#include "app/mqtt_start.h"
#include "app/options.h"
#include "app/qt_translations.h"
#include "app/relay_command.h"
#include "app/script_runner.h"
#include "app/start_config.h"
#include "app/startup_guard.h"
#include "capture/replay_port.h"
#include "live/descriptor_budget.h"
#include "meetdata/meet_data.h"
#include "platform/errors.h"
#include "platform/port_router.h"
#include "platform/qt/qt_messages.h"
#include "platform/qt/qt_serial_port.h"
#include "platform/qt/qt_window_host.h"
#include "platform/scripted_port.h"
#include "reception/console_line.h"
#include "recovery/recovery_panel.h"
#include "results/race_result.h"
#include "timing/link_watch.h"
#include "timing/touch_flags.h"
#include "ui/kyogi_view.h"
#include "ui/qt_app_windows.h"
#include "ui/race_view.h"
#include "ui/recovery_dialog.h"
#include "ui/result_view.h"
#include "ui/setup_dialog.h"
#include "ui/touch_dialog.h"
#include "vocabulary/data_folder.h"

using namespace poolside;

namespace {

// Saves the shown windows as PNG files: FILE for the timing window and
// FILE with "-kyogi" before the extension for the competition screen.
int SaveScreenshots(QtAppWindows& windows, const std::string& file) {
  QString base = QString::fromStdString(file);
  if (!windows.RaceWidget()->grab().save(base)) return 1;
  if (windows.KyogiWidget()) {
    QString k = base;
    int dot = k.lastIndexOf('.');
    k.insert(dot < 0 ? k.size() : dot, "-kyogi");
    windows.KyogiWidget()->grab().save(k);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // --recover, --touches, --version, --help and --export-all answer before
  // QApplication, which needs a display (as in poolside-cli).
  const std::vector<std::string> early = ProgramArguments(argc, argv);
  if (const auto status = RunWindowlessCommand(early, std::cout, std::cerr)) return *status;
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
    MergeUserConfig(options, *setup.Written());
    EnterWorkdir(setup.Written()->workdir, start.notes);
  }
  for (const std::string& note : start.notes) std::cerr << note << "\n";

  PathMapper paths;
  for (const auto& [letter, dir] : options.drives) paths.MapDrive(letter, dir);
  MeetData meet(paths);
  const bool scriptRun = !options.script.empty();
  std::unique_ptr<MessageSink> messages;
  ScriptMessageSink* scriptMessages = nullptr;
  if (scriptRun || !options.screenshot.empty()) {
    // No box may wait for a click in an unattended run: messages are printed.
    auto s = std::make_unique<ScriptMessageSink>(std::cout);
    scriptMessages = s.get();
    messages = std::move(s);
  } else {
    messages = std::make_unique<QtMessageSink>();
  }
  ScriptedPort scripted;
  QtWindowHost host;
  PortRouter port(
      options.coms,
      [&host](int n, const std::string& device) -> std::unique_ptr<SerialPort> {
        // --com N=replay:FILE[@SPEED] plays a capture file.
        const std::string prefix = ReplayPort::kPrefix;
        if (device.rfind(prefix, 0) == 0) {
          std::string file;
          double speed = 1;
          if (!ReplayPort::ParseSpec(device.substr(prefix.size()), file, speed)) {
            throw IoError("ポート COM" + std::to_string(n) + " の " + device +
                          " は使えません (replay:FILE@SPEED)");
          }
          return std::make_unique<ReplayPort>(n, file, speed, host, IsNoiseRecord);
        }
        return std::make_unique<QtSerialPort>(n, device);
      },
      scriptRun ? &scripted : nullptr);
  // Made before the windows so that it outlives the feed that calls it.
  std::unique_ptr<LiveServer> live = MakeLiveServer(options, paths);
  std::string mqttError;
  std::unique_ptr<DeskPublisher> mqtt = MakeDeskPublisher(options, mqttError);
  QtAppWindows windows(meet, *messages, port, host, paths, scriptRun, options.printToPdf);

  // Listeners of the race feed attach here, before the load, so that they
  // see the first race shown: windows.Feed().Attach(listener).
  CaptureSetup capture(options, args, windows.Feed(), *messages, host);
  ExportAttachment exportFiles(windows, meet, *messages, host, ExportEncodingOf(options));
  if (live) windows.Feed().Attach(*live);
  // Suspicious touches: flagged on the feed from the first race shown on.
  TouchFlagger flagger(windows.Feed(), host);
  windows.Feed().Attach(flagger);
  if (mqtt) windows.Feed().Attach(*mqtt);
  try {
    windows.StartTimingWindow();
  } catch (const std::exception& e) {
    messages->ShowError(e.what());
    std::cout.flush();
    return 1;
  }
  capture.AfterLoad(meet);
  if (live && !StartLiveServer(*live, options, meet, *messages)) {
    windows.Feed().Detach(*live);
    live.reset();
  }
  if (!mqttError.empty()) messages->Warn(mqttError);
  if (mqtt && !StartDeskPublisher(*mqtt, meet, paths, *messages)) {
    windows.Feed().Detach(*mqtt);
    mqtt.reset();
  }
  LinkWatch link(*windows.RaceWidget()->LinkLabel(), windows.Feed(), port, host);
  windows.Feed().Attach(link);
  // The Part's restart empties the lap file; the capture still holds it.
  windows.Race().onLapFileEmptied = [&link, &capture](int race, int records) {
    const std::string emptied = "レース " + std::to_string(race) +
                                " のラップファイルを空にしました (" + std::to_string(records) +
                                " 件)。";
    link.SetNote(capture.Journal() != nullptr
                     ? emptied + "キャプチャに " + std::to_string(records) +
                           " 件が残っています。Ctrl+R (記録からの再計時) で戻せます"
                     : emptied + "キャプチャがないため戻せません");
  };
  // The recovery dialog stays open beside the window (reception can be
  // stopped while it is shown); Ctrl+R again brings it forward.
  std::unique_ptr<RecoveryPanel> recoveryPanel;
  std::unique_ptr<RecoveryDialog> recoveryDialog;
  windows.RaceWidget()->onRecover = [&] {
    if (recoveryDialog && recoveryDialog->isVisible()) {
      recoveryDialog->raise();
      recoveryDialog->activateWindow();
      return;
    }
    recoveryDialog.reset();
    // The captures of this meet, where this run writes its own.
    const std::string folder =
        options.capture.empty() ? meet.DataPath(kCaptureFolderName) : options.capture;
    recoveryPanel =
        std::make_unique<RecoveryPanel>(paths, std::vector<std::string>{folder}, *messages,
                                        [&meet](int race) { return SourcesOf(meet, race); });
    // The recovered race goes through the feed like every finish: the
    // export, the live pages and the broker see it there.
    recoveryPanel->onApplied = [&windows](const RaceFinished& recovered) {
      windows.Race().ShowRecoveredRace(recovered);
    };
    recoveryDialog = std::make_unique<RecoveryDialog>(
        *recoveryPanel, windows.Race().BookState().RaceNo,
        [&windows] { return windows.Race().Receiving(); },
        [&windows] {
          if (windows.Race().Receiving()) windows.Race().OnStartStopClick();
        },
        windows.RaceWidget());
    recoveryDialog->show();
  };
  // The marks of suspicious touches beside the rows.
  FlagMarks marks(windows.RaceWidget()->FlagLabels());
  windows.Feed().Attach(marks);
  // The touch repair dialog and the result view, each one window kept
  // beside the timing window.
  ResultBoard results([&meet](int race) { return SourcesOf(meet, race); });
  windows.Feed().Attach(results);
  std::unique_ptr<ResultView> resultView;
  windows.RaceWidget()->onShowResults = [&] {
    if (!resultView) resultView = std::make_unique<ResultView>(results);
    resultView->ShowBeside(windows.RaceWidget());
  };
  std::unique_ptr<TouchDialog> touchDialog;
  windows.RaceWidget()->onRepairTouches = [&] {
    if (!touchDialog) {
      touchDialog = std::make_unique<TouchDialog>(windows.Race(), *messages, windows.RaceWidget());
    }
    // The race being timed once it has a touch; before that the race
    // finished last, at its first lane without a finish.
    int race = windows.Race().BookState().RaceNo;
    int lane = 1;
    bool touched = false;
    for (int l = 1; l <= kLanes; ++l) touched = touched || windows.Race().LapCount(l) > 0;
    if (!touched && results.Race() > 0) {
      race = results.Race();
      for (const LaneResult& l : results.Result().lanes) {
        if (l.status == LaneStatus::NoFinish) {
          lane = l.lane;
          break;
        }
      }
    }
    touchDialog->ShowRace(race, lane);
    touchDialog->show();
    touchDialog->raise();
  };
  if (options.competition && !windows.LoadWindow("frmKyogi")) return 1;

  if (!options.screenshot.empty()) {
    QTimer::singleShot(200, &app, [&] { app.exit(SaveScreenshots(windows, options.screenshot)); });
    return app.exec();
  }
  if (scriptRun) {
    int status = 0;
    QTimer::singleShot(0, &app, [&] {
      ScriptRunner runner(windows, scripted, *scriptMessages, paths, std::cout);
      status = runner.Run(options.script);
      std::cout.flush();
      host.EndProgram(status);
    });
    app.exec();
    return status;
  }
  return app.exec();
}
