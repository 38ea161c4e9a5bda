#include "platform/controls.h"

#include <cstdio>

namespace poolside {

std::string ColorName(const Color& c) {
  if (c.face) return "face";
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02x%02x%02x", c.r, c.g, c.b);
  return buf;
}

}  // namespace poolside
