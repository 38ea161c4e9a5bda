// Arbitrary bytes as a race's JSON on the broker (PREFIX/races/N), as a
// relay reads it: no crash; a race read renders its result page, and its
// JSON written again reads back and writes the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "live/live_pages.h"
#include "results/race_json.h"
#include "results/race_json_read.h"

using poolside::fuzz::IsUtf8;
using poolside::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto race = poolside::ParseRaceJson(poolside::fuzz::Bytes(data, size));
  if (!race) return 0;
  const std::string page = poolside::RenderRaceResult(*race);
  Require(IsUtf8(page), "a result page that is not UTF-8");
  const std::string written = poolside::RaceJson(*race);
  Require(IsUtf8(written), "a race's JSON written that is not UTF-8");
  const auto again = poolside::ParseRaceJson(written);
  Require(again.has_value(), "a race's JSON written that does not read back");
  Require(again->race == race->race, "a race's number changed on the way");
  Require(poolside::RaceJson(*again) == written,
          "a race's JSON that does not write the same twice");
  return 0;
}
