// Arbitrary bytes as the program page file: the header and a search for a
// competition read without a crash; a page found lies within the count.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "platform/bytes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static poolside::fuzz::DataFolder folder;
  std::string_view in = poolside::fuzz::Bytes(data, size);
  int wanted = 1;
  if (in.size() >= 2) {
    wanted = static_cast<std::int16_t>(static_cast<unsigned char>(in[0]) |
                                       (static_cast<unsigned char>(in[1]) << 8));
    in.remove_prefix(2);
  }
  folder.dir.Write("hpro.dat", std::string(in));
  folder.meet.LoadPageHeader();
  const std::optional<int> page = folder.meet.FindCompetitionPage(wanted);
  poolside::fuzz::Require(!page || (*page >= 1 && *page <= folder.meet.PageCount),
                          "a page outside the page count");
  folder.meet.ClosePageFile();
  return 0;
}
