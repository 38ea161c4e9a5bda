#pragma once
// Admission of the live pages' connections, in arrival order: the first
// ones are served, later ones beyond the limit are refused while the first
// keep being served, and one client address gets only its share, so that
// one machine cannot take every slot. When every slot is served, a
// connection from an address holding less than its fair share still gets
// one: the oldest connection of the address holding the most gives it up,
// so a few machines reopening slots cannot lock out the rest. Refusals are
// counted and reported at a bounded rate.

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <unordered_map>

#include "live/descriptor_budget.h"

namespace poolside {

// Bytes one client may cost the server (client_cost.h) before it is dropped.
constexpr long long kClientQueueBytes = 512 * 1024;

struct GateLimits {
  int served = 2000;                 // connections served at once
  int perAddress = 256;              // connections held from one client address
  int refusalSlots = kRefusalSlots;  // held beyond `served` to answer 503
};

enum class Admission {
  Serve,   // counted as served
  Refuse,  // answered 503, then closed
  Close,   // closed at once, unanswered (its address holds its share, or no slot is left)
};

using ConnectionId = std::uint64_t;

struct Opened {
  Admission admission = Admission::Close;
  ConnectionId id = 0;       // 0 for Close
  ConnectionId evicted = 0;  // a served connection that gave up its slot to this one, or 0
};

class ConnectionGate {
 public:
  explicit ConnectionGate(GateLimits limits) : limits_(limits) {}

  // A connection from `address` was accepted: how to treat it. Serve and
  // Refuse count it as held until Closed(id). When `evicted` is set, that
  // connection no longer holds anything: the caller closes it.
  Opened Open(const std::string& address);
  // Whether a connection from `address` would be served now without
  // taking a slot from another address.
  bool WouldServe(const std::string& address) const;
  // A connection that Open answered Serve or Refuse has closed; an id
  // already closed or evicted is ignored.
  void Closed(ConnectionId id);
  // True while every slot, served and refusal, is held.
  bool Full() const { return served_ + refused_ >= limits_.served + limits_.refusalSlots; }
  // True while a connection from a new address would be given a slot taken
  // from an address holding more than its fair share: keep accepting even
  // when full.
  bool Rebalances() const;
  // The slots one address may hold fairly when `addresses` hold served slots.
  int FairShare(int addresses) const;
  int Served() const { return served_; }
  int Held() const { return served_ + refused_; }
  // Served connections from `address` now.
  int ServedFrom(const std::string& address) const;
  const GateLimits& Limits() const { return limits_; }

 private:
  struct Holder {
    int held = 0;                     // served and refused
    std::deque<ConnectionId> served;  // in arrival order
  };
  struct Entry {
    std::string address;
    Admission admission;
  };
  // The address holding the most served connections, other than `except`.
  std::map<std::string, Holder>::iterator Largest(const std::string& except);
  void Forget(ConnectionId id, Entry entry);

  GateLimits limits_;
  int served_ = 0;
  int refused_ = 0;
  int servingAddresses_ = 0;  // addresses holding at least one served connection
  ConnectionId next_ = 1;
  std::map<std::string, Holder> holders_;
  std::unordered_map<ConnectionId, Entry> open_;
};

// Counts refusals by reason; a line for standard error at most once per
// interval, the first at once.
class RefusalLog {
 public:
  enum Reason {
    LimitReached,
    SameAddress,
    SlowRequest,
    SlowReader,
    NoDescriptor,
    FairShare,
    kReasons
  };
  using Clock = std::chrono::steady_clock;

  explicit RefusalLog(Clock::duration interval = std::chrono::seconds(10)) : interval_(interval) {}
  // Counts one refusal; the line to write now, or empty.
  std::string Note(Reason reason, Clock::time_point now);
  // The line for refusals counted but not yet written, once the interval
  // has passed; or empty.
  std::string Due(Clock::time_point now);
  long long Total() const { return total_; }

 private:
  Clock::duration interval_;
  Clock::time_point last_{};
  bool written_ = false;
  std::array<long long, kReasons> counts_{};
  long long total_ = 0;
};

}  // namespace poolside
