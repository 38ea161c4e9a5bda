// Arbitrary bytes as the race list on the broker (PREFIX/race_list), as a
// relay reads it: no crash; a list read is written again, and what is
// written reads back and writes the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "mqtt/meet_sources.h"

using poolside::fuzz::IsUtf8;
using poolside::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto list = poolside::ParseRaceListJson(poolside::fuzz::Bytes(data, size));
  if (!list) return 0;
  const std::string written = poolside::RaceListJson(*list);
  Require(IsUtf8(written), "a race list written that is not UTF-8");
  const auto again = poolside::ParseRaceListJson(written);
  Require(again.has_value(), "a race list written that does not read back");
  Require(again->size() == list->size(), "a race list that lost or gained races on the way");
  Require(poolside::RaceListJson(*again) == written,
          "a race list that does not write the same twice");
  return 0;
}
