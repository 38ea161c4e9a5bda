// Arbitrary bytes as the settings file: read or fallen back to defaults,
// never a crash, and the lap length is one of the four the settings give.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static poolside::fuzz::DataFolder folder;
  folder.dir.Write("kijun.dat", std::string(poolside::fuzz::Bytes(data, size)));
  folder.meet.Settings = {};
  folder.meet.LoadMeetSettings();
  const poolside::MeetSettings& s = folder.meet.Settings;
  const int metres = poolside::MetresPerLap(s.LapBaseCode, s.LapDoubleCode);
  poolside::fuzz::Require(metres == 0 || metres == 25 || metres == 50 || metres == 100,
                          "a lap length outside 0, 25, 50 and 100");
  return 0;
}
