#pragma once
// Writing to a connected socket without waiting.

#include <cstddef>

namespace poolside {

// Writes what the socket takes now of `size` bytes, retrying an
// interrupted call; the bytes taken (0 when its buffer is full or the
// connection failed: the caller finds out which on its own socket). Never
// raises SIGPIPE.
std::size_t SendNow(int fd, const char* data, std::size_t size);

}  // namespace poolside
