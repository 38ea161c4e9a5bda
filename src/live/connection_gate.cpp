#include "live/connection_gate.h"

#include <algorithm>

namespace poolside {

Opened ConnectionGate::Open(const std::string& address) {
  Opened opened;
  if (Full() && !Rebalances()) return opened;
  auto it = holders_.find(address);
  const int held = it == holders_.end() ? 0 : it->second.held;
  if (held >= limits_.perAddress) return opened;
  if (served_ >= limits_.served) {
    // Every slot served: an address below its fair share takes one from
    // the address holding the most, when that one holds more than its share.
    const int mine = it == holders_.end() ? 0 : static_cast<int>(it->second.served.size());
    const int share = FairShare(servingAddresses_ + (mine == 0 ? 1 : 0));
    auto largest = Largest(address);
    if (mine < share && largest != holders_.end() &&
        static_cast<int>(largest->second.served.size()) > share) {
      opened.evicted = largest->second.served.front();
      Forget(opened.evicted, open_.at(opened.evicted));
    } else if (Full()) {
      return opened;
    } else {
      opened.admission = Admission::Refuse;
    }
  }
  if (opened.admission == Admission::Close) opened.admission = Admission::Serve;
  opened.id = next_++;
  Holder& holder = holders_[address];
  ++holder.held;
  if (opened.admission == Admission::Serve) {
    if (holder.served.empty()) ++servingAddresses_;
    holder.served.push_back(opened.id);
    ++served_;
  } else {
    ++refused_;
  }
  open_.emplace(opened.id, Entry{address, opened.admission});
  return opened;
}

bool ConnectionGate::WouldServe(const std::string& address) const {
  if (Full() || served_ >= limits_.served) return false;
  const auto it = holders_.find(address);
  return it == holders_.end() || it->second.held < limits_.perAddress;
}

void ConnectionGate::Closed(ConnectionId id) {
  const auto it = open_.find(id);
  if (it == open_.end()) return;
  Forget(id, it->second);
}

void ConnectionGate::Forget(ConnectionId id, Entry entry) {
  open_.erase(id);
  auto holder = holders_.find(entry.address);
  if (holder == holders_.end()) return;
  --holder->second.held;
  if (entry.admission == Admission::Serve) {
    auto& served = holder->second.served;
    std::erase(served, id);
    if (served.empty()) --servingAddresses_;
    if (served_ > 0) --served_;
  } else if (refused_ > 0) {
    --refused_;
  }
  if (holder->second.held <= 0) holders_.erase(holder);
}

int ConnectionGate::FairShare(int addresses) const {
  return std::max(1, limits_.served / std::max(1, addresses));
}

bool ConnectionGate::Rebalances() const {
  if (served_ < limits_.served) return false;
  const int share = FairShare(servingAddresses_ + 1);
  for (const auto& [address, holder] : holders_) {
    if (static_cast<int>(holder.served.size()) > share) return true;
  }
  return false;
}

int ConnectionGate::ServedFrom(const std::string& address) const {
  const auto it = holders_.find(address);
  return it == holders_.end() ? 0 : static_cast<int>(it->second.served.size());
}

std::map<std::string, ConnectionGate::Holder>::iterator ConnectionGate::Largest(
    const std::string& except) {
  auto largest = holders_.end();
  for (auto it = holders_.begin(); it != holders_.end(); ++it) {
    if (it->first == except || it->second.served.empty()) continue;
    if (largest == holders_.end() || it->second.served.size() > largest->second.served.size() ||
        (it->second.served.size() == largest->second.served.size() &&
         it->second.served.front() < largest->second.served.front())) {
      largest = it;
    }
  }
  return largest;
}

std::string RefusalLog::Note(Reason reason, Clock::time_point now) {
  ++counts_[reason];
  ++total_;
  return Due(now);
}

std::string RefusalLog::Due(Clock::time_point now) {
  long long sum = 0;
  for (long long c : counts_) sum += c;
  if (sum == 0 || (written_ && now - last_ < interval_)) return {};
  static const char* kNames[kReasons] = {"満員",       "同じアドレスの上限", "要求が届かない",
                                         "受信しない", "記述子不足",         "公平な割り当て"};
  std::string line = "ライブページ: 断った接続 " + std::to_string(sum) + " 件 (";
  bool first = true;
  for (int r = 0; r < kReasons; ++r) {
    if (counts_[r] == 0) continue;
    if (!first) line += ", ";
    line += std::string(kNames[r]) + " " + std::to_string(counts_[r]);
    first = false;
  }
  line += ")";
  counts_.fill(0);
  last_ = now;
  written_ = true;
  return line;
}

}  // namespace poolside
