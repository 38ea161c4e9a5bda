#pragma once
// The timekeepers' watches of a lane and the referee's decision on its
// official time, as plain values. Times are hundredths of a second; a third
// digit is never kept (it is dropped, not rounded).
//
// The backup time of a lane's watches: with three, the time two of them
// agree on, else the middle one; with two, their mean with the third digit
// dropped; with one, that watch (flagged single_watch).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace poolside {

inline constexpr std::size_t kMaxWatches = 3;
// The default of --backup-threshold and of poolside.conf's backup_threshold:
// 0.30 s.
inline constexpr std::int64_t kDefaultBackupThreshold = 30;

// Which time the referee made the lane's official one.
enum class TimeUse { Undecided, Console, Backup, Typed };
// "console", "backup", "typed"; "" for Undecided.
const char* TimeUseWord(TimeUse use);
// The word of TimeUseWord (not ""); false when it is none.
bool ParseTimeUse(const std::string& word, TimeUse& use);

// What the desk keeps of one lane: the watches in the order typed and the
// decision taken on them.
struct LaneBackup {
  std::vector<std::int64_t> watches;
  TimeUse use = TimeUse::Undecided;
  std::int64_t typed = 0;  // TimeUse::Typed: the typed time
  std::string reason;      // why a time other than the console's is used
  std::string decidedAt;   // ISO 8601 with its UTC offset; "" when undecided
  bool Empty() const { return watches.empty() && use == TimeUse::Undecided; }
};

// A time typed as the time boxes read it: digits only ("10456" = 1:04.56,
// "2345" = 23.45) or with its marks ("1:04.56", "23.45"); full-width digits
// read as their twins. None when it is no time (zero, seconds past 59, more
// than two digits after the point, anything else).
std::optional<std::int64_t> TypedHundredths(const std::string& typed);
// The packed value of the goal file (mmsshh) of a time; hundredths from 1 to
// 66:59.99 only.
std::optional<std::int32_t> PackedTime(std::int64_t hundredths);
// "1:04.56", "23.45", as the listing and the slip show a time.
std::string HundredthsText(std::int64_t hundredths);

// The backup time of `watches` (none without a watch; the first three count).
std::optional<std::int64_t> BackupTime(const std::vector<std::int64_t>& watches);

// What the flags of a lane are judged from.
struct BackupFacts {
  bool entry = false;                   // the lane has an entry
  bool judged = false;                  // the race is finished: a missing console time is missing
  bool otherStatus = false;             // disqualified or withdrawn: no time is expected
  std::optional<std::int64_t> console;  // the console's finish time
  std::vector<std::int64_t> watches;
};
// The flags' words, in this order: "difference", "watch_spread",
// "no_console_time", "no_time", "single_watch". A difference of exactly
// `threshold` is not flagged.
std::vector<std::string> BackupFlags(const BackupFacts& facts, std::int64_t threshold);
// The desk's words for one flag word ("" for a word it does not know).
std::string BackupFlagText(const std::string& word);

// A threshold typed in seconds ("0.30", "0.3", "1"): hundredths from 0 to
// 10 s; none when it is not one.
std::optional<std::int64_t> ParseThresholdSeconds(const std::string& text);

}  // namespace poolside
