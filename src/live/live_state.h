#pragma once
// What the live pages show, kept on the server's thread: the race on the
// timing window, its lanes, the clock, reception, the status of every race
// and the result of the race finished last. Fed with the race feed's events
// in order; plain C++ so that every rule runs in a unit test.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "feed/race_events.h"
#include "results/entry_list.h"

namespace poolside {

// A finished lane's text when it has no time: no finish was seen (its last
// touch was a lap), or none at all. A typed withdrawal reads 棄権.
inline constexpr const char* kNoFinishText = "ゴール未検出";
inline constexpr const char* kNoTimeText = "記録なし";

struct LiveLane {
  int lane = 0;             // 1..10
  std::int32_t entry = 0;   // entry number of the meet file, 0 = empty lane
  int rank = 0;             // 0 = none yet
  std::string time;         // as the timing window shows it ("" = none)
  std::int32_t packed = 0;  // value behind `time` (packed time or status value)
  int laps = 0;
  int metres = 0;
  bool finished = false;  // a finish seen, or the race ranked
  std::string flag;  // why its touches look wrong ("" when they do not): 確認中 on the pages
  std::string name;  // the entry list's name as published ("" when none or hidden)
  std::string club;
};

struct LiveRace {
  RaceShown header;
  std::array<LiveLane, kLanes> lanes{};
  bool finished = false;  // ranked and its goal file written
  bool official = false;  // signed off by the referee (公式)
};

struct LiveClock {
  std::string text;      // the console's 8 characters, "" before the first
  bool running = false;  // the last clock line moved on from the one before
};

class LiveState {
 public:
  // Everything a snapshot shows, its sequence included: how a relay takes
  // over the desk's state.
  struct Snapshot {
    std::optional<LiveRace> current;
    std::optional<LiveRace> result;
    bool holding = false;
    LiveClock clock;
    bool receiving = false;
    int port = 0;
    bool linkLost = false;
    std::string linkText;
    std::string book;  // status characters of races 1.., '\0' where none
    std::uint64_t sequence = 0;
  };

  LiveState();
  // The state as `snapshot` shows it.
  void Restore(Snapshot snapshot);

  // Applies one event; false when it changes nothing that a page shows (a
  // raw block read from the port), so no message goes to the clients.
  bool Apply(const RaceEvent& event);

  // Where the names of a race's lanes come from when it is put on screen
  // (the result's owner's entry list; any thread may call it), and how
  // they are published.
  using EntriesOf = std::function<std::shared_ptr<const EntryList>()>;
  void SetNames(EntriesOf entries, PublicNames mode);

  // Status characters of races 1..1024 as read from the book at start; the
  // events keep them up to date afterwards.
  void SetStatusBook(std::string book);

  const std::optional<LiveRace>& Current() const { return current_; }
  // The race finished last, kept for the board until the next race starts.
  const std::optional<LiveRace>& Result() const { return result_; }
  // True while the board should show Result() rather than Current().
  bool Holding() const { return holding_; }
  const LiveClock& Clock() const { return clock_; }
  bool Receiving() const { return receiving_; }
  int Port() const { return port_; }
  bool LinkLost() const { return linkLost_; }
  const std::string& LinkText() const { return linkText_; }
  // Status character of race n (1..1024), "" when none.
  std::string Status(int race) const;
  // Counts the events applied, so that a client can tell it missed none.
  std::uint64_t Sequence() const { return sequence_; }

 private:
  void Show(const RaceShown& e);
  void Touch(const LaneTouched& e);
  void Store(const ManualEntryStored& e);
  void Finish(const RaceFinished& e);
  void Repair(const TouchesRepaired& e);
  void Flag(const LaneFlagged& e);
  static void SetFinishedLane(LiveLane& lane, int rank, std::int32_t value, bool noFinish,
                              bool withdrawn);
  void SetClock(const std::string& text);
  void SetLink(const LinkHealth& e);
  void SetStatus(int race, const std::string& status);

  std::optional<LiveRace> current_;
  std::optional<LiveRace> result_;
  bool holding_ = false;
  bool justFinished_ = false;
  LiveClock clock_;
  bool receiving_ = false;
  int port_ = 0;
  bool linkLost_ = false;
  std::string linkText_;
  std::string book_;
  std::uint64_t sequence_ = 0;
  EntriesOf entries_;
  PublicNames publicNames_ = PublicNames::Full;
};

// True when a console clock text shows zero (blank, "0.00", "  0:00.00").
bool ClockIsZero(const std::string& text);

}  // namespace poolside
