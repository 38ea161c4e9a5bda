#include "live/connection_gate.h"

namespace poolside {

Admission ConnectionGate::Open(const std::string& address) {
  if (Full()) return Admission::Close;
  auto [it, added] = perAddress_.try_emplace(address, 0);
  if (it->second >= limits_.perAddress) return Admission::Close;
  ++it->second;
  if (served_ < limits_.served) {
    ++served_;
    return Admission::Serve;
  }
  ++refused_;
  return Admission::Refuse;
}

bool ConnectionGate::WouldServe(const std::string& address) const {
  if (Full() || served_ >= limits_.served) return false;
  const auto it = perAddress_.find(address);
  return it == perAddress_.end() || it->second < limits_.perAddress;
}

void ConnectionGate::Closed(const std::string& address, Admission admission) {
  if (admission == Admission::Close) return;
  if (auto it = perAddress_.find(address); it != perAddress_.end() && --it->second <= 0) {
    perAddress_.erase(it);
  }
  int& count = admission == Admission::Serve ? served_ : refused_;
  if (count > 0) --count;
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
  static const char* kNames[kReasons] = {"満員", "同じアドレスの上限", "要求が届かない",
                                         "受信しない", "記述子不足"};
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
