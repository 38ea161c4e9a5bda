#pragma once
// Shift-JIS (code page 932) at the file boundary. Inside the program every
// text is UTF-8.

#include <cstddef>
#include <string>
#include <string_view>

namespace poolside {

// Decodes CP932 bytes; an invalid or cut byte sequence becomes U+FFFD.
std::string Cp932ToUtf8(std::string_view bytes);

// Encodes UTF-8 into CP932; a character with no CP932 form (or invalid
// UTF-8) becomes "?".
std::string Utf8ToCp932(std::string_view utf8);

// Exactly `width` bytes of CP932 for a fixed-width text field: cut at a
// whole character (never half of a double-byte one), padded with blanks.
std::string FixedWidthCp932(std::string_view utf8, std::size_t width);

// Number of characters (code points) of a UTF-8 text, and its first n
// characters. Carets in text boxes count characters.
std::size_t Utf8Length(std::string_view utf8);
std::string Utf8Prefix(std::string_view utf8, std::size_t n);
// The first character of a UTF-8 text ("" for an empty text).
std::string Utf8First(std::string_view utf8);

}  // namespace poolside
