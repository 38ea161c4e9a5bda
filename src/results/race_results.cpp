#include "results/race_results.h"

#include <algorithm>
#include <type_traits>

#include "meetdata/meet_data.h"
#include "platform/file_read.h"
#include "platform/fs_path.h"
#include "results/race_json.h"
#include "vocabulary/data_folder.h"
#include "vocabulary/race_status.h"

namespace poolside {

ResultFolder ResultFolderOf(const MeetData& meet) {
  ResultFolder f;
  f.paths = meet.Paths();
  f.dataFolder = meet.DataFolder;
  f.settings = meet.Settings;
  f.deskFile = JoinNative(meet.DataPath(kExportFolderName), kDeskFileName);
  return f;
}

RaceResults::RaceResults(std::function<void(const std::string&)> problem)
    : problem_(std::move(problem)) {}

RaceResults::~RaceResults() { Detach(); }

void RaceResults::AttachTo(RaceFeed& feed) {
  Detach();
  feed_ = &feed;
  feed.Attach(*this);
}

void RaceResults::Detach() {
  if (feed_ != nullptr) feed_->Detach(*this);
  feed_ = nullptr;
}

void RaceResults::SetFolder(ResultFolder folder) {
  std::string why;
  DeskKnowledge known = ReadDeskKnowledge(folder.deskFile, why);
  FileReadOptions options;
  options.maxBytes = 1024 * 1024;
  const FileRead book =
      ReadFileBounded(folder.paths.Resolve(folder.dataFolder + kBookFileName), options);
  done_.clear();
  for (std::size_t k = 0; k < book.bytes.size() && k < static_cast<std::size_t>(kBookRaces); ++k) {
    if (IsDoneStatus(book.bytes[k])) done_.insert(static_cast<int>(k) + 1);
  }
  {
    std::lock_guard lock(mutex_);
    folder_ = std::move(folder);
    known_ = std::move(known);
    kept_.clear();
    ++generation_;
  }
  if (!why.empty() && problem_) problem_("机の記録を読めません: " + why);
}

bool RaceResults::HasFolder() const {
  std::lock_guard lock(mutex_);
  return folder_.has_value();
}

std::shared_ptr<const RaceResult> RaceResults::Compute(int race) const {
  auto result = std::make_shared<RaceResult>(
      LoadRaceResult(SourcesOf(folder_->paths, folder_->dataFolder, folder_->settings, race)));
  if (const auto k = known_.find(race); k != known_.end()) {
    ApplyDeskLanes(*result, k->second.lanes);
    if (!k->second.finishedAt.empty()) result->finishedAt = k->second.finishedAt;
  }
  return result;
}

std::shared_ptr<const RaceResult> RaceResults::ResultOf(int race) {
  std::uint64_t generation = 0;
  ResultFolder folder;
  DeskKnowledge::mapped_type knowledge;
  bool known = false;
  {
    std::lock_guard lock(mutex_);
    if (!folder_) return nullptr;
    if (const auto it = kept_.find(race); it != kept_.end()) return it->second.result;
    generation = generation_;
    folder = *folder_;
    if (const auto k = known_.find(race); k != known_.end()) {
      knowledge = k->second;
      known = true;
    }
  }
  // The files are read outside the lock: the feed's thread never waits for
  // another thread's disk.
  auto result = std::make_shared<RaceResult>(
      LoadRaceResult(SourcesOf(folder.paths, folder.dataFolder, folder.settings, race)));
  if (known) {
    ApplyDeskLanes(*result, knowledge.lanes);
    if (!knowledge.finishedAt.empty()) result->finishedAt = knowledge.finishedAt;
  }
  std::lock_guard lock(mutex_);
  if (generation_ == generation && !kept_.count(race)) kept_[race] = {result, RaceJson(*result)};
  return result;
}

void RaceResults::Learn(int race, const RaceKnowledge& k) { known_[race] = k; }

void RaceResults::SaveKnowledge() {
  std::string path;
  DeskKnowledge copy;
  {
    std::lock_guard lock(mutex_);
    path = folder_->deskFile;
    copy = known_;
  }
  const std::string why = WriteDeskKnowledge(path, copy);
  if (!why.empty() && problem_) problem_("机の記録を書けません: " + why);
}

void RaceResults::Tell(int race, RaceResultChanged::Cause cause) {
  RaceResultChanged changed;
  {
    std::lock_guard lock(mutex_);
    if (!folder_ || race < 1 || race > kLastNumberedRecord) return;
    auto result = Compute(race);
    std::string json = RaceJson(*result);
    ++generation_;
    Kept& kept = kept_[race];
    if (kept.result && kept.json == json && cause != RaceResultChanged::Cause::Finished &&
        cause != RaceResultChanged::Cause::Recovered) {
      return;  // nothing any output shows has changed
    }
    kept = {result, std::move(json)};
    changed.result = std::move(result);
  }
  changed.race = race;
  changed.revision = ++revision_;
  changed.cause = cause;
  changed.done = IsRaceDone(changed.result->bookStatus);
  if (feed_ != nullptr) feed_->Publish(changed);
}

void RaceResults::Changed(int race, RaceResultChanged::Cause cause) {
  if (race == 0) {
    const std::set<int> done = done_;
    for (int r : done) Tell(r, cause);
  } else if (done_.count(race)) {
    Tell(race, cause);
  }
}

void RaceResults::TellPendingCopies() {
  std::vector<int> copies;
  copies.swap(pendingCopies_);
  for (int race : copies) Tell(race, RaceResultChanged::Cause::Copied);
}

void RaceResults::OnRaceEvent(const RaceEvent& event) {
  if (!HasFolder()) return;
  if (const auto* f = std::get_if<RaceFinished>(&event)) {
    // Copies still waiting from an earlier finish are as they will stay.
    TellPendingCopies();
    RaceKnowledge k;
    k.finishedAt = IsoLocalTime(now());
    k.lanes = DeskLanesOf(*f);
    {
      std::lock_guard lock(mutex_);
      Learn(f->race, k);
      for (int target : f->combinedTargets) Learn(target, k);
    }
    SaveKnowledge();
    done_.insert(f->race);
    Tell(f->race,
         f->recovered ? RaceResultChanged::Cause::Recovered : RaceResultChanged::Cause::Finished);
    // A target's files are copied after the finish is told: it is told
    // when the book marks it, or at the latest when the next race is shown.
    for (int target : f->combinedTargets) pendingCopies_.push_back(target);
  } else if (const auto* r = std::get_if<TouchesRepaired>(&event)) {
    std::vector<int> races = {r->race};
    races.insert(races.end(), r->combinedTargets.begin(), r->combinedTargets.end());
    bool learnt = false;
    if (IsLane(r->lane)) {
      std::lock_guard lock(mutex_);
      for (int race : races) {
        const auto k = known_.find(race);
        if (k == known_.end()) continue;
        // The repaired lane's end now follows from its touches.
        k->second.lanes.noFinish[LaneIndex(r->lane)] = r->noFinish;
        k->second.lanes.withdrawn[LaneIndex(r->lane)] = false;
        learnt = true;
      }
    }
    if (learnt) SaveKnowledge();
    if (!r->finished) return;
    Tell(r->race, RaceResultChanged::Cause::Repaired);
    for (int target : r->combinedTargets) Tell(target, RaceResultChanged::Cause::Copied);
  } else if (const auto* s = std::get_if<RaceStatusChanged>(&event)) {
    const auto pending = std::find(pendingCopies_.begin(), pendingCopies_.end(), s->race);
    const bool copy = pending != pendingCopies_.end();
    if (copy) pendingCopies_.erase(pending);
    const bool was = done_.count(s->race) > 0;
    const bool now = IsRaceDone(s->status);
    if (now) {
      done_.insert(s->race);
    } else {
      done_.erase(s->race);
    }
    if (was || now || copy) {
      Tell(s->race, copy ? RaceResultChanged::Cause::Copied : RaceResultChanged::Cause::Status);
    }
  } else if (std::holds_alternative<RaceShown>(event)) {
    TellPendingCopies();
  }
}

}  // namespace poolside
