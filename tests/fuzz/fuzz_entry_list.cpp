// The meet office's entry list and the search over it, from arbitrary
// bytes: no crash; every entry kept has a number from 1 to 32767 and
// well-formed UTF-8 texts; every problem names a line of the file; the
// search key and a query value of the bytes are well-formed UTF-8.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_support.h"
#include "live/meet_pages.h"
#include "results/entry_list.h"

using poolside::fuzz::IsUtf8;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const poolside::EntryList list = poolside::ParseEntryList(bytes);
  std::size_t lines = 1;
  for (char c : bytes) lines += c == '\n';
  for (const auto& [number, e] : list.entries) {
    if (number < 1 || number > 32767) std::abort();
    for (const std::string* t : {&e.name, &e.kana, &e.club, &e.pref, &e.grade}) {
      if (!IsUtf8(*t)) std::abort();
    }
    if (!IsUtf8(poolside::PublicName(e.name, poolside::PublicNames::Initials))) std::abort();
  }
  for (const poolside::EntryProblem& p : list.problems) {
    if (p.line < 0 || static_cast<std::size_t>(p.line) > lines) std::abort();
  }
  if (!IsUtf8(poolside::SearchKey(bytes))) std::abort();
  if (!IsUtf8(poolside::QueryValue(bytes, "q"))) std::abort();
  return 0;
}
