#pragma once
// poolside --recover FILE [--take K --as N [--apply]]: lists the races of a
// capture, or shows and writes the re-timing of one of them. Runs before
// any window exists; returns the exit status.

#include <ostream>

#include "app/options.h"

namespace poolside {

int RunRecover(const Options& options, std::ostream& out, std::ostream& err);

}  // namespace poolside
