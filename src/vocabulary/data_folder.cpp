#include "vocabulary/data_folder.h"

namespace poolside {

std::string RaceFileNumber(int race) {
  const std::string s = std::to_string(race + 10000LL);
  return s.size() > 4 ? s.substr(s.size() - 4) : s;
}

std::string GoalFileName(int race) { return "goal\\g" + RaceFileNumber(race); }

std::string LapFileName(int race) { return "lap\\r" + RaceFileNumber(race); }

}  // namespace poolside
