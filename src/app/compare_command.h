#pragma once
// --compare DIR_A DIR_B: two recordings of the meet race by race
// (meetdata/folder_compare.h), without a window.

#include <ostream>

#include "app/options.h"

namespace poolside {

// One line per race, then "same: A B" or "differs: A B"; 0 when everything
// agrees, 1 when something differs, 2 when a folder cannot be read.
int RunCompare(const Options& options, std::ostream& out, std::ostream& err);

}  // namespace poolside
