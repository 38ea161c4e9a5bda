#include "timing/race_window.h"

#include <algorithm>

#include "platform/cp932.h"
#include "racebook/combined_setup.h"
#include "racebook/navigation.h"
#include "racebook/status_entry.h"

namespace poolside {

RaceWindow::RaceWindow(const RaceControls& controls, MeetData& meet, MessageSink& messages,
                       SerialPort& port, WindowHost& host, RaceFeed* feed)
    : c_(controls),
      meet_(meet),
      messages_(messages),
      port_(port),
      host_(host),
      feed_(feed != nullptr ? feed : &ownFeed_) {
  port_.onNotify = [this] { OnPortNotification(); };
  port_.onError = [this](const std::string& message) { OnPortError(message); };
  port_.onReceived = [this](std::string_view bytes, WallTime wall, MonoTime mono) {
    feed_->Publish(BytesReceived{std::string(bytes), wall, mono});
  };
  feed_->Attach(readWatch_);
}

// The feed outlives the window (it may be the caller's).
RaceWindow::~RaceWindow() { feed_->Detach(readWatch_); }

std::string RaceWindow::LastKind() const {
  const char kind = reception_.LastKind();
  return kind == '\0' ? std::string() : std::string(1, kind);
}

std::string RaceWindow::GoalSeen() const {
  if (reception_.GoalSeen()) return "1";
  return reception_.FinishedOnce() ? "0" : "";
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

void RaceWindow::PublishBookChanges() {
  const std::string& book = book_.RaceBook;
  if (publishedBook_.size() != book.size()) {
    publishedBook_ = book;
    return;
  }
  for (std::size_t k = 0; k < book.size(); ++k) {
    if (book[k] == publishedBook_[k]) continue;
    publishedBook_[k] = book[k];
    RaceStatusChanged changed;
    changed.race = static_cast<int>(k) + 1;
    if (book[k] != '\0') changed.status = Cp932ToUtf8(std::string(1, book[k]));
    feed_->Publish(changed);
  }
}

void RaceWindow::PublishPortProblem(const std::string& message) {
  feed_->Publish(PortProblem{portNumber_, message});
}

// The race book operations change the book only through a successful save;
// a failed one throws before anything is published.
void RaceWindow::OnRaceSelectKeyDown(int keyCode) {
  // Up, Down and an entry with a point put a race on screen, which empties
  // the lanes; anything else is typing.
  bool showsRace = keyCode == kKeyUp || keyCode == kKeyDown;
  if (keyCode == kKeyEnter) {
    const std::string text =
        Utf8Prefix(c_.txtBiko->Text(), static_cast<std::size_t>(std::max(0, c_.txtBiko->Caret())));
    showsRace = text.find('.') != std::string::npos;
  }
  if (showsRace && !ConfirmDroppingTypedEntries()) return;
  ::poolside::OnRaceSelectKeyDown(*this, keyCode);
  PublishBookChanges();
}

void RaceWindow::OnStatusBoxChange() {
  ::poolside::OnStatusBoxChange(*this);
  PublishBookChanges();
}

void RaceWindow::OnShokiClick() {
  SetupCombinedRaces(*this);
  PublishBookChanges();
}

void RaceWindow::OnKakuteiClick() {
  OnConfirmClick(*this);
  PublishBookChanges();
}

}  // namespace poolside
