#include "reception/console_line.h"

namespace poolside {

namespace {

// Character at 1-based column `col` into `out`; false when the block is
// shorter.
bool ColumnAt(std::string_view block, std::size_t col, char& out) {
  if (col == 0 || block.size() < col) return false;
  out = block[col - 1];
  return true;
}

}  // namespace

LineClass Classify(std::string_view block) {
  char marker = 0;
  if (!ColumnAt(block, 2, marker) || marker != 'A') return LineClass::Foreign;
  char kind = 0;
  if (!ColumnAt(block, 15, kind)) return LineClass::Clock;
  if (kind == 'G' || kind == 'L') {
    return BreaksLapItems(TimeTextOf(block)) ? LineClass::Noise : LineClass::Result;
  }
  if (kind == 'T' || kind == 'K' || kind == 'J') return LineClass::Ignored;
  return LineClass::Clock;
}

bool BreaksLapItems(std::string_view timeText) {
  for (char ch : timeText) {
    const auto b = static_cast<unsigned char>(ch);
    if (b < 0x20 || b == 0x7F || ch == ',' || ch == '"') return true;
  }
  return false;
}

std::string KindOf(std::string_view block) {
  char kind = 0;
  if (!ColumnAt(block, 15, kind)) return {};
  return std::string(1, kind);
}

std::string TimeTextOf(std::string_view block) {
  if (block.size() < 7) return {};
  return std::string(block.substr(6, 8));
}

int LaneOf(std::string_view block, std::string_view laneMap) {
  char id = 0;
  if (!ColumnAt(block, 4, id)) return 0;
  std::size_t n = laneMap.size() < 10 ? laneMap.size() : 10;
  for (std::size_t p = 0; p < n; ++p) {
    if (laneMap[p] == id) return static_cast<int>(p) + 1;
  }
  return 0;
}

int RankOf(std::string_view block) {
  char digit = 0;
  if (ColumnAt(block, 5, digit) && digit >= '1' && digit <= '9') return digit - '0';
  return 10;
}

std::int32_t PackedTime(std::string_view timeText) {
  // Minutes (1-2), seconds (4-5) and hundredths (7-8) joined: at most six
  // digits, so the value always fits.
  std::string joined;
  for (std::size_t from : {std::size_t{0}, std::size_t{3}, std::size_t{6}}) {
    if (from < timeText.size()) joined += timeText.substr(from, 2);
  }
  std::int32_t value = 0;
  for (char ch : joined) {
    if (ch == ' ') continue;
    if (ch < '0' || ch > '9') break;
    value = value * 10 + (ch - '0');
  }
  return value;
}

}  // namespace poolside
