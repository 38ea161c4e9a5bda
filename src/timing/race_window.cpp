#include "timing/race_window.h"

#include "racebook/combined_setup.h"
#include "racebook/navigation.h"
#include "racebook/status_entry.h"

namespace poolside {

RaceWindow::RaceWindow(const RaceControls& controls, MeetData& meet, MessageSink& messages,
                       SerialPort& port, WindowHost& host)
    : c_(controls), meet_(meet), messages_(messages), port_(port), host_(host) {
  for (int lane = 1; lane <= kLanes; ++lane) LaneTime[lane] = 999999;
  port_.onNotify = [this] { OnPortNotification(); };
  port_.onError = [this](const std::string& message) { OnPortError(message); };
}

bool RaceWindow::Receiving() const {
  return c_.cmdZushin != nullptr && c_.cmdZushin->Caption() == race_texts::kStop;
}

void RaceWindow::Report(const std::string& text) {
  if (inNotification_) {
    host_.Post([this, text] { messages_.ShowMessage(text); });
  } else {
    messages_.ShowMessage(text);
  }
}

void RaceWindow::ReportError(const std::string& text) {
  if (inNotification_) {
    host_.Post([this, text] { messages_.ShowError(text); });
  } else {
    messages_.ShowError(text);
  }
}

void RaceWindow::OnRaceSelectKeyDown(int keyCode) {
  ::poolside::OnRaceSelectKeyDown(*this, keyCode);
}

void RaceWindow::OnStatusBoxChange() { ::poolside::OnStatusBoxChange(*this); }

void RaceWindow::OnShokiClick() { SetupCombinedRaces(*this); }

void RaceWindow::OnKakuteiClick() { OnConfirmClick(*this); }

}  // namespace poolside
