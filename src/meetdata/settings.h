#pragma once
// The meet settings file "kijun.dat": 76 items read in a fixed order.

#include <array>
#include <cstdint>
#include <string>

namespace poolside {

struct MeetSettings {
  std::string Item1, Item2;
  std::array<std::string, 3> Items3to5;
  std::array<std::int32_t, 2> Items6to7{};
  std::string Item8;
  std::string LapBaseCode;  // item 9
  std::array<std::string, 2> Items10to11;
  std::string ClassLabelMode;  // item 12
  std::string Item13;
  std::array<std::int16_t, 2> Items14to15{};
  std::array<std::int16_t, 15> Table16to30{};
  std::array<std::int16_t, 20> Table31to50{};
  std::array<std::int16_t, 20> Table51to70{};
  std::string Item71;
  std::string LapDoubleCode;  // item 72
  std::string Item73;
  std::array<std::string, 2> Items74to75;  // one character each
};

// Metres credited per accepted result line for the two lap codes, or 0 when
// the combination selects no distance.
int MetresPerLap(const std::string& lapBaseCode, const std::string& lapDoubleCode);

}  // namespace poolside
