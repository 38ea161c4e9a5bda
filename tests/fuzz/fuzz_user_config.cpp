// Arbitrary bytes as the user's configuration (poolside.conf, edited by
// hand): no crash; every problem names the file and a line, at most
// kMaxNamedProblems of them and one count; what was understood, written by
// the set-up dialog's writer, reads back without a problem and writes the
// same bytes again.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "setup/user_config.h"

using poolside::fuzz::IsUtf8;
using poolside::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(poolside::fuzz::Bytes(data, size));
  const poolside::UserConfig c = poolside::ParseUserConfig(text, "poolside.conf");
  Require(c.problems.size() <= poolside::kMaxNamedProblems + 1, "more problems than the bound");
  for (const std::string& p : c.problems) {
    Require(p.starts_with("poolside.conf:"), "a problem that does not name the file");
    Require(IsUtf8(p), "a problem that is not UTF-8");
  }
  for (const auto& [letter, dir] : c.drives) {
    Require(letter >= 'a' && letter <= 'z', "a drive that is no lower-case letter");
  }
  for (const auto& [port, device] : c.coms) {
    Require(port >= 1 && port <= 32767, "a port number out of bounds");
  }
  const std::string written = poolside::UserConfigText(c);
  const poolside::UserConfig again = poolside::ParseUserConfig(written, "poolside.conf");
  Require(again.problems.empty(), "a configuration written that does not read back whole");
  Require(poolside::UserConfigText(again) == written,
          "a configuration that does not write the same twice");
  return 0;
}
