#pragma once
// Text checks shared by the JSON and HTML writers of the live pages.

#include <string>
#include <string_view>

#include "platform/utf8.h"

namespace poolside {

// `text` with &, <, >, " and ' written as character references; invalid
// UTF-8 replaced as ValidUtf8 does.
std::string HtmlEscape(std::string_view text);

}  // namespace poolside
