#include "recovery/headless_window.h"

#include <deque>
#include <functional>
#include <utility>

#include "platform/cp932.h"
#include "timing/race_wiring.h"

namespace poolside {

namespace {

class PlainLabel : public Label {
 public:
  std::string Caption() const override { return caption_; }
  void SetCaption(const std::string& c) override { caption_ = c; }
  Color BackColor() const override { return back_; }
  void SetBackColor(const Color& c) override { back_ = c; }

 private:
  std::string caption_;
  Color back_ = kFaceColor;
};

class PlainTextBox : public TextBox {
 public:
  std::function<void()> onChange;
  std::string Text() const override { return text_; }
  void SetText(const std::string& t) override {
    const bool changed = t != text_;
    text_ = t;
    if (changed && onChange) onChange();
  }
  int Caret() const override { return 0; }
  void SetCaret(int) override {}
  Color BackColor() const override { return back_; }
  void SetBackColor(const Color& c) override { back_ = c; }
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool on) override { enabled_ = on; }
  bool HasFocus() const override { return false; }
  void SetFocus() override {}
  std::string ToolTip() const override { return tip_; }
  void SetToolTip(const std::string& t) override { tip_ = t; }

 private:
  std::string text_, tip_;
  Color back_ = kWhite;
  bool enabled_ = true;
};

class PlainButton : public Button {
 public:
  std::string Caption() const override { return caption_; }
  void SetCaption(const std::string& c) override { caption_ = c; }
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool on) override { enabled_ = on; }
  bool HasFocus() const override { return false; }
  void SetFocus() override {}

 private:
  std::string caption_;
  bool enabled_ = true;
};

// Returns the block it was given, once.
class BlockPort : public SerialPort {
 public:
  std::string next;
  void SetPortNumber(int) override {}
  void SetSettings(const std::string&) override {}
  void SetInBufferSize(int) override {}
  void SetInputLen(int) override {}
  void SetHandshaking(FlowControl) override {}
  void SetRThreshold(int) override {}
  void Open() override { open_ = true; }
  void Close() override { open_ = false; }
  bool IsOpen() const override { return open_; }
  std::string Read() override { return std::exchange(next, std::string()); }
  void DiscardInput() override {}
  int BytesWaiting() const override { return static_cast<int>(next.size()); }

 private:
  bool open_ = false;
};

class KeptMessages : public MessageSink {
 public:
  std::vector<std::string> texts;
  void ShowMessage(const std::string& t) override { texts.push_back(t); }
  bool AskOkCancel(const std::string& t) override {
    texts.push_back(t);
    return true;
  }
  void ShowError(const std::string& t) override { texts.push_back(t); }
  // Notices that stop nothing (lanes written without a finish) are not
  // failures of the re-timing.
  void Warn(const std::string& t) override { notices.push_back(t); }
  // A question with buttons of its own is answered by the capture (the
  // journaled choice, replayed as a step): none is chosen here.
  int AskChoice(const std::string& t, const std::vector<std::string>&, int defaultButton,
                int) override {
    notices.push_back(t);
    return defaultButton;
  }
  std::vector<std::string> notices;
};

// Posted tasks run after each block; delayed ones (the reopen loop of a
// vanished port) never come due.
class QueueHost : public WindowHost {
 public:
  std::deque<std::function<void()>> tasks;
  void Post(std::function<void()> task) override { tasks.push_back(std::move(task)); }
  void PostDelayed(int, std::function<void()>) override {}
  void EndProgram(int) override {}
  void Run() {
    // Bounded: a task that posts itself forever cannot hang re-timing.
    for (int i = 0; i < 10000 && !tasks.empty(); ++i) {
      auto task = std::move(tasks.front());
      tasks.pop_front();
      task();
    }
  }
};

}  // namespace

struct HeadlessRaceWindow::Parts {
  RaceControlSet<PlainLabel, PlainTextBox, PlainButton> controls;
  BlockPort port;
  KeptMessages messages;
  QueueHost host;
};

HeadlessRaceWindow::HeadlessRaceWindow(MeetData& meet) : parts_(std::make_unique<Parts>()) {
  Parts& p = *parts_;
  window_ = std::make_unique<RaceWindow>(p.controls.Pointers(), meet, p.messages, p.port, p.host);
  // The boxes' change handling, as the Qt layer wires it.
  p.controls.Wire(*window_);
}

HeadlessRaceWindow::~HeadlessRaceWindow() = default;

void HeadlessRaceWindow::ShowRace(int race) {
  window_->Book().RaceNo = race;
  window_->ShowRaceHeader();
  // The load restored the touches of the race it found on screen in the
  // data folder (a race interrupted there); the race re-timed starts bare,
  // or its first touch could be taken for a repeat of that race's last.
  window_->ForgetTouchesOnScreen();
  parts_->host.Run();
}

bool HeadlessRaceWindow::StartReception() {
  parts_->controls.txtPort.SetText("1");
  if (!window_->Receiving()) window_->OnStartStopClick();
  parts_->host.Run();
  return window_->Receiving();
}

void HeadlessRaceWindow::StopReception() {
  if (window_->Receiving()) window_->OnStartStopClick();
  parts_->host.Run();
}

void HeadlessRaceWindow::Deliver(const std::string& block) {
  parts_->port.next = block;
  if (parts_->port.onNotify) parts_->port.onNotify();
  parts_->host.Run();
}

void HeadlessRaceWindow::ReplayRestart(const RaceRestarted& restarted) {
  window_->ReplayRestart(restarted);
  parts_->host.Run();
}

const std::vector<std::string>& HeadlessRaceWindow::Messages() const {
  return parts_->messages.texts;
}

void HeadlessRaceWindow::SetLaneMap(const std::string& map) {
  for (int i = 0; i < kLanes && i < static_cast<int>(map.size()); ++i) {
    parts_->controls.txtSingo[i].SetText(
        Cp932ToUtf8(std::string(1, map[static_cast<std::size_t>(i)])));
  }
}

}  // namespace poolside
