#pragma once
// Text checks shared by the JSON and HTML writers of the live pages.

#include <string>
#include <string_view>

namespace poolside {

// `text` with every byte sequence that is not well-formed UTF-8 (overlong
// forms and surrogates included) replaced by U+FFFD.
std::string ValidUtf8(std::string_view text);

// `text` with &, <, >, " and ' written as character references; invalid
// UTF-8 replaced as above.
std::string HtmlEscape(std::string_view text);

}  // namespace poolside
