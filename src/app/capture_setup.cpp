#include "app/capture_setup.h"

#include "recovery/interrupted_repair.h"
#include "vocabulary/data_folder.h"

namespace poolside {

const char* ProgramVersion() { return POOLSIDE_VERSION; }

CaptureSetup::CaptureSetup(const Options& options, const std::vector<std::string>& args,
                           RaceFeed& feed, MessageSink& messages, WindowHost& host)
    : feed_(feed), messages_(messages) {
  if (options.noCapture) return;
  journal_ = std::make_unique<CaptureJournal>(ProgramStart{ProgramVersion(), args});
  journal_->onFailure = [&messages, &host](const std::string& text) {
    host.Post([&messages, text] { messages.Warn(text); });
  };
  feed_.Attach(*journal_);
  if (!options.capture.empty()) {
    ownFolder_ = true;
    journal_->Open(options.capture);
  }
}

CaptureSetup::~CaptureSetup() {
  if (journal_) feed_.Detach(*journal_);
}

void CaptureSetup::AfterLoad(const MeetData& meet) {
  if (journal_ && !ownFolder_ && !journal_->Writing()) {
    journal_->Open(meet.DataPath(kCaptureFolderName));
  }
  const auto interrupted = CompleteInterruptedRepair(meet, [this](const TouchesRepaired& e) {
    if (journal_) journal_->OnRaceEvent(e);
  });
  if (!interrupted) return;
  messages_.Warn(interrupted->message);
  // The result's owner, the export and the pages follow it as a repair made
  // now (the journal takes its line again: one repair per intent).
  if (interrupted->completed) feed_.Publish(RepairEventOf(interrupted->intent));
}

}  // namespace poolside
