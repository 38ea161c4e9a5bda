#pragma once
// A race feed without a window, for the command lines that change a race
// (a touch repair, a recovery): the result's owner and the export attached
// as on the desk, so that the race's result is the desk's and its export is
// written by the same path. What changed reaches the pages and the broker
// when a desk next starts on the folder.

#include <mutex>
#include <string>
#include <vector>

#include "export/export_listener.h"
#include "feed/race_feed.h"
#include "results/race_results.h"

namespace poolside {

class MeetData;

class CommandFeed {
 public:
  // `meet` has read its control file and settings; `rules` are the desk's
  // (who goes on in the standings written beside the races, when watches
  // are flagged), so the files written agree with the desk's.
  CommandFeed(const MeetData& meet, CsvEncoding encoding, const ResultRules& rules);
  ~CommandFeed();
  CommandFeed(const CommandFeed&) = delete;
  CommandFeed& operator=(const CommandFeed&) = delete;

  void Publish(const RaceEvent& event) { feed_.Publish(event); }
  // The owner of the races' results, as the desk's.
  RaceResults& Results() { return results_; }
  // Waits for the exports; one message per failure (the export's, the desk
  // file's), in order.
  std::vector<std::string> Finish();

 private:
  std::mutex mutex_;
  std::vector<std::string> failures_;
  RaceFeed feed_;
  RaceResults results_;
  ExportListener export_;
};

}  // namespace poolside
