// Arbitrary bytes as the data folder's lease (poolside.lease, written by
// another machine on a shared folder): no crash; a lease read is written
// again and reads back as the same holder (unless a value ends in a
// carriage return); judging and naming its holder never fails, whatever
// the times it holds.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "meetdata/folder_lease.h"

namespace {

using poolside::fuzz::Require;

// A value that ends in a carriage return does not come back: the reader
// cuts one before each line break (a file saved with CRLF), so it reads
// back shorter, or empty. The program writes only its own lease, never one
// it read, so nothing is lost; the round trip is checked without them.
bool EndsInReturn(const std::string& s) { return !s.empty() && s.back() == '\r'; }

bool Same(const poolside::LeaseHolder& a, const poolside::LeaseHolder& b) {
  return a.host == b.host && a.user == b.user && a.program == b.program && a.token == b.token &&
         a.pid == b.pid && a.since == b.since && a.heartbeat == b.heartbeat;
}

}  // namespace

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
  for (const std::string* v : {&found->host, &found->user, &found->program, &found->token}) {
    if (EndsInReturn(*v)) return 0;
  }
  const std::string written = poolside::LeaseText(*found);
  const auto again = poolside::ParseLease(written);
  Require(again.has_value(), "a lease written that does not read back");
  Require(Same(*again, *found), "a lease holder changed on the way");
  return 0;
}
