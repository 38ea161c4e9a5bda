// Arbitrary bytes as an automation script line: split into words or refused
// with ScriptError; every word quoted as bytes splits back to itself, and a
// control name written back in its full form parses to the same name.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/script_parser.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view line = poolside::fuzz::Bytes(data, size);
  // Only crashes matter for these two and the two below: their results are
  // checked by the unit tests.
  (void)poolside::IsSkippedScriptLine(line);
  std::vector<std::string> words;
  try {
    words = poolside::SplitScriptWords(line);
  } catch (const poolside::ScriptError&) {
    return 0;
  }
  for (const std::string& w : words) {
    const std::vector<std::string> back = poolside::SplitScriptWords(poolside::QuoteScriptBytes(w));
    poolside::fuzz::Require(back.size() == 1 && back[0] == w, "a quoted word does not split back");
    if (const auto name = poolside::ParseControlName(w)) {
      const auto again = poolside::ParseControlName(name->FullName());
      poolside::fuzz::Require(again && again->FullName() == name->FullName(),
                              "a control name does not parse back");
    }
    (void)poolside::EscapeMessageText(w);
    (void)poolside::QuoteScriptText(w);
  }
  return 0;
}
