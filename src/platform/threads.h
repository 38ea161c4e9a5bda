#pragma once
// The calling thread's share of the processor.

namespace poolside {

// Gives the calling thread alone the niceness `nice` (higher yields more);
// false when the system refuses.
bool SetThreadNice(int nice);

}  // namespace poolside
