#pragma once
// A QR code of a short text (the address of the pages) as an inline SVG
// image, made with libqrencode.

#include <string>
#include <string_view>

namespace poolside {

// An <svg> element drawing the code with a quiet zone of four modules; ""
// when the text cannot be encoded.
std::string QrSvg(std::string_view text);

}  // namespace poolside
