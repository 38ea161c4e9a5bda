#pragma once
// The status book's one character per race (Race.dat): what makes a race
// done. Every feature asks here.

#include <string_view>

namespace poolside {

// A race is done when its character is above "5": "6" finished, "7" and "8"
// the later states the meet office sets. The byte is compared unsigned, so a
// character of 0x80 or above (a Shift-JIS lead byte, a damaged book) counts
// as done as it always has for the timing window.
constexpr bool IsDoneStatus(char c) {
  return static_cast<unsigned char>(c) > static_cast<unsigned char>('5');
}
constexpr bool IsRaceDone(std::string_view status) {
  return !status.empty() && IsDoneStatus(status[0]);
}

}  // namespace poolside
