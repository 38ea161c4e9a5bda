#include "export/export_listener.h"

#include "export/race_export.h"
#include "meetdata/meet_data.h"

namespace poolside {

ExportListener::ExportListener(const MeetData& meet, CsvEncoding encoding, Sinks sinks)
    : meet_(meet), encoding_(encoding), sinks_(std::move(sinks)) {
  worker_ = std::thread([this] { Run(); });
}

ExportListener::~ExportListener() {
  Flush();
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  queue_.Close();
  worker_.join();
}

void ExportListener::OnRaceEvent(const RaceEvent& event) {
  if (const auto* changed = std::get_if<RaceResultChanged>(&event)) Export(*changed->result);
}

void ExportListener::Export(const RaceResult& result) {
  Job job;
  job.result = result;
  job.folder = ExportFolderOf(meet_);
  {
    std::lock_guard lock(mutex_);
    ++pending_;
  }
  if (!queue_.Push(std::move(job))) {
    Done();
    if (sinks_.failure) {
      sinks_.failure("結果を書き出せません: レース " + std::to_string(result.race) +
                     " (書き出し待ちが多すぎます)");
    }
  }
}

void ExportListener::Flush() {
  std::unique_lock lock(mutex_);
  idle_.wait(lock, [&] { return pending_ == 0; });
}

void ExportListener::Done() {
  {
    std::lock_guard lock(mutex_);
    --pending_;
  }
  idle_.notify_all();
}

void ExportListener::Run() {
  for (;;) {
    std::optional<Job> job = queue_.Pop(std::chrono::milliseconds(500));
    if (!job) {
      std::lock_guard lock(mutex_);
      if (stopping_) return;
      continue;
    }
    try {
      if (sinks_.note) {
        for (const ReadProblem& p : job->result.problems) {
          sinks_.note("レース " + std::to_string(job->result.race) + " の書き出し: " + p.file +
                      ": " + p.what);
        }
      }
      const ExportReport report = WriteRaceExport(job->result, job->folder, encoding_);
      if (sinks_.written) {
        for (const std::string& path : report.written) sinks_.written(path);
      }
      if (!report.failure.empty() && sinks_.failure) sinks_.failure(report.failure);
      const std::string standings = events_ && report.failure.empty() && job->result.program > 0
                                        ? events_(job->result.program)
                                        : std::string();
      if (!standings.empty()) {
        const ExportReport event = WriteEventExport(job->result.program, standings, job->folder);
        if (sinks_.written) {
          for (const std::string& path : event.written) sinks_.written(path);
        }
        if (!event.failure.empty() && sinks_.failure) sinks_.failure(event.failure);
      }
    } catch (const std::exception& e) {
      // A sink that throws (or memory running out) must not end the thread.
      try {
        if (sinks_.failure) sinks_.failure(std::string("結果を書き出せません: ") + e.what());
      } catch (...) {
      }
    } catch (...) {
    }
    Done();
  }
}

}  // namespace poolside
