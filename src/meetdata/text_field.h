#pragma once
// Fixed-width Shift-JIS text fields of the record files, with zero bytes
// kept as NUL characters so that a record read and written back keeps them.

#include <cstddef>
#include <string>
#include <string_view>

namespace poolside {

// Decodes the raw CP932 bytes of a field; each zero byte becomes a NUL
// character, invalid bytes become U+FFFD.
std::string DecodeTextField(std::string_view raw);
// Exactly `width` CP932 bytes: NUL characters as zero bytes, cut at a whole
// character, padded on the right with blanks.
std::string EncodeTextField(std::string_view utf8, std::size_t width);

// The characters [first, first + count) of a UTF-8 text, counted from 0;
// shorter (or empty) where the text ends.
std::string Utf8Mid(std::string_view utf8, std::size_t first, std::size_t count);

}  // namespace poolside
