// Reading arbitrary text as a number and writing it back: no crash, no
// undefined conversion, and the written form reads back as the same value.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/errors.h"
#include "platform/numbers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  double v = poolside::LeadingValue(text);
  poolside::RoundToInt16(v);
  poolside::RoundToInt32(v);
  try {
    poolside::RoundToInt16OrThrow(v, "fuzz");
  } catch (const poolside::OverflowError&) {
  }
  std::string shown = poolside::ShortestGeneral(v);
  if (shown.empty()) std::abort();
  if (std::isfinite(v)) {
    double back = poolside::LeadingValue(shown);
    // 15 significant digits: equal up to the last of them.
    if (std::fabs(back - v) > std::fabs(v) * 1e-14) std::abort();
  }
  return 0;
}
