// Arbitrary bytes as a race's lap file (lap/lNNNN, Shift-JIS), read by every
// reader of it: no crash; a file the strict reader takes has lanes 1..10,
// 8-character times and kinds L or G, and is written again as a whole lap
// file that reads back the same; the lenient reader keeps only records of a
// lane and a kind and says at most two problems, in UTF-8; a whole lap file
// the strict reader takes loses nothing to the lenient one.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "platform/errors.h"
#include "vocabulary/lap_goal_files.h"

using poolside::fuzz::IsUtf8;
using poolside::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(poolside::fuzz::Bytes(data, size));

  const poolside::LapTouches strict = poolside::ParseLapText(bytes);
  if (strict.problem.empty()) {
    for (const poolside::LapTouch& t : strict.touches) {
      Require(poolside::IsLane(t.lane), "a touch of no lane");
      Require(t.timeText.size() == 8, "a touch's time not 8 characters");
      Require(t.kind == 'L' || t.kind == 'G', "a touch of another kind");
    }
    const std::string written = poolside::LapText(strict.touches);
    const poolside::LapTouches again = poolside::ParseLapText(written);
    Require(again.problem.empty() && again.touches.size() == strict.touches.size(),
            "a lap file written that does not read back");
    Require(poolside::LapText(again.touches) == written, "a lap file that does not write the same");
  }

  const poolside::LapItems lenient = poolside::ReadLapItems(bytes);
  for (const poolside::LapItem& r : lenient.records) {
    Require(poolside::IsLane(r.lane), "a record of no lane");
    Require(r.kind == 'L' || r.kind == 'G', "a record of another kind");
    Require(IsUtf8(r.timeText), "a record's time that is not UTF-8");
  }
  Require(lenient.problems.size() <= 2, "more than two problems");
  for (const std::string& p : lenient.problems) Require(IsUtf8(p), "a problem that is not UTF-8");

  std::vector<std::string> records;
  if (poolside::SplitLapRecords(bytes, &records)) {
    std::string joined;
    for (const std::string& r : records) joined += r;
    Require(joined == bytes, "records that are not the file");
    // A whole file may still hold a lane beyond 10 or a long time, which
    // the strict reader refuses; one it takes loses nothing to either.
    if (strict.problem.empty()) {
      Require(strict.touches.size() == records.size(), "a whole lap file that lost records");
      Require(lenient.problems.empty() && lenient.records.size() == records.size(),
              "a whole lap file the lenient reader loses records of");
    }
  }
  for (const std::string& r : poolside::LapFileRecords(bytes)) {
    Require(IsUtf8(r), "a compared record that is not UTF-8");
  }
  try {
    (void)poolside::CopiedItems(bytes, "lap", -1);
  } catch (const poolside::IoError&) {
  }
  return 0;
}
