// Splits arbitrary bytes into items: every item must be read without a crash,
// the reader must reach its end, and line numbers never go backwards.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/cp932.h"
#include "platform/errors.h"
#include "platform/item_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string text =
      poolside::Cp932ToUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
  auto reader = poolside::ItemReader::FromText(text, "fuzz.txt");
  int lastLine = 0;
  std::size_t items = 0;
  while (!reader.AtEnd()) {
    reader.ReadItem();
    if (reader.Line() < lastLine) std::abort();
    lastLine = reader.Line();
    // Every item consumes at least one character, so there are no more items
    // than characters.
    if (++items > text.size() + 1) std::abort();
  }
  try {
    reader.ReadItem();
  } catch (const poolside::IoError&) {
  }
  return 0;
}
