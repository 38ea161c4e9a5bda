// Arbitrary bytes as the desk's snapshot on the broker (PREFIX/state) and as
// a feed message (PREFIX/events), as a relay or a second desk reads them: no
// crash; a snapshot read is restored and written again, and what is written
// reads back and writes the same bytes (the relay serves what it wrote).
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "live/live_json.h"
#include "live/live_json_read.h"
#include "live/live_state.h"
#include "mqtt/shown_race.h"

using poolside::fuzz::IsUtf8;
using poolside::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes = poolside::fuzz::Bytes(data, size);
  (void)poolside::MessageSequence(bytes);
  if (const auto race = poolside::ShownRaceOf(bytes)) {
    Require(*race >= 1 && *race <= poolside::kBookRaces, "a shown race beyond the book");
  }
  const auto snapshot = poolside::ParseStateJson(bytes);
  if (!snapshot) return 0;
  poolside::LiveState relay;
  relay.Restore(*snapshot);
  const std::string written = poolside::StateJson(relay);
  Require(IsUtf8(written), "a snapshot written that is not UTF-8");
  const auto again = poolside::ParseStateJson(written);
  Require(again.has_value(), "a snapshot written that does not read back");
  Require(again->sequence == snapshot->sequence, "a snapshot's sequence changed on the way");
  poolside::LiveState second;
  second.Restore(*again);
  Require(poolside::StateJson(second) == written, "a snapshot that does not write the same twice");
  return 0;
}
