#pragma once
// A row of the ranking print of the competition screen.

#include <string>

namespace poolside {

struct RankingLine {
  int rank = 0;
  int lane = 0;  // 1..10, 11 and 12 for the reserves
  int entryNo = 0;
  std::string time;  // TimeText of the record
};

}  // namespace poolside
