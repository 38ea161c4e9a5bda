#include "live/qr_svg.h"

#include <qrencode.h>

#include <memory>
#include <string>

namespace poolside {

std::string QrSvg(std::string_view text) {
  const std::string input(text);
  std::unique_ptr<QRcode, void (*)(QRcode*)> code(
      QRcode_encodeString(input.c_str(), 0, QR_ECLEVEL_M, QR_MODE_8, 1), QRcode_free);
  if (!code) return "";
  const int n = code->width;
  const int size = n + 8;
  std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"qr\" viewBox=\"0 0 " +
                    std::to_string(size) + " " + std::to_string(size) +
                    "\" shape-rendering=\"crispEdges\"><rect width=\"100%\" height=\"100%\" "
                    "fill=\"#fff\"/><path fill=\"#000\" d=\"";
  for (int y = 0; y < n; ++y) {
    for (int x = 0; x < n; ++x) {
      if (code->data[y * n + x] & 1) {
        svg += "M" + std::to_string(x + 4) + " " + std::to_string(y + 4) + "h1v1h-1z";
      }
    }
  }
  svg += "\"/></svg>";
  return svg;
}

}  // namespace poolside
