#include "app/desk.h"

#include <chrono>
#include <iostream>
#include <sstream>

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
#include "app/promote_command.h"
#include "app/public_setup.h"
#include "app/script_messages.h"
#include "app/script_runner.h"
#include "app/shadow_follow.h"
#include "capture/replay_port.h"
#include "export/race_export.h"
#include "meetdata/shadow_folder.h"
#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/fs_path.h"
#include "platform/port_router.h"
#include "platform/qt/qt_messages.h"
#include "platform/qt/qt_serial_port.h"
#include "platform/record_file.h"
#include "racebook/navigation.h"
#include "reception/console_line.h"
#include "recovery/recovery_panel.h"
#include "results/result_board.h"
#include "timing/link_watch.h"
#include "timing/race_window.h"
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
#include "vocabulary/lap_goal_files.h"
#include "vocabulary/race_status.h"

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
  results_.SetRules(ResultRulesOf(options_));
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
  // A second desk publishes only under a prefix of its own.
  if (options_.shadow.empty() || options_.mqttPrefixGiven) {
    mqtt_ = MakeDeskPublisher(options_, mqttError_);
  }
  windows_ = std::make_unique<QtAppWindows>(meet_, *messages_, *port_, host_, paths_, scriptRun_,
                                            options_.printToPdf);
  AttachBeforeLoad();
}

// The owner leaves the windows' feed before the windows (and the feed) go:
// it is made before them and so destroyed after them.
Desk::~Desk() {
  if (backupPanel_) windows_->Feed().Detach(*backupPanel_);
  results_.Detach();
}

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

bool Desk::PrepareShadow() {
  const std::string primary = DataFolderOf(paths_);
  if (primary.empty()) {
    messages_->ShowError(
        "制御ファイル ..\\ctl\\dr_kyo.ctl を読めません "
        "(控えは大会のデータフォルダをそこから知ります)");
    return false;
  }
  const std::string folder = paths_.Resolve(options_.shadow);
  const ShadowPrepared prepared =
      PrepareShadowFolder(primary, folder,
                          std::chrono::duration_cast<std::chrono::seconds>(
                              std::chrono::system_clock::now().time_since_epoch())
                              .count());
  if (!prepared.ok) {
    messages_->ShowError(prepared.problem);
    return false;
  }
  if (prepared.copied)
    std::cerr << "控え: " << primary << " の大会ファイルを " << folder << " に写しました\n";
  std::cerr << "控え (second desk): " << folder << " に記録します。" << primary
            << " には書きません\n";
  paths_.MapDataFolder(folder);
  return true;
}

bool Desk::Start() {
  // The second desk writes its own folder, never the meet's.
  if (!options_.shadow.empty() && !PrepareShadow()) {
    std::cout.flush();
    return false;
  }
  // One writer per data folder: nothing is loaded or written before the
  // lease is ours.
  const char* program = options_.shadow.empty() ? "poolside (計時)" : "poolside --shadow (控え)";
  if (!TakeLeaseForDesk(paths_, *messages_, std::cerr, lease_, program)) {
    std::cout.flush();
    return false;
  }
  // The program's end (_exit in EndProgram) closes the files, then gives
  // the folder back (the one held then: a second desk promoted holds the
  // meet's).
  host_.closeFiles = [this, closeFiles = host_.closeFiles] {
    if (closeFiles) closeFiles();
    if (lease_) lease_->Release();
  };
  RenewLease();
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
  if (!options_.shadow.empty()) {
    // Unmistakably the second desk: its caption and the link's first line.
    windows_->RaceWidget()->setWindowTitle(race_texts::kShadowCaption);
    link_->SetRole("控え (2 台目): " + meet_.DataPath("") +
                   " に記録。大会のフォルダには書きません");
    windows_->RaceWidget()->OfferPromotion([this] { PromoteWindow(); });
  }
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
  StartFollowing();
}

void Desk::RenewLease() {
  if (!lease_) return;
  lease_->RenewInBackground([this](const std::string& text) {
    QMetaObject::invokeMethod(
        qApp, [this, text] { messages_->Warn(text); }, Qt::QueuedConnection);
  });
}

void Desk::PromoteWindow() {
  const std::string shadow = meet_.DataPath("");
  if (!messages_->AskOkCancel(
          "この控えを計時席にします。\r計時席のプログラムが止まっている (PC が使えない) "
          "ことを確かめてください。\r大会のデータフォルダの使用権を取り、計時席が終えていない"
          "レースを控えの記録から書き込みます。")) {
    return;
  }
  // The meet's folder as the control file names it.
  PathMapper meetPaths = paths_;
  meetPaths.MapDataFolder("");
  std::ostringstream out, err;
  std::unique_ptr<FolderLease> taken;
  const Promotion done =
      PromoteShadow(meetPaths, shadow, options_.capture, options_, out, err, taken);
  std::cerr << out.str() << err.str();
  if (!done.promoted) {
    // Nothing was written: the lease was refused or the folder is not there.
    messages_->ShowError("計時席に昇格できません。\r" + err.str() +
                         "大会のフォルダが失われたときは、控えを終えてから poolside --promote " +
                         shadow + " --mirror DIR で写しに昇格します (docs/shadow.md)");
    return;
  }
  // The race on screen is still being swum: its lap file so far is the
  // second desk's, which holds every record since the race began.
  RaceWindow& race = windows_->Race();
  const int current = race.BookState().RaceNo;
  std::string moved;
  const auto problem = race.MoveDataFolder([&] {
    const std::string from = meet_.DataPath(LapFileName(current));
    try {
      paths_.MapDataFolder("");
      meet_.ReadControlFile("..\\ctl\\dr_kyo.ctl");
      meet_.CloseAll();
      meet_.LoadMeetHeader();
      const std::string bookPath = meet_.DataPath(kBookFileName);
      const std::string book = FileExists(bookPath) ? ReadWholeFile(bookPath) : std::string();
      const auto at = static_cast<std::size_t>(current - 1);
      const bool done = at < book.size() && IsDoneStatus(book[at]);
      if (!done && FileExists(from)) {
        const std::string to = meet_.DataPath(LapFileName(current));
        ReplaceFileAtomically(to, LapFileBytes(from));
        moved = to;
      }
    } catch (const std::exception& e) {
      moved = std::string("(") + e.what() + ")";
    }
  });
  results_.SetFolder(ResultFolderOf(meet_));
  // The second desk's own things stop; the meet's lease is the desk's now.
  follow_.reset();
  if (mirror_) {
    windows_->Feed().Detach(*mirrorPoke_);
    mirror_->Stop();
  }
  // The second desk's folder is given back; the meet's (when it takes a
  // lease file at all) is the desk's now.
  if (lease_) lease_->Release();
  lease_ = std::move(taken);
  RenewLease();
  options_.shadow.clear();
  windows_->RaceWidget()->setWindowTitle(race_texts::kCaption);
  windows_->RaceWidget()->OfferPromotion(nullptr);
  link_->SetRole("");
  link_->SetNote("計時席になりました: " + meet_.DataPath(""));
  std::string text = "計時席になりました。\r" + out.str();
  if (!moved.empty()) text += "走行中のレース " + std::to_string(current) + ": " + moved + "\r";
  if (done.status != 0 || problem) text += err.str() + (problem ? *problem : std::string());
  messages_->Warn(text);
}

void Desk::StartFollowing() {
  if (options_.shadow.empty() || options_.mqttPort < 0) return;
  follow_ = std::make_unique<ShadowFollow>();
  std::string error;
  const bool started = follow_->Start(
      options_,
      [this](int race) {
        QMetaObject::invokeMethod(
            qApp, [this, race] { FollowRace(race); }, Qt::QueuedConnection);
      },
      [this](const std::string& text) { SayInLink(text); }, error);
  if (!started) {
    messages_->Warn(error + " (計時席のレースは追わず、自分で進めます)");
    follow_.reset();
  }
}

void Desk::FollowRace(int race) {
  // A race told just before the window became the desk is no longer followed.
  if (options_.shadow.empty()) return;
  RaceWindow& window = windows_->Race();
  if (window.BookState().RaceNo == race) return;
  try {
    ShowRaceNumber(window, race);
  } catch (const std::exception& e) {
    messages_->Warn(e.what());
  }
}

void Desk::StartMirror() {
  if (options_.mirror.empty()) return;
  mirror_ = std::make_unique<FolderMirror>(meet_.DataPath(""), options_.mirror);
  mirrorPoke_ = std::make_unique<MirrorPoke>(*mirror_);
  windows_->Feed().Attach(*mirrorPoke_);
  // Said once per outage and when caught up, under the link's health.
  mirror_->Start([this](const std::string& text) { SayInLink(text); });
}

void Desk::SayInLink(const std::string& text) {
  // From any thread: on standard error and under the link's health, on the
  // window's thread.
  QMetaObject::invokeMethod(
      qApp,
      [this, text] {
        std::cerr << text << "\n";
        link_->SetNote(text);
      },
      Qt::QueuedConnection);
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
    // The window follows its race when it changes elsewhere.
    backupPanel_->onChanged = [this] { backupDialog_->Refresh(); };
    windows_->Feed().Attach(*backupPanel_);
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
    // A repair of a signed-off race asks first, saying it becomes 速報.
    touchDialog_->SetOfficialCheck([this](int race) {
      const auto result = results_.ResultOf(race);
      return result && result->official;
    });
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
