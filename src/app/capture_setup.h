#pragma once
// The capture journal of one program run, as the options ask: off with
// --no-capture, in --capture DIR (opened at once), or else in the folder
// "capture" of the data folder, opened as soon as the timing window's load
// has found the data folder. A journal that fails is told once as a
// warning after the event at hand, never inside reception.

#include <memory>
#include <string>
#include <vector>

#include "app/options.h"
#include "capture/capture_journal.h"
#include "feed/race_feed.h"
#include "meetdata/meet_data.h"
#include "platform/messages.h"
#include "platform/window_host.h"

namespace poolside {

class CaptureSetup {
 public:
  CaptureSetup(const Options& options, const std::vector<std::string>& args, RaceFeed& feed,
               MessageSink& messages, WindowHost& host);
  ~CaptureSetup();
  CaptureSetup(const CaptureSetup&) = delete;
  CaptureSetup& operator=(const CaptureSetup&) = delete;

  // Call after the timing window's load: opens the journal in the data
  // folder unless it is open already or turned off, then completes a touch
  // repair that an interruption left in the data folder (its line
  // journaled first), telling the operator either way, and publishes it on
  // the feed as a repair.
  void AfterLoad(const MeetData& meet);
  // The journal, or null with --no-capture.
  CaptureJournal* Journal() { return journal_.get(); }

 private:
  RaceFeed& feed_;
  MessageSink& messages_;
  std::unique_ptr<CaptureJournal> journal_;
  bool ownFolder_ = false;
};

// The program's version, as the journal's start line records it.
const char* ProgramVersion();

}  // namespace poolside
