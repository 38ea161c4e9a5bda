#include "ui/qt_app_windows.h"

#include <QApplication>

#include "platform/errors.h"
#include "ui/kyogi_view.h"
#include "ui/qt_printer.h"
#include "ui/race_view.h"
#include "ui/sub_windows.h"

namespace poolside {

QtAppWindows::QtAppWindows(MeetData& meet, MessageSink& messages, SerialPort& port,
                           QtWindowHost& host, const PathMapper& paths, bool scriptRun,
                           std::string printToPdf)
    : meet_(meet),
      messages_(messages),
      port_(port),
      host_(host),
      paths_(paths),
      scriptRun_(scriptRun),
      printToPdf_(std::move(printToPdf)) {
  host_.closeFiles = [this] { meet_.CloseAll(); };
}

QtAppWindows::~QtAppWindows() = default;

void QtAppWindows::StartTimingWindow() {
  raceView_ = std::make_unique<RaceView>(registry_);
  race_ =
      std::make_unique<RaceWindow>(raceView_->Controls(), meet_, messages_, port_, host_, &feed_);
  raceView_->Wire(*race_, messages_);
  raceView_->onOpenCompetition = [this] {
    if (!LoadWindow("frmKyogi")) return;
  };
  race_->Load();
  raceView_->show();
}

bool QtAppWindows::IsKnownWindow(const std::string& name) const {
  return name == "frmRace" || name == "frmKyogi" || IsDialogWindow(name) ||
         !SubWindowTitle(name).empty() || added_.count(name) > 0;
}

void QtAppWindows::AddWindow(const std::string& name, std::function<QWidget*()> open,
                             std::function<QWidget*()> find) {
  added_[name] = {std::move(open), std::move(find)};
}

void QtAppWindows::ShowWindow(QWidget* w, bool modal) {
  if (modal) {
    w->setWindowModality(Qt::ApplicationModal);
    if (!scriptRun_) {
      if (auto* d = qobject_cast<QDialog*>(w)) {
        d->exec();
        return;
      }
    }
  }
  w->show();
  w->raise();
  w->activateWindow();
}

bool QtAppWindows::LoadWindow(const std::string& name) {
  if (name == "frmRace") {
    ShowTimingWindow();
    return true;
  }
  if (name == "frmKyogi") {
    if (!kyogiView_) {
      kyogiView_ = std::make_unique<KyogiView>(registry_);
      kyogi_ =
          std::make_unique<KyogiWindow>(kyogiView_->Controls(), meet_, messages_, *this, paths_);
      kyogiView_->Wire(*kyogi_, messages_);
      try {
        kyogi_->Load();
      } catch (const std::exception& e) {
        // A load that fails ends the program, as at the start.
        messages_.ShowError(e.what());
        host_.EndProgram(1);
        return false;
      }
    }
    ShowWindow(kyogiView_.get(), false);
    return true;
  }
  if (const auto added = added_.find(name); added != added_.end()) {
    return added->second.open() != nullptr;
  }
  if (SubWindowTitle(name).empty()) return false;
  ShowWindow(Sub(name), false);
  return true;
}

QWidget* QtAppWindows::FindWindow(const std::string& name) const {
  if (name == "frmRace") return raceView_.get();
  if (name == "frmKyogi") return kyogiView_.get();
  if (IsDialogWindow(name)) return dialogs_.Find(name);
  if (const auto added = added_.find(name); added != added_.end()) return added->second.find();
  auto it = subs_.find(name);
  return it == subs_.end() ? nullptr : it->second.get();
}

void QtAppWindows::CloseWindow(const std::string& name) {
  if (QWidget* w = FindWindow(name)) w->close();
}

SubWindow* QtAppWindows::Sub(const std::string& name) {
  auto& w = subs_[name];
  if (!w) w = std::make_unique<SubWindow>(registry_, name, SubWindowTitle(name));
  return w.get();
}

void QtAppWindows::ShowTimingWindow() {
  if (!raceView_) return;
  raceView_->show();
  raceView_->raise();
  raceView_->activateWindow();
}

void QtAppWindows::ShowSubWindow(const std::string& name, bool modal) {
  ShowWindow(Sub(name), modal);
}

void QtAppWindows::ShowProgramPrint(std::optional<int> page) {
  SubWindow* w = Sub("frmLpPage");
  if (page) {
    w->txtLpS->SetText(std::to_string(*page));
    w->txtLpE->SetText(std::to_string(*page));
  }
  ShowWindow(w, true);
}

void QtAppWindows::PrintRanking(const std::string& title, const std::vector<RankingLine>& lines) {
  PrintRankingPage(title, lines, printToPdf_, messages_);
}

}  // namespace poolside
