#include "app/desk.h"

#include <iostream>

#include <QApplication>
#include <QFileDialog>
#include <QPixmap>
#include <QSessionManager>
#include <QTimer>

#include "app/backup_panel.h"
#include "app/backups_command.h"
#include "app/capture_setup.h"
#include "app/desk_messages.h"
#include "app/export_setup.h"
#include "app/lease_gate.h"
#include "app/live_start.h"
#include "app/mirror_start.h"
#include "app/mqtt_start.h"
#include "app/public_setup.h"
#include "app/script_messages.h"
#include "app/script_runner.h"
#include "capture/replay_port.h"
#include "export/race_export.h"
#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/fs_path.h"
#include "platform/port_router.h"
#include "platform/qt/qt_messages.h"
#include "platform/qt/qt_serial_port.h"
#include "reception/console_line.h"
#include "recovery/recovery_panel.h"
#include "results/result_board.h"
#include "timing/link_watch.h"
#include "timing/touch_flags.h"
#include "ui/backup_dialog.h"
#include "ui/kyogi_view.h"
#include "ui/qt_app_windows.h"
#include "ui/race_view.h"
#include "ui/recovery_dialog.h"
#include "ui/result_view.h"
#include "ui/slip_printer.h"
#include "ui/touch_dialog.h"
#include "vocabulary/data_folder.h"

namespace poolside {

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

std::unique_ptr<SerialPort> OpenPort(int n, const std::string& device, WindowHost& host) {
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
}

// How often the entry list is looked at for a change.
constexpr int kEntriesPollMs = 2000;

}  // namespace

Desk::Desk(Options options, std::vector<std::string> args)
    : options_(std::move(options)),
      args_(std::move(args)),
      scriptRun_(!options_.script.empty()),
      results_([this](const std::string& text) { messages_->Warn(text); }) {
  for (const auto& [letter, dir] : options_.drives) paths_.MapDrive(letter, dir);
  results_.SetQualifiers(QualifierRuleOf(options_));
  results_.SetBackupThreshold(BackupThresholdOf(options_));
  if (scriptRun_ || !options_.screenshot.empty()) {
    // No box may wait for a click in an unattended run: messages are printed.
    auto s = std::make_unique<ScriptMessageSink>(std::cout);
    scriptMessages_ = s.get();
    messages_ = std::move(s);
  } else {
    messages_ = DeskMessageSink(QGuiApplication::platformName().toStdString());
  }
  port_ = std::make_unique<PortRouter>(
      options_.coms,
      [this](int n, const std::string& device) { return OpenPort(n, device, host_); },
      scriptRun_ ? &scripted_ : nullptr);
  live_ = MakeLiveServer(options_, paths_, results_);
  mqtt_ = MakeDeskPublisher(options_, mqttError_);
  windows_ = std::make_unique<QtAppWindows>(meet_, *messages_, *port_, host_, paths_, scriptRun_,
                                            options_.printToPdf);
  AttachBeforeLoad();
}

// The owner leaves the windows' feed before the windows (and the feed) go:
// it is made before them and so destroyed after them.
Desk::~Desk() { results_.Detach(); }

void Desk::AttachBeforeLoad() {
  // Listeners of the race feed attach before the load, so that they see the
  // first race shown. The owner first: a change it tells reaches every
  // listener after the event that made it (feed/race_feed.h).
  RaceFeed& feed = windows_->Feed();
  results_.AttachTo(feed);
  capture_ = std::make_unique<CaptureSetup>(options_, args_, feed, *messages_, host_);
  export_ = std::make_unique<ExportAttachment>(*windows_, meet_, *messages_, host_,
                                               ExportEncodingOf(options_));
  export_->Listener().SetEvents([this](int program) { return EventExportJson(results_, program); });
  if (live_) feed.Attach(*live_);
  // Suspicious touches: flagged on the feed from the first race shown on.
  flagger_ = std::make_unique<TouchFlagger>(feed, host_,
                                            SplitLimits{options_.minSplit25, options_.minSplit50});
  feed.Attach(*flagger_);
  if (mqtt_) feed.Attach(*mqtt_);
}

bool Desk::Start() {
  // One writer per data folder: nothing is loaded or written before the
  // lease is ours.
  if (!TakeLeaseForDesk(paths_, *messages_, std::cerr, lease_)) {
    std::cout.flush();
    return false;
  }
  if (lease_) {
    // The program's end (_exit in EndProgram) closes the files, then gives
    // the folder back.
    host_.closeFiles = [this, closeFiles = host_.closeFiles] {
      if (closeFiles) closeFiles();
      lease_->Release();
    };
    lease_->RenewInBackground([this](const std::string& text) {
      QMetaObject::invokeMethod(
          qApp, [this, text] { messages_->Warn(text); }, Qt::QueuedConnection);
    });
  }
  try {
    windows_->StartTimingWindow();
  } catch (const std::exception& e) {
    messages_->ShowError(e.what());
    std::cout.flush();
    return false;
  }
  StartAfterLoad();
  WireDialogs();
  return !options_.competition || windows_->LoadWindow("frmKyogi");
}

void Desk::StartAfterLoad() {
  RaceFeed& feed = windows_->Feed();
  // The entry list's bad rows: on standard error, and in a message that
  // does not wait for a click.
  results_.entryProblems = [this](const std::vector<std::string>& lines) {
    std::string text = "名簿 (entries.csv) の行を読み飛ばしました:";
    for (const std::string& line : lines) {
      std::cerr << line << "\n";
      text += "\n" + line;
    }
    if (!scriptRun_) messages_->Warn(text);
  };
  results_.SetFolder(ResultFolderOf(meet_));
  results_.onOpenFlags = [this](const std::string& notice) { messages_->Warn(notice); };
  // The entry list is read again when it changes, with no restart.
  auto* entriesPoll = new QTimer(windows_->RaceWidget());
  QObject::connect(entriesPoll, &QTimer::timeout, [this] { results_.PollEntries(); });
  entriesPoll->start(kEntriesPollMs);
  // An edit of a heat on the competition screen, or an import, changes the
  // entries of the races it touches.
  meet_.OnHeatsChanged = [this](int race) {
    results_.Changed(race, RaceResultChanged::Cause::Entries);
  };
  capture_->AfterLoad(meet_);
  if (live_ && !StartLiveServer(*live_, options_, meet_, *messages_)) {
    feed.Detach(*live_);
    live_.reset();
  }
  if (!mqttError_.empty()) messages_->Warn(mqttError_);
  const auto resultOf = [this](int race) { return results_.ResultOf(race); };
  if (mqtt_ &&
      !StartDeskPublisher(*mqtt_, meet_, paths_, results_, PublicNamesOf(options_), *messages_)) {
    feed.Detach(*mqtt_);
    mqtt_.reset();
  }
  link_ = std::make_unique<LinkWatch>(*windows_->RaceWidget()->LinkLabel(), feed, *port_, host_);
  feed.Attach(*link_);
  // A start of reception on a race with touches keeps them, unless the
  // operator chose to start it over; the note under the buttons says which.
  RaceWindow& race = windows_->Race();
  race.onLapFileKept = [this](int race, int records) {
    link_->SetNote("レース " + std::to_string(race) + " のタッチ " + std::to_string(records) +
                   " 件を残して受信を続けています");
  };
  race.onLapFileStartedOver = [this](int race, int records) {
    const std::string emptied = "レース " + std::to_string(race) +
                                " を最初からやり直します (ラップファイルの " +
                                std::to_string(records) + " 件を空にしました)。";
    link_->SetNote(capture_->Journal() != nullptr
                       ? emptied + "キャプチャに残っています。Ctrl+R (記録からの再計時) で戻せます"
                       : emptied + "キャプチャがないため戻せません");
  };
  if (race.RestoredAtLoad() > 0) {
    link_->SetNote("レース " + std::to_string(race.BookState().RaceNo) + " のタッチ " +
                   std::to_string(race.RestoredAtLoad()) +
                   " 件をラップファイルから戻しました。受信で続けられます");
  }
  // The marks of suspicious touches beside the rows.
  marks_ = std::make_unique<FlagMarks>(windows_->RaceWidget()->FlagLabels());
  feed.Attach(*marks_);
  board_ = std::make_unique<ResultBoard>(resultOf);
  feed.Attach(*board_);
  // After a restart the view opens on the race finished last.
  if (const int last = results_.LastFinished(); last > 0) board_->Show(last);
  StartMirror();
}

void Desk::StartMirror() {
  if (options_.mirror.empty()) return;
  mirror_ = std::make_unique<FolderMirror>(meet_.DataPath(""), options_.mirror);
  mirrorPoke_ = std::make_unique<MirrorPoke>(*mirror_);
  windows_->Feed().Attach(*mirrorPoke_);
  // Said once per outage and when caught up, under the link's health.
  mirror_->Start([this](const std::string& text) {
    QMetaObject::invokeMethod(
        qApp,
        [this, text] {
          std::cerr << text << "\n";
          link_->SetNote(text);
        },
        Qt::QueuedConnection);
  });
}

void Desk::WireDialogs() {
  // A desktop logout while a race is received asks first; Cancel cancels
  // the logout and reception goes on.
  QObject::connect(qApp, &QGuiApplication::commitDataRequest, windows_->RaceWidget(),
                   [this](QSessionManager& manager) {
                     if (!manager.allowsInteraction()) return;
                     const bool end = windows_->Race().ConfirmEndMidRace();
                     manager.release();
                     if (!end) manager.cancel();
                   });
  RaceView& view = *windows_->RaceWidget();
  view.onRecover = [this] { OpenRecovery(); };
  // The touch repair dialog and the result view, each one window kept
  // beside the timing window.
  view.onShowResults = [this] {
    if (!resultView_) {
      resultView_ = std::make_unique<ResultView>(*board_);
      // Accepting a lane as it is goes through the feed: the owner closes
      // its flag, the capture journals it.
      resultView_->onAccept = [this](const LaneFlagged& accepted) {
        windows_->Feed().Publish(accepted);
      };
      windows_->AdoptDialog("frmResult", resultView_.get());
    }
    resultView_->ShowBeside(windows_->RaceWidget());
  };
  view.onRepairTouches = [this] { OpenTouchRepair(); };
  view.onImportEntries = [this] { ImportEntries(); };
  view.onBackups = [this] { OpenBackups(); };
  view.onSignOff = [this] { OpenBackups()->SignOff(); };
  windows_->AddWindow(
      "frmBackup", [this]() -> QWidget* { return OpenBackups(); },
      [this]() -> QWidget* { return backupDialog_.get(); });
}

BackupDialog* Desk::OpenBackups() {
  if (!backupDialog_) {
    backupPanel_ = std::make_unique<BackupPanel>(meet_, results_, windows_->Feed(), *messages_);
    // Each decision and sign-off: its slip saved beside the exports, and
    // printed at a desk (not in a script run).
    backupPanel_->onSlip = [this](const RaceResult& result) {
      const std::string path = SlipPath(meet_, result.race);
      MakeFolder(NativeFolderOf(path));
      if (const std::string failure = SaveSlipPdf(result, path); !failure.empty()) {
        messages_->Warn(failure);
      }
      if (!scriptRun_) PrintSlip(result, *messages_);
    };
    backupDialog_ =
        std::make_unique<BackupDialog>(*backupPanel_, windows_->Controls(), windows_->RaceWidget());
    backupDialog_->ShowRace(board_->Race() > 0 ? board_->Race()
                                               : std::max(1, windows_->Race().BookState().RaceNo));
  } else {
    backupDialog_->Refresh();
  }
  backupDialog_->show();
  backupDialog_->raise();
  return backupDialog_.get();
}

void Desk::OpenRecovery() {
  // The recovery dialog stays open beside the window (reception can be
  // stopped while it is shown); Ctrl+R again brings it forward.
  if (recoveryDialog_ && recoveryDialog_->isVisible()) {
    recoveryDialog_->raise();
    recoveryDialog_->activateWindow();
    return;
  }
  windows_->ForgetDialog("frmRecover");
  recoveryDialog_.reset();
  // The captures of this meet, where this run writes its own.
  const std::string folder =
      options_.capture.empty() ? meet_.DataPath(kCaptureFolderName) : options_.capture;
  recoveryPanel_ =
      std::make_unique<RecoveryPanel>(paths_, std::vector<std::string>{folder}, *messages_,
                                      [this](int race) { return SourcesOf(meet_, race); });
  // The recovered race goes through the feed like every finish: the owner
  // tells it, and the export, the live pages and the broker take it there.
  recoveryPanel_->onApplied = [this](const RaceFinished& recovered) {
    windows_->Race().ShowRecoveredRace(recovered);
  };
  RaceWindow& race = windows_->Race();
  recoveryDialog_ = std::make_unique<RecoveryDialog>(
      *recoveryPanel_, race.BookState().RaceNo, windows_->Feed(),
      [&race] { return race.Receiving(); },
      [&race] {
        if (race.Receiving()) race.OnStartStopClick();
      },
      windows_->RaceWidget());
  windows_->AdoptDialog("frmRecover", recoveryDialog_.get());
  recoveryDialog_->show();
}

void Desk::ImportEntries() {
  const QString chosen = QFileDialog::getOpenFileName(windows_->RaceWidget(), "名簿の取り込み",
                                                      QString(), "名簿 (*.csv *.CSV);;すべて (*)");
  if (chosen.isEmpty()) return;
  const std::string target = meet_.DataPath(kEntryListFileName);
  const std::string failure = ImportEntryList(chosen.toStdString(), target);
  if (!failure.empty()) {
    messages_->Warn(failure);
    return;
  }
  std::cerr << "名簿を取り込みました: " << target << "\n";
  results_.PollEntries();
}

void Desk::OpenTouchRepair() {
  if (!touchDialog_) {
    touchDialog_ =
        std::make_unique<TouchDialog>(windows_->Race(), *messages_, windows_->RaceWidget());
    // Published on the feed: the owner closes the lane's flag (a lane
    // without one is left as it is), the capture journals it.
    touchDialog_->onAccept = [this](int race, int lane) {
      windows_->Feed().Publish(LaneFlagged{race, lane, LaneFlagged::Reason::Accepted, ""});
    };
    windows_->AdoptDialog("frmTouch", touchDialog_.get());
  }
  RaceWindow& race = windows_->Race();
  LaneArray<int> laps{};
  for (int lane = 1; lane <= kLanes; ++lane) laps[LaneIndex(lane)] = race.LapCount(lane);
  const RepairStart start = RepairDialogStart(race.BookState().RaceNo, laps, *board_);
  touchDialog_->ShowRace(start.race, start.lane);
  touchDialog_->ShowBeside(windows_->RaceWidget());
}

int Desk::Run(QApplication& app) {
  if (!options_.screenshot.empty()) {
    QTimer::singleShot(200, &app,
                       [&] { app.exit(SaveScreenshots(*windows_, options_.screenshot)); });
    return app.exec();
  }
  if (scriptRun_) {
    int status = 0;
    QTimer::singleShot(0, &app, [&] {
      ScriptRunner runner(*windows_, scripted_, *scriptMessages_, paths_, std::cout);
      status = runner.Run(options_.script);
      std::cout.flush();
      host_.EndProgram(status);
    });
    app.exec();
    return status;
  }
  return app.exec();
}

}  // namespace poolside
