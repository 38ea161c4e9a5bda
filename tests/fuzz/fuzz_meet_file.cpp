// Arbitrary bytes as the meet file: the header and any competition read
// without a crash, and a competition saved back and read again saves the
// same bytes a second time.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "platform/record_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static poolside::fuzz::DataFolder folder;
  poolside::MeetData& meet = folder.meet;
  folder.dir.Write("taikai.dat", std::string(poolside::fuzz::Bytes(data, size)));
  meet.LoadMeetHeader();
  const int count = meet.CompetitionCount;
  for (int n : {1, 2, count - 1, count, count + 1}) {
    if (n < 1 || n > 32757) continue;
    meet.LoadRaceHeat(n);
    meet.LoadCurrentHeat(n);
    meet.SaveCurrentHeat(n);
    poolside::RecordFile file;
    file.Open(folder.Path("taikai.dat"), poolside::kMeetRecordLength);
    const poolside::Bytes once = file.Read(n + 10);
    meet.LoadCurrentHeat(n);
    meet.SaveCurrentHeat(n);
    poolside::fuzz::Require(file.Read(n + 10) == once,
                            "a saved competition changes when saved again");
  }
  meet.CloseAll();
  return 0;
}
