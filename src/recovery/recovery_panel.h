#pragma once
// The logic of the timing window's recovery dialog (Ctrl+R): the captured
// races of this meet's capture folder, a preview of re-timing one of them
// into a race, and the apply that asks first. Nothing is applied while the
// window is receiving.

#include <functional>
#include <string>
#include <vector>

#include "capture/captured_races.h"
#include "feed/race_events.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "recovery/recovery_tables.h"

namespace poolside {

class RecoveryPanel {
 public:
  // `sources`: capture files or folders, read as one capture. `raceFiles`
  // gives the files of a race in the data folder (for the event names, the
  // preview beside the files as they are and the question); may be empty.
  RecoveryPanel(const PathMapper& paths, std::vector<std::string> sources, MessageSink& messages,
                RaceSourcesOf raceFiles = {});

  // Reads the captures again; false (the message in Problem) when they
  // cannot be read. Problem also names the files left out or read short
  // (empty or half-written, CaptureFiles) when the rest could be read.
  bool Refresh();
  const std::vector<CapturedRace>& Races() const { return races_; }
  std::vector<std::string> Lines() const;
  // The captured races as the dialog's table shows them.
  std::vector<CapturedRaceRow> Rows() const;
  const std::string& Problem() const { return problem_; }
  // The captured race the dialog opens on (1-based; 0 when none): the
  // latest that finished, else the latest with a touch, else the latest.
  // The race just put on screen, not swum yet, is the latest stretch but
  // rarely the one to re-time.
  int SuggestedIndex() const;
  // A stretch without a touch has nothing to re-time: no apply.
  bool HasTouches(int index) const;

  // What re-timing captured race `index` (1-based) as `race` would write,
  // or the message saying why it cannot.
  std::string Preview(int index, int race);
  // The same as a table beside the race's files as they are now; false with
  // the message in `problem` when it cannot be made.
  bool PreviewTable(int index, int race, RetimingPreview& out, std::string& problem);
  // Asks, then writes. False when the operator declined, the window is
  // receiving, or it failed (the message shown).
  bool Apply(int index, int race, bool receiving);

  // Runs after a successful apply with the race as the feed tells it (race
  // N, the races it marked done as its combined targets): the timing window
  // publishes it (RaceWindow::ShowRecoveredRace), so the export and the
  // live pages see it, and draws its race again.
  std::function<void(const RaceFinished& recovered)> onApplied;

 private:
  const PathMapper& paths_;
  std::vector<std::string> sources_;
  std::vector<std::string> files_;
  MessageSink& messages_;
  RaceSourcesOf raceFiles_;
  std::vector<CapturedRace> races_;
  std::string problem_;
};

}  // namespace poolside
