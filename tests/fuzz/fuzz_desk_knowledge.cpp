// Arbitrary bytes as the desk's own file beside the exports (desk.json:
// finish times, withdrawals, open flags, watches and the referee's
// decisions, sign-offs): no crash; what was read is written again, and what
// is written reads back without a problem and writes the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "results/desk_knowledge.h"

using poolside::fuzz::IsUtf8;
using poolside::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string problem;
  const poolside::DeskKnowledge known =
      poolside::ParseDeskKnowledge(std::string(poolside::fuzz::Bytes(data, size)), problem);
  Require(IsUtf8(problem), "a problem that is not UTF-8");
  const std::string written = poolside::DeskKnowledgeJson(known);
  Require(IsUtf8(written), "a desk file written that is not UTF-8");
  std::string again;
  const poolside::DeskKnowledge back = poolside::ParseDeskKnowledge(written, again);
  Require(again.empty(), "a desk file written that does not read back whole");
  Require(back.size() == known.size(), "a desk file that lost or gained races on the way");
  Require(poolside::DeskKnowledgeJson(back) == written, "a desk file that does not write the same");
  return 0;
}
