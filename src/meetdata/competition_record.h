#pragma once
// One competition (one heat of one event) of the meet file, its 256-byte
// record layout, and the meet file's header record.

#include <array>
#include <cstdint>
#include <string>

#include "platform/bytes.h"

#include "meetdata/record_layout.h"

namespace poolside {

inline constexpr int kRows = 12;  // lanes 1..10 (index 0..9), reserves 10, 11

// Texts are UTF-8. StartTime holds six characters (hhmmss) in RaceHeat and
// eight (hh:mm:ss) in CurrentHeat.
struct CompetitionRecord {
  std::int16_t ProgramNo = 0;
  std::int16_t HeatNo = 0;
  std::int16_t HeatCount = 0;
  std::string SexCode;
  std::int16_t ClassLow = 0;
  std::int16_t ClassHigh = 0;
  std::int16_t EventCode = 0;
  std::string RoundCode;
  std::string StartTime;
  std::int16_t HeatExtra = 0;
  std::array<std::int16_t, kRows> EntryNo{};
  std::array<std::int32_t, kRows> Record{};
  std::array<std::int32_t, kRows> AltRecord{};
  std::array<std::int16_t, kRows> Rank{};
  std::array<std::int16_t, kRows> MuCode{};
  std::array<std::int16_t, kRows> NenCode{};
  std::array<std::int16_t, kRows> RemarkCode{};
  std::array<std::string, kRows> HojCode{};
};

// Field by field from a 256-byte record (zero bytes read as NUL characters
// of the text fields); StartTime as the six stored characters.
CompetitionRecord DecodeCompetitionRecord(const Bytes& record);
// A 256-byte record; `startTime6` is the stored six-character start time.
// Text fields are cut at a whole character and padded with blanks;
// HeatReserved is six zero bytes.
Bytes EncodeCompetitionRecord(const CompetitionRecord& heat, const std::string& startTime6);

// From the bytes of a whole meet file (read by whoever holds them): the
// CompetitionCount of its header (0 when the file is 10 bytes or less), and
// competition n's record (zero bytes where the file is short).
int CompetitionCountOf(const std::string& meetBytes);
CompetitionRecord CompetitionAt(const std::string& meetBytes, int n);

}  // namespace poolside
