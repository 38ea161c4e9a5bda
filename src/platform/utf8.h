#pragma once
// Well-formed UTF-8: the one check of the writers that must never pass on
// broken text (the JSON writer, the live pages' HTML).

#include <cstddef>
#include <string>
#include <string_view>

namespace poolside {

// Length of the well-formed UTF-8 sequence starting at text[i] (1 for an
// ASCII byte), or 0 when the bytes there are not one: a cut sequence, an
// overlong form, a surrogate, a code point beyond U+10FFFF, a stray
// continuation byte. `code`, when given, receives the code point.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i, char32_t* code = nullptr);

// Appends code point `cp` (below U+110000) as UTF-8.
void AppendUtf8(std::string& out, char32_t cp);

// `text` with every byte that starts no well-formed sequence replaced by
// U+FFFD.
std::string ValidUtf8(std::string_view text);

}  // namespace poolside
