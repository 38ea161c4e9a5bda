#pragma once
// The per-race export on the race feed: every finished race (by the console,
// by 確定, as a combined-race target, by a recovery) leaves
// export\rNNNN.json and export\rNNNN.csv in the data folder. A recovery
// applied from the timing window comes as a RaceFinished too (`recovered`).
//
// A combined race's targets are copied after RaceFinished is published: each
// target is read when its status change ("6") arrives, or at the latest when
// the next race is shown (a copy that failed exports what can be read).
//
// Threads: on RaceFinished the race's files are read on the publisher's
// thread (a few small read-only reads, tens of microseconds: the snapshot is
// the race as it was finished, before the next race can touch its lap
// file); encoding and the atomic writes with their flushes to the disk,
// whose time the disk decides, run on the listener's own thread behind a
// bounded queue. OnRaceEvent never waits for the disk.

#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "feed/bounded_queue.h"
#include "feed/race_feed.h"
#include "results/race_csv.h"
#include "results/race_result.h"

namespace poolside {

class MeetData;

class ExportListener : public RaceListener {
 public:
  // Reports; either may be called on the listener's thread.
  struct Sinks {
    // A failed export, for the operator: one message naming the file.
    std::function<void(const std::string&)> failure;
    // Files that could not be read, written anyway (diagnostics).
    std::function<void(const std::string&)> note;
    // A file written (native path).
    std::function<void(const std::string&)> written;
  };

  // `meet` is read on the publisher's thread only (data folder, settings).
  ExportListener(const MeetData& meet, CsvEncoding encoding, Sinks sinks);
  // Drains, then ends the thread.
  ~ExportListener() override;
  ExportListener(const ExportListener&) = delete;
  ExportListener& operator=(const ExportListener&) = delete;

  void OnRaceEvent(const RaceEvent& event) override;

  // Queues the export of `race` as finished at `finishedAt`, as a
  // RaceFinished does for its race and each combined target; `desk`, when
  // given, is what the desk knew of its lanes (see ApplyDeskLanes).
  void ExportRace(int race, WallTime finishedAt, const DeskLanes* desk = nullptr);
  // Waits until everything queued so far is written (or has failed).
  void Flush();
  // On the publisher's thread, before the program ends: exports the combined
  // targets still waiting for their copy, then waits like Flush.
  void Drain();

 private:
  struct Job {
    RaceResult result;
    std::string folder;
  };
  void Run();
  void Done();
  void ExportPendingTargets();

  struct PendingTarget {
    int race;
    WallTime finishedAt;
    std::optional<DeskLanes> desk;  // none for a recovered race
  };
  std::vector<PendingTarget> pendingTargets_;  // publisher's thread only
  // What the desk knew of the races finished in this run, for their export
  // again after a repair of their touches (publisher's thread only).
  std::map<int, std::pair<WallTime, DeskLanes>> finished_;

  const MeetData& meet_;
  const CsvEncoding encoding_;
  const Sinks sinks_;
  BoundedQueue<Job> queue_{256};
  std::mutex mutex_;
  std::condition_variable idle_;
  int pending_ = 0;
  bool stopping_ = false;
  std::thread worker_;
};

}  // namespace poolside
