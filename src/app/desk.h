#pragma once
// The timing desk put together: the windows, the port, the one owner of
// every race's result and the outputs on the race feed (capture, export,
// live pages, broker, flags, link watch, result view), each attached where
// it must be, and the windows' dialogs. main() parses, asks the set-up,
// then builds one Desk and runs it.

#include <memory>
#include <string>
#include <vector>

#include "app/options.h"
#include "meetdata/meet_data.h"
#include "platform/paths.h"
#include "platform/qt/qt_window_host.h"
#include "platform/scripted_port.h"
#include "results/race_results.h"

class QApplication;

namespace poolside {

class BackupDialog;
class BackupPanel;
class CaptureSetup;
class DeskPublisher;
class ExportAttachment;
class FlagMarks;
class FolderMirror;
class MirrorPoke;
class FolderLease;
class LinkWatch;
class LiveServer;
class MessageSink;
class PortRouter;
class QtAppWindows;
class RecoveryDialog;
class RecoveryPanel;
class ResultBoard;
class ResultView;
class ScriptMessageSink;
class ShadowFollow;
class TouchDialog;
class TouchFlagger;

class Desk {
 public:
  Desk(Options options, std::vector<std::string> args);
  ~Desk();
  Desk(const Desk&) = delete;
  Desk& operator=(const Desk&) = delete;

  // Loads the timing window and starts every output; false when the load
  // failed (its message shown): the program ends with status 1.
  bool Start();
  // The event loop (a script run, a screenshot or the operator's), then
  // the exit status.
  int Run(QApplication& app);

 private:
  // --shadow: the second desk's folder made ready (the meet's files copied
  // at its first start) and mapped in place of the meet's data folder;
  // false after the message.
  bool PrepareShadow();
  void AttachBeforeLoad();
  void StartAfterLoad();
  void StartMirror();
  // A line for standard error and the note under the link's health; any
  // thread.
  void SayInLink(const std::string& text);
  // --shadow with --mqtt: the desk's race followed through the broker.
  void StartFollowing();
  // The lease renewed on a thread of its own; a lost one is said.
  void RenewLease();
  // 大会 → 計時席に昇格 on a second desk: the promotion (promote_command.h)
  // into the meet's folder, then the window goes on as the desk there.
  void PromoteWindow();
  void FollowRace(int race);
  void WireDialogs();
  void OpenRecovery();
  void OpenTouchRepair();
  // 修正 → 予備計時 (F9): the backup window on the race finished last (or
  // the one it shows); 修正 → 公式にする (F10): its sign-off.
  BackupDialog* OpenBackups();
  // 大会 → 名簿の取り込み: a chosen file becomes the folder's entry list.
  void ImportEntries();

  Options options_;
  std::vector<std::string> args_;
  PathMapper paths_;
  MeetData meet_{paths_};
  bool scriptRun_ = false;
  std::unique_ptr<MessageSink> messages_;
  ScriptMessageSink* scriptMessages_ = nullptr;
  // The data folder's lease, held from before the load to the end: made
  // before everything that writes, so it is released after them.
  std::unique_ptr<FolderLease> lease_;
  ScriptedPort scripted_;
  QtWindowHost host_;
  std::unique_ptr<PortRouter> port_;
  // The one owner of every race's result: every output takes a race's
  // result from it. Made before the windows so that it outlives their feed,
  // as do the live pages and the broker.
  RaceResults results_;
  std::unique_ptr<LiveServer> live_;
  std::string mqttError_;
  std::unique_ptr<DeskPublisher> mqtt_;
  std::unique_ptr<QtAppWindows> windows_;
  std::unique_ptr<CaptureSetup> capture_;
  std::unique_ptr<ExportAttachment> export_;
  std::unique_ptr<TouchFlagger> flagger_;
  std::unique_ptr<LinkWatch> link_;
  std::unique_ptr<FlagMarks> marks_;
  std::unique_ptr<ResultBoard> board_;
  std::unique_ptr<RecoveryPanel> recoveryPanel_;
  std::unique_ptr<RecoveryDialog> recoveryDialog_;
  std::unique_ptr<ResultView> resultView_;
  std::unique_ptr<TouchDialog> touchDialog_;
  std::unique_ptr<BackupPanel> backupPanel_;
  std::unique_ptr<BackupDialog> backupDialog_;
  // The copy off the machine (--mirror): its thread stops before the link
  // label its messages go to.
  std::unique_ptr<FolderMirror> mirror_;
  std::unique_ptr<MirrorPoke> mirrorPoke_;
  // The second desk's view of the desk's race: its thread stops first.
  std::unique_ptr<ShadowFollow> follow_;
};

}  // namespace poolside
