#pragma once
// The record adjustment of "Shikaku.dat" (384-byte records).

#include <string>

#include "meetdata/record_layout.h"

namespace poolside {

// Rearranges the file at `nativePath`: builds the new arrangement whole and
// replaces the file in one step. Throws IoError naming the file.
void AdjustRecords(const std::string& nativePath);

}  // namespace poolside
