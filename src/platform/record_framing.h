#pragma once
// How a port that frames cuts the bytes waiting on the line into blocks at
// the console's record boundaries, whatever pieces the line delivered them
// in (an adapter's latency timer, a UART's FIFO, one byte at a time).
//
// A record is 15 columns and a carriage return. The rules, applied to the
// bytes waiting from the start of the next block:
//  - a carriage return in column 16 ends a record: a block of 16;
//  - a carriage return sooner ends a fragment (a lone carriage return,
//    garbage, a record that lost bytes): a block of its own, noise;
//  - a carriage return later ends the record of the 16 bytes before it; the
//    bytes in front of those are a block of their own, noise (garbage
//    between records, a record cut short), unless they are exactly the 15
//    columns of a record whose carriage return was lost;
//  - no carriage return: bytes that can no longer belong to a record ended
//    by one (31 or more waiting: the first 16) are cut as today's reading
//    rule cuts them, and a line that never sends a carriage return has
//    15 or more waiting read as one block of at most 16 once it has been
//    quiet for kQuietMs, so that a pause inside a record does not cut it.
//    (The port stops asking about quiet once a record ended by a carriage
//    return has come: such a line is framed by its carriage returns alone,
//    whatever latency its adapter has.)
// A record that ends in its carriage return is cut at once: no timer.

#include <cstddef>
#include <string_view>

namespace poolside {

inline constexpr std::size_t kRecordBytes = 16;    // 15 columns and the carriage return
inline constexpr std::size_t kRecordColumns = 15;  // what the reading rule needs at least
// Quiet time before a record without a carriage return is taken: longer than
// the 32 ms latency timer of the slowest common USB adapter setting.
inline constexpr int kQuietMs = 50;

struct FrameCut {
  std::size_t length = 0;  // 0: no block yet
  bool noise = false;      // the bytes belong to no record
};

// The next block of `waiting`; `quiet` tells whether the line has been
// quiet for kQuietMs since its last byte.
FrameCut NextFrame(std::string_view waiting, bool quiet);

// True when only the quiet time can cut a block of `waiting` (no block now,
// but one once the line has been quiet).
bool WaitsForQuiet(std::string_view waiting);

}  // namespace poolside
