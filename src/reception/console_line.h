#pragma once
// The timing console's fixed-column records, decoded as pure functions of
// one block (the text of one read of the port).

#include <cstdint>
#include <string>
#include <string_view>

namespace poolside {

// Foreign: column 2 is not "A", the block is out of step. Noise: a result
// line whose time text holds a byte that would break the lap file's items
// (a comma, a double quote, a line end or any other control byte).
enum class LineClass { Foreign, Result, Ignored, Clock, Noise };

inline constexpr std::string_view kZeroClock = "    0.00";
inline constexpr std::string_view kDefaultLaneMap = "1234567890";

LineClass Classify(std::string_view block);
// True for a block that reception takes as noise (Classify gives Noise).
inline bool IsNoiseRecord(std::string_view block) { return Classify(block) == LineClass::Noise; }
// True when the time text holds a comma, a double quote or a control byte
// (below 0x20, or 0x7F). Letters and bytes above 0x7F are no noise.
bool BreaksLapItems(std::string_view timeText);
// Column 15, or "" when the block is shorter.
std::string KindOf(std::string_view block);
// Columns 7-14 unchanged (fewer characters when the block is shorter).
std::string TimeTextOf(std::string_view block);
// Position (1..10) of column 4 in laneMap, 0 when absent.
int LaneOf(std::string_view block, std::string_view laneMap);
// Column 5: "1".."9" give 1..9, anything else 10.
int RankOf(std::string_view block);
// mmsshh of an 8-character time text; digits read from the left, blanks
// skipped, stopping at any other character.
std::int32_t PackedTime(std::string_view timeText);

}  // namespace poolside
