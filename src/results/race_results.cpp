#include "results/race_results.h"

#include <algorithm>
#include <type_traits>

#include "meetdata/competition_record.h"
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

int RaceResults::LastFinished() const {
  std::lock_guard lock(mutex_);
  int last = 0;
  std::string latest;
  for (int race : done_) {
    const auto k = known_.find(race);
    const std::string at = k == known_.end() ? std::string() : k->second.finishedAt;
    // ISO 8601 of one desk's clock: later sorts after.
    if (!at.empty() && at >= latest) {
      latest = at;
      last = race;
    } else if (latest.empty()) {
      last = race;
    }
  }
  return last;
}

void RaceResults::SetFolder(ResultFolder folder) {
  std::string why;
  DeskKnowledge known = ReadDeskKnowledge(folder.deskFile, why);
  FileReadOptions options;
  options.maxBytes = 1024 * 1024;
  const FileRead book =
      ReadFileBounded(folder.paths.Resolve(folder.dataFolder + kBookFileName), options);
  watch_ = std::make_unique<EntryListWatch>(
      folder.paths.Resolve(folder.dataFolder + kEntryListFileName));
  done_.clear();
  for (std::size_t k = 0; k < book.bytes.size() && k < static_cast<std::size_t>(kBookRaces); ++k) {
    if (IsDoneStatus(book.bytes[k])) done_.insert(static_cast<int>(k) + 1);
  }
  {
    std::lock_guard lock(mutex_);
    folder_ = std::move(folder);
    known_ = std::move(known);
    kept_.clear();
    index_.reset();
    ++generation_;
  }
  if (!why.empty() && problem_) problem_("机の記録を読めません: " + why);
  // Nothing has been told yet: the list is read, not told as a change.
  watch_->Poll();
  TakeEntries(watch_->List());
}

void RaceResults::PollEntries() {
  if (!watch_ || !watch_->Poll()) return;
  TakeEntries(watch_->List());
  Changed(0, RaceResultChanged::Cause::Entries);
}

void RaceResults::TakeEntries(std::shared_ptr<const EntryList> list) {
  {
    std::lock_guard lock(mutex_);
    entries_ = list;
    // Done races are told again below, where the names changed; any other
    // kept result is computed again when asked.
    std::erase_if(kept_, [this](const auto& kept) { return done_.count(kept.first) == 0; });
    ++generation_;
  }
  if (entryProblems && !list->problems.empty()) {
    entryProblems(EntryProblemLines(*list, kEntryListFileName));
  }
}

std::shared_ptr<const EntryList> RaceResults::Entries() const {
  std::lock_guard lock(mutex_);
  return entries_;
}

bool RaceResults::HasFolder() const {
  std::lock_guard lock(mutex_);
  return folder_.has_value();
}

std::shared_ptr<const RaceResult> RaceResults::Load(int race, const ResultFolder& folder,
                                                    const RaceKnowledge* knowledge,
                                                    const EntryList& entries,
                                                    std::int64_t threshold) {
  auto result = std::make_shared<RaceResult>(
      LoadRaceResult(SourcesOf(folder.paths, folder.dataFolder, folder.settings, race)));
  if (knowledge != nullptr) {
    ApplyDeskLanes(*result, knowledge->lanes, threshold);
    if (!knowledge->finishedAt.empty()) result->finishedAt = knowledge->finishedAt;
    result->official = knowledge->official;
    result->officialAt = knowledge->officialAt;
  }
  for (LaneResult& lane : result->lanes) {
    if (const EntryName* who = lane.entry != 0 ? entries.Find(lane.entry) : nullptr) {
      lane.who = *who;
    }
  }
  return result;
}

std::shared_ptr<const RaceResult> RaceResults::Compute(int race) const {
  const auto k = known_.find(race);
  return Load(race, *folder_, k != known_.end() ? &k->second : nullptr, *entries_, threshold_);
}

std::shared_ptr<const RaceResult> RaceResults::ResultOf(int race) {
  std::uint64_t generation = 0;
  ResultFolder folder;
  DeskKnowledge::mapped_type knowledge;
  bool known = false;
  std::shared_ptr<const EntryList> entries;
  std::int64_t threshold = kDefaultBackupThreshold;
  {
    std::lock_guard lock(mutex_);
    if (!folder_) return nullptr;
    threshold = threshold_;
    if (const auto it = kept_.find(race); it != kept_.end()) return it->second.result;
    generation = generation_;
    folder = *folder_;
    entries = entries_;
    if (const auto k = known_.find(race); k != known_.end()) {
      knowledge = k->second;
      known = true;
    }
  }
  // The files are read outside the lock: the feed's thread never waits for
  // another thread's disk.
  auto result = Load(race, folder, known ? &knowledge : nullptr, *entries, threshold);
  std::lock_guard lock(mutex_);
  if (generation_ == generation && !kept_.count(race)) kept_[race] = {result, RaceJson(*result)};
  return result;
}

void RaceResults::SetBackupThreshold(std::int64_t hundredths) {
  std::lock_guard lock(mutex_);
  threshold_ = hundredths;
  kept_.clear();
  ++generation_;
}

void RaceResults::SetRules(const ResultRules& rules) {
  SetQualifiers(rules.qualifiers);
  SetBackupThreshold(rules.backupThreshold);
}

void RaceResults::SetQualifiers(QualifierRule rule) {
  std::lock_guard lock(mutex_);
  qualifiers_ = std::move(rule);
}

std::shared_ptr<const RaceResults::ProgramIndex> RaceResults::Index() {
  std::string path;
  {
    std::lock_guard lock(mutex_);
    if (!folder_) return nullptr;
    if (index_) return index_;
    path = folder_->paths.Resolve(folder_->dataFolder + kMeetFileName);
  }
  FileReadOptions options;
  options.maxBytes = kMeetRecordLength * (kBookRaces + 11);
  options.prefix = true;
  const FileRead read = ReadFileBounded(path, options);
  auto index = std::make_shared<ProgramIndex>();
  if (read.outcome == FileReadOutcome::Ok) {
    const int count = std::min(CompetitionCountOf(read.bytes), kBookRaces);
    for (int race = 1; race <= count; ++race) {
      const CompetitionRecord r = CompetitionAt(read.bytes, race);
      index->programOf.push_back(r.ProgramNo);
      if (r.ProgramNo == 0) continue;
      index->races[r.ProgramNo].push_back(race);
      int& heats = index->heats[r.ProgramNo];
      heats = std::max<int>(heats, r.HeatCount);
    }
  }
  std::lock_guard lock(mutex_);
  if (!index_) index_ = index;
  return index_;
}

int RaceResults::ProgramOf(int race) {
  const auto index = Index();
  if (!index || race < 1 || race > static_cast<int>(index->programOf.size())) return 0;
  return index->programOf[race - 1];
}

Standings RaceResults::StandingsOf(int program) {
  const auto index = Index();
  std::vector<std::shared_ptr<const RaceResult>> races;
  int heats = 0;
  if (index) {
    if (const auto it = index->races.find(program); it != index->races.end()) {
      for (int race : it->second) races.push_back(ResultOf(race));
      heats = index->heats.at(program);
    }
  }
  QualifierRule rule;
  {
    std::lock_guard lock(mutex_);
    rule = qualifiers_;
  }
  return RankProgram(program, races, heats, rule);
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

void RaceResults::TakeFlag(const LaneFlagged& flag) {
  if (flag.race < 1 || !IsLane(flag.lane)) return;
  const auto at = LaneIndex(flag.lane);
  const bool off =
      flag.reason == LaneFlagged::Reason::Cleared || flag.reason == LaneFlagged::Reason::Accepted;
  {
    std::lock_guard lock(mutex_);
    if (off) {
      const auto k = known_.find(flag.race);
      if (k == known_.end() || k->second.lanes.flags[at].empty()) return;
      DeskLanes& lanes = k->second.lanes;
      if (flag.reason == LaneFlagged::Reason::Accepted) {
        for (const std::string& word : lanes.flags[at]) lanes.accepted[at].push_back(word);
      } else {
        lanes.accepted[at].clear();  // repaired: later touches are judged afresh
      }
      lanes.flags[at].clear();
      lanes.flagText[at].clear();
    } else {
      DeskLanes& lanes = known_[flag.race].lanes;
      const std::string word = FlagWord(flag.reason);
      const auto& accepted = lanes.accepted[at];
      if (std::find(accepted.begin(), accepted.end(), word) != accepted.end()) return;
      auto& words = lanes.flags[at];
      if (std::find(words.begin(), words.end(), word) != words.end() &&
          lanes.flagText[at] == flag.message) {
        return;  // already open
      }
      if (std::find(words.begin(), words.end(), word) == words.end()) words.push_back(word);
      lanes.flagText[at] = flag.message;
    }
  }
  SaveKnowledge();
  if (done_.count(flag.race)) Tell(flag.race, RaceResultChanged::Cause::Flags);
}

bool RaceResults::Unsign(const std::vector<int>& races) {
  bool any = false;
  for (int race : races) {
    const auto k = known_.find(race);
    if (k == known_.end() || !k->second.official) continue;
    k->second.official = false;
    any = true;
  }
  return any;
}

void RaceResults::TakeBackups(const BackupsRecorded& b) {
  if (b.race < 1 || !IsLane(b.lane)) return;
  LaneBackup backup;
  backup.watches = b.watches;
  if (backup.watches.size() > kMaxWatches) backup.watches.resize(kMaxWatches);
  if (!b.use.empty() && ParseTimeUse(b.use, backup.use)) {
    backup.typed = backup.use == TimeUse::Typed ? b.typed : 0;
    backup.reason = backup.use == TimeUse::Console ? std::string() : b.reason;
    backup.decidedAt = b.at;
  }
  std::vector<int> races = {b.race};
  races.insert(races.end(), b.combinedTargets.begin(), b.combinedTargets.end());
  {
    std::lock_guard lock(mutex_);
    for (int race : races) {
      LaneBackup& kept = known_[race].lanes.backups[LaneIndex(b.lane)];
      if (backup.use == TimeUse::Undecided) {
        // Watches alone keep the decision taken before.
        kept.watches = backup.watches;
      } else {
        kept = backup;
      }
    }
    if (backup.use != TimeUse::Undecided) Unsign(races);
  }
  SaveKnowledge();
  if (done_.count(b.race) || b.finished) Tell(b.race, RaceResultChanged::Cause::Backups);
  for (int target : b.combinedTargets) Tell(target, RaceResultChanged::Cause::Copied);
}

void RaceResults::TakeSignOff(const RaceSignedOff& o) {
  if (o.race < 1) return;
  {
    std::lock_guard lock(mutex_);
    RaceKnowledge& k = known_[o.race];
    k.official = o.official;
    if (o.official) k.officialAt = o.at;
  }
  SaveKnowledge();
  Tell(o.race, RaceResultChanged::Cause::Official);
}

void RaceResults::Changed(int race, RaceResultChanged::Cause cause) {
  if (cause == RaceResultChanged::Cause::Entries) {
    std::lock_guard lock(mutex_);
    index_.reset();
  }
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
      // The flags raised while it ran stay open after the finish.
      if (const auto was = known_.find(f->race); was != known_.end()) {
        k.lanes.flags = was->second.lanes.flags;
        k.lanes.flagText = was->second.lanes.flagText;
        k.lanes.accepted = was->second.lanes.accepted;
        // Watches may be typed before the race ends; a new finish is a
        // change that takes a sign-off back.
        k.lanes.backups = was->second.lanes.backups;
        k.officialAt = was->second.officialAt;
      }
      Learn(f->race, k);
      for (int target : f->combinedTargets) Learn(target, k);
    }
    SaveKnowledge();
    done_.insert(f->race);
    Tell(f->race,
         f->recovered ? RaceResultChanged::Cause::Recovered : RaceResultChanged::Cause::Finished);
    if (!f->recovered && onOpenFlags) {
      if (const auto result = ResultOf(f->race)) {
        if (const std::string notice = OpenFlagsNotice(*result); !notice.empty()) {
          onOpenFlags(notice);
        }
      }
    }
    // A target's files are copied after the finish is told: it is told
    // when the book marks it, or at the latest when the next race is shown.
    for (int target : f->combinedTargets) pendingCopies_.push_back(target);
  } else if (const auto* r = std::get_if<TouchesRepaired>(&event)) {
    std::vector<int> races = {r->race};
    races.insert(races.end(), r->combinedTargets.begin(), r->combinedTargets.end());
    bool learnt = false;
    if (IsLane(r->lane)) {
      std::lock_guard lock(mutex_);
      learnt = Unsign(races);
      for (int race : races) {
        const auto k = known_.find(race);
        if (k == known_.end()) continue;
        // The repaired lane's end now follows from its touches, and the
        // operator has looked at them.
        k->second.lanes.noFinish[LaneIndex(r->lane)] = r->noFinish;
        k->second.lanes.withdrawn[LaneIndex(r->lane)] = false;
        k->second.lanes.flags[LaneIndex(r->lane)].clear();
        k->second.lanes.flagText[LaneIndex(r->lane)].clear();
        k->second.lanes.accepted[LaneIndex(r->lane)].clear();
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
  } else if (const auto* flag = std::get_if<LaneFlagged>(&event)) {
    TakeFlag(*flag);
  } else if (const auto* b = std::get_if<BackupsRecorded>(&event)) {
    TakeBackups(*b);
  } else if (const auto* o = std::get_if<RaceSignedOff>(&event)) {
    TakeSignOff(*o);
  } else if (const auto* m = std::get_if<ManualEntryStored>(&event)) {
    bool unsigned_ = false;
    {
      std::lock_guard lock(mutex_);
      unsigned_ = Unsign({m->race});
    }
    if (unsigned_) {
      SaveKnowledge();
      Changed(m->race, RaceResultChanged::Cause::Official);
    }
  } else if (const auto* restarted = std::get_if<RaceRestarted>(&event)) {
    // A race started over has no touches left to doubt.
    if (restarted->choice != RaceRestarted::Choice::StartOver) return;
    for (int lane = 1; lane <= kLanes; ++lane) {
      TakeFlag(LaneFlagged{restarted->race, lane, LaneFlagged::Reason::Cleared, ""});
    }
  } else if (std::holds_alternative<RaceShown>(event)) {
    TellPendingCopies();
  }
}

}  // namespace poolside
