#pragma once
// The per-race export on the race feed: every change of a race's result
// (results/race_results.h tells it as RaceResultChanged: a finish by the
// console or by 確定, a combined race's copies, a repair, a recovery, a
// status change) leaves export\rNNNN.json and export\rNNNN.csv in the data
// folder, written from the result as told, nothing read again.
//
// Threads: encoding and the atomic writes with their flushes to the disk,
// whose time the disk decides, run on the listener's own thread behind a
// bounded queue. OnRaceEvent never waits for the disk.

#include <condition_variable>
#include <functional>
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
  // Waits for what is queued, then ends the thread.
  ~ExportListener() override;
  ExportListener(const ExportListener&) = delete;
  ExportListener& operator=(const ExportListener&) = delete;

  void OnRaceEvent(const RaceEvent& event) override;

  // The standings JSON of a program (the result's owner's), written as
  // export\eventP.json after each change of one of its heats. Set before
  // the first event; unset, or "" for a program, no standings are written.
  using EventsOf = std::function<std::string(int program)>;
  void SetEvents(EventsOf events) { events_ = std::move(events); }

  // Queues the export of `result`.
  void Export(const RaceResult& result);
  // Waits until everything queued so far is written (or has failed).
  void Flush();

 private:
  struct Job {
    RaceResult result;
    std::string folder;
  };
  void Run();
  void Done();

  const MeetData& meet_;
  const CsvEncoding encoding_;
  const Sinks sinks_;
  EventsOf events_;
  BoundedQueue<Job> queue_{256};
  std::mutex mutex_;
  std::condition_variable idle_;
  int pending_ = 0;
  bool stopping_ = false;
  std::thread worker_;
};

}  // namespace poolside
