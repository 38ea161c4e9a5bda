// Arbitrary bytes as the data folder's lease (poolside.lease, written by
// another machine on a shared folder): no crash; a lease read is written
// again and reads back as the same holder; judging and naming its holder
// never fails, whatever the times it holds.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "meetdata/folder_lease.h"
#include "platform/utf8.h"

using poolside::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto found = poolside::ParseLease(poolside::fuzz::Bytes(data, size));
  poolside::LeaseHolder me;
  me.host = "desk-pc";
  me.user = "timer";
  me.program = "poolside";
  me.token = "a1b2c3";
  me.pid = 4242;
  const std::int64_t now = 1796000000;
  (void)poolside::JudgeLease(true, found, me, now, [](long) { return false; });
  if (!found) return 0;
  (void)poolside::DescribeHolder(*found, now);
  const std::string written = poolside::LeaseText(*found);
  const auto again = poolside::ParseLease(written);
  Require(again.has_value(), "a lease written that does not read back");
  Require(again->host == found->host && again->user == found->user &&
              again->program == found->program && again->token == found->token &&
              again->pid == found->pid && again->since == found->since &&
              again->heartbeat == found->heartbeat,
          "a lease holder changed on the way");
  return 0;
}
