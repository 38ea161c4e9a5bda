#include "export/export_listener.h"

#include "export/race_export.h"
#include "meetdata/meet_data.h"

namespace poolside {

ExportListener::ExportListener(const MeetData& meet, CsvEncoding encoding, Sinks sinks)
    : meet_(meet), encoding_(encoding), sinks_(std::move(sinks)) {
  worker_ = std::thread([this] { Run(); });
}

void ExportListener::Drain() {
  ExportPendingTargets();
  Flush();
}

ExportListener::~ExportListener() {
  try {
    ExportPendingTargets();
  } catch (...) {
    // Nothing may leave a destructor; what was queued is still written.
  }
  Flush();
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  queue_.Close();
  worker_.join();
}

void ExportListener::OnRaceEvent(const RaceEvent& event) {
  if (const auto* finished = std::get_if<RaceFinished>(&event)) {
    ExportPendingTargets();
    const WallTime now = std::chrono::system_clock::now();
    if (finished->recovered) {
      // Written by a recovery: exported as its files read, the race and its
      // combined targets alike; nothing the desk knew of an earlier finish
      // of these races holds for them now.
      ExportRace(finished->race, now);
      finished_.erase(finished->race);
      for (int target : finished->combinedTargets) {
        pendingTargets_.push_back({target, now, std::nullopt});
        finished_.erase(target);
      }
      return;
    }
    const DeskLanes desk = DeskLanesOf(*finished);
    ExportRace(finished->race, now, &desk);
    finished_[finished->race] = {now, desk};
    for (int target : finished->combinedTargets) {
      pendingTargets_.push_back({target, now, desk});
      finished_[target] = {now, desk};
    }
  } else if (const auto* repaired = std::get_if<TouchesRepaired>(&event)) {
    if (!repaired->finished) return;
    // The repaired lane's end now follows from its touches.
    std::vector<int> races = {repaired->race};
    races.insert(races.end(), repaired->combinedTargets.begin(), repaired->combinedTargets.end());
    for (int race : races) {
      auto known = finished_.find(race);
      if (known == finished_.end()) {
        ExportRace(race, std::chrono::system_clock::now());
        continue;
      }
      const std::size_t lane = static_cast<std::size_t>(repaired->lane - 1);
      known->second.second.noFinish[lane] = repaired->noFinish;
      known->second.second.withdrawn[lane] = false;
      ExportRace(race, known->second.first, &known->second.second);
    }
  } else if (const auto* status = std::get_if<RaceStatusChanged>(&event)) {
    for (auto it = pendingTargets_.begin(); it != pendingTargets_.end(); ++it) {
      if (it->race == status->race) {
        const PendingTarget target = *it;
        pendingTargets_.erase(it);
        ExportRace(target.race, target.finishedAt, target.desk ? &*target.desk : nullptr);
        break;
      }
    }
  } else if (std::holds_alternative<RaceShown>(event)) {
    ExportPendingTargets();
  }
}

void ExportListener::ExportPendingTargets() {
  std::vector<PendingTarget> targets;
  targets.swap(pendingTargets_);
  for (const PendingTarget& t : targets) {
    ExportRace(t.race, t.finishedAt, t.desk ? &*t.desk : nullptr);
  }
}

void ExportListener::ExportRace(int race, WallTime finishedAt, const DeskLanes* desk) {
  Job job;
  job.result = LoadRaceResult(SourcesOf(meet_, race));
  if (desk != nullptr) ApplyDeskLanes(job.result, *desk);
  job.result.finishedAt = IsoLocalTime(finishedAt);
  job.folder = ExportFolderOf(meet_);
  {
    std::lock_guard lock(mutex_);
    ++pending_;
  }
  if (!queue_.Push(std::move(job))) {
    Done();
    if (sinks_.failure) {
      sinks_.failure("結果を書き出せません: レース " + std::to_string(race) +
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
