#pragma once
// Record lengths of the meet's data files and the limit of their 16-bit
// record numbers, defined once.

#include <cstddef>

namespace poolside {

inline constexpr std::size_t kMeetRecordLength = 256;     // taikai.dat
inline constexpr std::size_t kRelayRecordLength = 256;    // relay team data
inline constexpr std::size_t kPageRecordLength = 128;     // hpro.dat
inline constexpr std::size_t kProjunRecordLength = 64;    // projun.dat
inline constexpr std::size_t kShikakuRecordLength = 384;  // Shikaku.dat

// Record numbers are 16-bit and data record n is record n + 10: the highest
// n a file can address (competition, page, program order entry).
inline constexpr int kLastNumberedRecord = 32757;

}  // namespace poolside
