#pragma once
// The grammar of a race's lap and goal files, written and read here only.
//
// Both are Shift-JIS text of items, each followed by a comma, no line ends:
//  - a whole number is its sign position (a blank, or "-"), its digits and
//    one blank: " 3 ", "-1 ", " 12345 " (the copies of a combined race drop
//    the leading blanks);
//  - the lap file is one record per accepted lap or finish, in the order
//    they came: lane, the console's time text, kind (L lap, G finish):
//    " 3 ,   25.06,L,";
//  - the goal file is rank and value of lanes 1..10: twenty numbers,
//    " 1 , 12345 , 0 , 999999 ,...". The values are listed in
//    format/time_values.h; results/ decides what a value means for a lane.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_read.h"
#include "vocabulary/lanes.h"

namespace poolside {

inline constexpr int kGoalItems = 2 * kLanes;  // rank and value of each lane
inline constexpr int kLapRecordItems = 3;      // lane, time text, kind

// Writing.
std::string FileNumber(long long v);  // " 3 ", "-1 "
// One lap record; a byte of the time text above 0x7F (console noise) is
// written "?", so the file stays ASCII.
std::string LapRecord(int lane, const std::string& timeText, char kind);
std::string GoalText(const LaneArray<std::int16_t>& rank, const LaneArray<std::int32_t>& value);
// The copy a combined race's finish makes of a goal or lap file (its bytes):
// every item with its leading blanks dropped, each followed by ",". With
// `items` >= 0 exactly that many are copied, and a file with fewer throws
// IoError naming `name`.
std::string CopiedItems(const std::string& bytes, const std::string& name = "", int items = -1);
// A time text as a lap record holds it: without its blanks, then
// right-aligned in 8 characters ("25.06" -> "   25.06"; "" -> 8 blanks).
std::string LapTimeField(std::string_view text);

// Reading, strictly: the records of a lap file, or the reason it cannot be
// read whole (the touch repair rewrites only a file it read whole).
struct LapTouch {
  int lane = 0;          // 1..10
  std::string timeText;  // 8 characters as the console sent them; 8 blanks = unknown
  char kind = 'L';       // 'L' lap, 'G' finish
};
struct LapTouches {
  std::vector<LapTouch> touches;
  std::string problem;  // "" when every record was read
};
LapTouches ParseLapText(const std::string& text);
std::string LapText(const std::vector<LapTouch>& touches);

// Reading a race's files from the disk: the only place that does. Each is
// read whole, read-only, up to the bound a file of its kind can reach (a
// goal file is 200-odd bytes, the lap file of a 1500 m race a few
// kilobytes); a larger file is refused (TooLarge).
inline constexpr std::size_t kMaxGoalFileBytes = 64 * 1024;
inline constexpr std::size_t kMaxLapFileBytes = 4 * 1024 * 1024;
FileRead ReadGoalFile(const std::string& nativePath);
FileRead ReadLapFile(const std::string& nativePath);
// The same, for code that stops on a failure: the bytes, or IoError naming
// the path and the cause ("ファイルを開けません: PATH (...)").
std::string GoalFileBytes(const std::string& nativePath);
std::string LapFileBytes(const std::string& nativePath);

// Reading for a comparison of two recordings: the records of a lap file
// (lane, time, kind: three items) or of a goal file (rank and value of one
// lane: two items), each as its text with its commas, decoded to UTF-8. A
// last record cut short is a record too, so that two files compare record
// by record whatever they hold.
std::vector<std::string> LapFileRecords(const std::string& bytes);
std::vector<std::string> GoalFileRecords(const std::string& bytes);

// Reading, leniently, for the result reader, which reports what it cannot
// read and keeps the rest. Messages are Japanese, for the operator, without
// the file's name.
struct GoalLane {
  bool read = false;  // rank and value both read
  int rank = 0;       // 0..10
  std::int32_t value = 0;
};
struct GoalItems {
  LaneArray<GoalLane> lanes{};
  std::vector<std::string> problems;
};
// `bytes` as the file holds them (Shift-JIS).
GoalItems ReadGoalItems(const std::string& bytes);

struct LapItem {
  int lane = 0;          // 1..10
  std::string timeText;  // without its blanks ("25.06")
  char kind = 'L';
};
struct LapItems {
  std::vector<LapItem> records;  // the readable records, in the order of the file
  LaneArray<bool> lanesRead{};   // false for a lane that lost a record
  std::vector<std::string> problems;
};
LapItems ReadLapItems(const std::string& bytes);

// An item without the blanks and NUL bytes around it (what a padded field
// of the meet office's files may hold).
std::string TrimmedItem(std::string_view item);

// Reading, leniently: a single item.
// a whole number written as the meet office's files write it: blanks
// around, an optional minus, digits. None for anything else.
std::optional<std::int32_t> ParseFileNumber(std::string_view item);
constexpr bool IsLapKind(std::string_view kind) { return kind == "L" || kind == "G"; }

// The shapes the finish writes, for checks that must hold whatever the
// input was (the fuzz targets, the kill soak, the tests).
bool IsNumberField(std::string_view field);
// Splits a lap file into its records "lane,time,kind,"; false when it is not
// a run of whole records: the lane a whole number, the time without quote
// or control byte, the kind L or G. `records` may be null.
bool SplitLapRecords(std::string_view file, std::vector<std::string>* records);
bool IsWholeLapFile(std::string_view file);
bool IsWholeGoalFile(std::string_view file);  // twenty numbers, each followed by a comma

}  // namespace poolside
