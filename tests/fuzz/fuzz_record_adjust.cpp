// Arbitrary bytes as the records file through the record adjustment: no
// crash, nothing shorter than before, and every record of the adjusted file
// is a record of the old one (a part record zero-padded) or a zero record.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>

#include "competition/record_adjust.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static poolside::fuzz::DataFolder folder;
  constexpr std::size_t kLength = poolside::kShikakuRecordLength;
  const std::string before(poolside::fuzz::Bytes(data, size));
  folder.dir.Write("Shikaku.dat", before);
  poolside::AdjustRecords(folder.Path("Shikaku.dat"));
  const std::string after = folder.dir.Read("Shikaku.dat");
  poolside::fuzz::Require(after.size() >= before.size(), "the adjusted file is shorter");
  std::set<std::string> records{std::string(kLength, '\0')};
  for (std::size_t at = 0; at < before.size(); at += kLength) {
    std::string r = before.substr(at, kLength);
    r.resize(kLength, '\0');
    records.insert(r);
  }
  const std::size_t adjusted = std::min<std::size_t>(after.size() / kLength, 463);
  for (std::size_t k = 0; k < adjusted; ++k) {
    poolside::fuzz::Require(records.count(after.substr(k * kLength, kLength)) == 1,
                            "an adjusted record that was not in the file");
  }
  return 0;
}
