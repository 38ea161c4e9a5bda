#pragma once
// Admission of the live pages' connections, in arrival order: the first
// ones are served, later ones beyond the limit are refused while the first
// keep being served, and one client address gets only its share, so that
// one machine cannot take every slot. Refusals are counted and reported at
// a bounded rate.

#include <array>
#include <chrono>
#include <map>
#include <string>

#include "live/descriptor_budget.h"

namespace poolside {

// Bytes the server may hold queued for one client (answers, messages,
// pongs, close frames) before the client is dropped.
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

class ConnectionGate {
 public:
  explicit ConnectionGate(GateLimits limits) : limits_(limits) {}

  // A connection from `address` was accepted: how to treat it. Serve and
  // Refuse count it as held until Closed.
  Admission Open(const std::string& address);
  // Whether a connection from `address` would be served now.
  bool WouldServe(const std::string& address) const;
  // A connection that Open answered Serve or Refuse has closed.
  void Closed(const std::string& address, Admission admission);
  // True while every slot, served and refusal, is held: accept nothing.
  bool Full() const { return served_ + refused_ >= limits_.served + limits_.refusalSlots; }
  int Served() const { return served_; }
  int Held() const { return served_ + refused_; }
  const GateLimits& Limits() const { return limits_; }

 private:
  GateLimits limits_;
  int served_ = 0;
  int refused_ = 0;
  std::map<std::string, int> perAddress_;
};

// Counts refusals by reason; a line for standard error at most once per
// interval, the first at once.
class RefusalLog {
 public:
  enum Reason { LimitReached, SameAddress, SlowRequest, SlowReader, NoDescriptor, kReasons };
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
