// Arbitrary bytes as the data folder's lease (poolside.lease, written by
// another machine on a shared folder): no crash; a lease read is written
// again and reads back as the same holder (up to a value's final carriage
// returns); judging and naming its holder never fails, whatever the times
// it holds.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "meetdata/folder_lease.h"
#include "platform/utf8.h"

namespace {

using poolside::fuzz::Require;

// A text value without the carriage returns at its end: the reader cuts
// one before each line break (a file saved with CRLF), so a value that
// itself ends in one reads back shorter. The program writes only its own
// lease, never one it read, so that loses nothing.
std::string Cut(std::string s) {
  while (!s.empty() && s.back() == '\r') s.pop_back();
  return s;
}

bool Same(const poolside::LeaseHolder& a, const poolside::LeaseHolder& b) {
  return Cut(a.host) == Cut(b.host) && Cut(a.user) == Cut(b.user) &&
         Cut(a.program) == Cut(b.program) && Cut(a.token) == Cut(b.token) && a.pid == b.pid &&
         a.since == b.since && a.heartbeat == b.heartbeat;
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
  const std::string written = poolside::LeaseText(*found);
  const auto again = poolside::ParseLease(written);
  Require(again.has_value(), "a lease written that does not read back");
  Require(Same(*again, *found), "a lease holder changed on the way");
  return 0;
}
