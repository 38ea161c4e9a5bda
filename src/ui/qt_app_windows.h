#pragma once
// The program's windows: creates them on demand, keeps their logic objects
// and serves as the competition screen's host.

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "competition/kyogi_window.h"
#include "meetdata/meet_data.h"
#include "platform/messages.h"
#include "platform/qt/qt_window_host.h"
#include "platform/serial_port.h"
#include "timing/race_window.h"
#include "ui/app_windows.h"
#include "ui/dialog_controls.h"

namespace poolside {

class RaceView;
class KyogiView;
class SubWindow;

class QtAppWindows : public AppWindows, public KyogiHost {
 public:
  QtAppWindows(MeetData& meet, MessageSink& messages, SerialPort& port, QtWindowHost& host,
               const PathMapper& paths, bool scriptRun, std::string printToPdf);
  ~QtAppWindows() override;

  // Creates the timing window, runs its load and shows it. Throws
  // RuntimeError when the load fails.
  void StartTimingWindow();

  // AppWindows
  bool LoadWindow(const std::string& name) override;
  QWidget* FindWindow(const std::string& name) const override;
  void CloseWindow(const std::string& name) override;
  bool IsKnownWindow(const std::string& name) const override;
  ControlRegistry& Controls() override { return registry_; }
  RaceWindow& Race() override { return *race_; }
  RaceFeed& Feed() override { return feed_; }
  RaceView* RaceWidget() const { return raceView_.get(); }
  // The desk's own dialogs (frmTouch, frmResult, frmRecover) as windows of
  // the automation runner, their named controls in the registry.
  void AdoptDialog(const std::string& name, QWidget* dialog) { dialogs_.Adopt(name, dialog); }
  void ForgetDialog(const std::string& name) { dialogs_.Forget(name); }
  KyogiView* KyogiWidget() const { return kyogiView_.get(); }

  // A window the desk adds beside the timing window (frmBackup): `open`
  // creates it when needed and shows it; `find` gives it when it exists.
  void AddWindow(const std::string& name, std::function<QWidget*()> open,
                 std::function<QWidget*()> find);

  // KyogiHost
  void ShowTimingWindow() override;
  void ShowSubWindow(const std::string& name, bool modal) override;
  void ShowProgramPrint(std::optional<int> page) override;
  void PrintRanking(const std::string& title, const std::vector<RankingLine>& lines) override;
  void EndProgram(int status) override { host_.EndProgram(status); }
  bool ConfirmEnd() override { return !race_ || race_->ConfirmEndMidRace(); }

 private:
  SubWindow* Sub(const std::string& name);
  void ShowWindow(QWidget* w, bool modal);

  MeetData& meet_;
  MessageSink& messages_;
  SerialPort& port_;
  QtWindowHost& host_;
  const PathMapper& paths_;
  bool scriptRun_;
  std::string printToPdf_;
  ControlRegistry registry_;
  DialogControls dialogs_{registry_};
  RaceFeed feed_;  // outlives the timing window that publishes on it
  std::unique_ptr<RaceView> raceView_;
  std::unique_ptr<RaceWindow> race_;
  std::unique_ptr<KyogiView> kyogiView_;
  std::unique_ptr<KyogiWindow> kyogi_;
  std::map<std::string, std::unique_ptr<SubWindow>> subs_;
  struct Added {
    std::function<QWidget*()> open;
    std::function<QWidget*()> find;
  };
  std::map<std::string, Added> added_;
};

}  // namespace poolside
