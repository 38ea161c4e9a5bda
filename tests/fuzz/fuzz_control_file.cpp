// Arbitrary bytes as the control file: either a data folder ending in a
// backslash or an error that names the control file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "platform/errors.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static poolside::fuzz::DataFolder folder;
  folder.dir.Write("dr_kyo.ctl", std::string(poolside::fuzz::Bytes(data, size)));
  const std::string path = folder.Path("dr_kyo.ctl");
  try {
    folder.meet.ReadControlFile(path);
    const std::string& f = folder.meet.DataFolder;
    poolside::fuzz::Require(!f.empty() && f.back() == '\\', "a data folder without a backslash");
  } catch (const poolside::IoError& e) {
    poolside::fuzz::Require(std::string(e.what()).find(path) != std::string::npos,
                            "the error does not name the control file");
  }
  return 0;
}
