#pragma once
// Record lengths of the meet's data files. The limit of their 16-bit record
// numbers (kLastNumberedRecord) is with the data folder's other bounds.

#include <cstddef>

#include "vocabulary/data_folder.h"

namespace poolside {

inline constexpr std::size_t kMeetRecordLength = 256;     // taikai.dat
inline constexpr std::size_t kRelayRecordLength = 256;    // relay team data
inline constexpr std::size_t kPageRecordLength = 128;     // hpro.dat
inline constexpr std::size_t kProjunRecordLength = 64;    // projun.dat
inline constexpr std::size_t kShikakuRecordLength = 384;  // Shikaku.dat

}  // namespace poolside
