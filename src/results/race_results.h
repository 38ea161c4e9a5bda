#pragma once
// The one owner of every race's result. It listens to the race feed for
// every change of a race (a finish, the copies of a combined race, a touch
// repair, a recovery, a status change of the book, an edit of the race's
// heat), computes the race's result once from the vocabulary's readers of
// its files, the meet file, the book and what the desk knows
// (results/desk_knowledge.h), and tells it on the same feed as one
// RaceResultChanged, after the event that changed it. The export, the live
// pages, the broker and the result view take race N's result from that
// event, or from ResultOf for a race that has not changed in this run.
//
// Threads: OnRaceEvent and Changed on the feed's thread; ResultOf on any.

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "feed/race_feed.h"
#include "meetdata/settings.h"
#include "platform/paths.h"
#include "results/desk_knowledge.h"
#include "results/race_result.h"
#include "results/standings.h"

namespace poolside {

class MeetData;

// Where a meet's races are: taken from the meet data on the feed's thread,
// then used on any.
struct ResultFolder {
  PathMapper paths;
  std::string dataFolder;  // as MeetData::DataFolder has it
  MeetSettings settings;
  std::string deskFile;  // native path of export\desk.json
};
ResultFolder ResultFolderOf(const MeetData& meet);

// The meet's settings that shape every result: how many go on from each
// round and the difference (hundredths) above which a lane's watches raise
// a flag. The desk and every command line that writes a result use the
// same, so their outputs agree.
struct ResultRules {
  QualifierRule qualifiers;
  std::int64_t backupThreshold = kDefaultBackupThreshold;
};

class RaceResults : public RaceListener {
 public:
  // Problems of the desk file (read or write) go to `problem`, on the
  // feed's thread.
  explicit RaceResults(std::function<void(const std::string&)> problem = {});
  ~RaceResults() override;
  RaceResults(const RaceResults&) = delete;
  RaceResults& operator=(const RaceResults&) = delete;

  // Listens to `feed` and tells the changes there; attached before every
  // output, so that each sees a change after the event that made it. Until
  // then (as for --export-all) changes are told to nobody.
  void AttachTo(RaceFeed& feed);
  void Detach();

  // The meet's folder (after the timing window's load); reads what the desk
  // knows. Races told before it are ignored.
  void SetFolder(ResultFolder folder);
  bool HasFolder() const;

  void OnRaceEvent(const RaceEvent& event) override;

  // Race N changed for a reason the feed does not carry (an edit of its
  // heat; 0: every race, an import): each done race is told now when its
  // result differs from the last one told.
  void Changed(int race, RaceResultChanged::Cause cause);

  // The race finished last: of the races the book marks done, the one with
  // the latest finish the desk knows, else the highest number; 0 when none.
  // The feed's thread.
  int LastFinished() const;

  // Race N's result as the outputs show it; never null once SetFolder ran
  // (null before). Any thread.
  std::shared_ptr<const RaceResult> ResultOf(int race);

  // A race finished by the console or 確定 with lanes still flagged: the
  // notice naming them (OpenFlagsNotice), on the feed's thread, after the
  // result was told. Must not block.
  std::function<void(const std::string&)> onOpenFlags;
  // Reads the data folder's entry list again when its bytes changed (the
  // first call after SetFolder always reads it): the names of every lane
  // come from it, and each done race whose result changed is told
  // (Cause::Entries). Its problems go to `entryProblems`, one line each.
  // The feed's thread.
  void PollEntries();
  std::shared_ptr<const EntryList> Entries() const;
  std::function<void(const std::vector<std::string>&)> entryProblems;

  // How many go on from each round (standings.h); set before the outputs
  // start.
  void SetQualifiers(QualifierRule rule);
  // The difference (hundredths) above which a lane's watches raise a flag
  // (results/backup_times.h); set before the outputs start.
  void SetBackupThreshold(std::int64_t hundredths);
  // Both at once, as the desk and every command line that writes a result
  // take them from the same settings.
  void SetRules(const ResultRules& rules);
  // The standings of program P from the results of its heats (the meet
  // file's races with that program number), names in full. Any thread.
  Standings StandingsOf(int program);
  // Race N's program number, 0 when the meet file has none. Any thread.
  int ProgramOf(int race);

  // For tests: the moment a finish is taken to have happened.
  std::function<WallTime()> now = [] { return std::chrono::system_clock::now(); };

 private:
  std::shared_ptr<const RaceResult> Compute(int race) const;  // mutex_ held
  static std::shared_ptr<const RaceResult> Load(int race, const ResultFolder& folder,
                                                const RaceKnowledge* knowledge,
                                                const EntryList& entries, std::int64_t threshold);
  void Tell(int race, RaceResultChanged::Cause cause);
  void Learn(int race, const RaceKnowledge& k);  // mutex_ held
  // A flag raised (kept open, from the moment it is raised) or looked at.
  void TakeFlag(const LaneFlagged& flag);
  void TakeBackups(const BackupsRecorded& recorded);
  void TakeSignOff(const RaceSignedOff& signedOff);
  // A change of `races` takes their sign-off back (mutex_ held); true when
  // one was official.
  bool Unsign(const std::vector<int>& races);
  void SaveKnowledge();
  void TakeEntries(std::shared_ptr<const EntryList> list);
  void TellPendingCopies();

  RaceFeed* feed_ = nullptr;
  std::function<void(const std::string&)> problem_;

  mutable std::mutex mutex_;
  std::optional<ResultFolder> folder_;
  DeskKnowledge known_;
  std::shared_ptr<const EntryList> entries_ = std::make_shared<EntryList>();
  std::unique_ptr<EntryListWatch> watch_;  // feed's thread
  QualifierRule qualifiers_;
  std::int64_t threshold_ = kDefaultBackupThreshold;
  // The meet file's races of each program and its count of heats, read
  // when first needed and again after a heat changed.
  struct ProgramIndex {
    std::map<int, std::vector<int>> races;
    std::map<int, int> heats;
    std::vector<int> programOf;  // by race - 1
  };
  std::shared_ptr<const ProgramIndex> index_;
  std::shared_ptr<const ProgramIndex> Index();
  // The last result told or computed of each race, with its JSON to tell a
  // change from none; generation_ grows with every change so that a result
  // computed on another thread meanwhile is not kept.
  struct Kept {
    std::shared_ptr<const RaceResult> result;
    std::string json;
  };
  std::map<int, Kept> kept_;
  std::uint64_t generation_ = 0;

  // Feed's thread only.
  std::uint64_t revision_ = 0;
  std::set<int> done_;              // races the book marks done
  std::vector<int> pendingCopies_;  // combined targets awaiting their copy
};

}  // namespace poolside
