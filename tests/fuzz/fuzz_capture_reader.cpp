// Reads arbitrary bytes as a capture file: the reader either reads it or
// throws IoError naming the file; a block it reads is never larger than its
// bound, and a line it accepts reads back the same when written again. A
// file read whole is then taken apart as the recovery does (its races, each
// race's steps with the restarts held or given on, the steps carried to the
// next race, the repairs and the referee's decisions): no crash, the same
// IoError, typed entries only for lanes 1..10.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "capture/capture_format.h"
#include "capture/capture_reader.h"
#include "capture/captured_races.h"
#include "capture/captured_repairs.h"
#include "platform/errors.h"

namespace {

// The races of the file as the recovery takes them apart; at most a few, as
// each one reads the file again.
void TakeApart(const std::string& path) {
  const std::vector<std::string> files{path};
  const auto noNoise = [](std::string_view) { return false; };
  const std::vector<poolside::CapturedRace> races = poolside::FindCapturedRaces(files);
  for (std::size_t i = 0; i < races.size() && i < 4; ++i) {
    const poolside::CapturedRace& race = races[i];
    for (const poolside::CapturedLane& l : race.lanes) {
      if (l.lane < 1 || l.lane > 10) std::abort();
    }
    for (const auto& steps :
         {poolside::StepsOf(files, race, noNoise), poolside::CarriedSteps(files, race, noNoise)}) {
      for (const poolside::CapturedStep& s : steps) {
        if (s.typed && (s.lane < 1 || s.lane > 10)) std::abort();
      }
    }
    // The re-timing checks a repair's or decision's lane itself.
    (void)poolside::RepairsOf(files, race);
    (void)poolside::ListingLine(race);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = "/tmp/fuzz-capture-" + std::to_string(getpid()) + ".cap";
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  try {
    poolside::CaptureReader reader;
    reader.Open(path);
    poolside::CaptureRecord r;
    long lastLine = 0;
    while (reader.Next(r)) {
      if (r.line <= lastLine) std::abort();
      lastLine = r.line;
      if (r.bytes.size() > poolside::CaptureReader::kMaxBlock) std::abort();
      if (r.kind == "block" && r.bytes.size() <= poolside::capture::kBlockBytesPerLine) {
        const std::string again = r.wall + " 0.000000 block n=" + std::to_string(r.bytes.size()) +
                                  " hex=" + poolside::capture::HexOf(r.bytes) +
                                  " text=" + poolside::capture::Quoted(r.bytes, true);
        if (poolside::CaptureReader::ParseLine(again, path, 1).bytes != r.bytes) std::abort();
      }
    }
    TakeApart(path);
  } catch (const poolside::IoError& e) {
    if (std::string(e.what()).find(path) == std::string::npos) std::abort();
  }
  return 0;
}
